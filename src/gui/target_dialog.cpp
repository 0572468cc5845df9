#include "target_dialog.h"

#include "ui_target_dialog.h"

#include <QDir>

#include <algorithm>

namespace kavo {

namespace {

constexpr detect::TargetKind kPatterns[] = {detect::TargetKind::Chessboard, detect::TargetKind::Circles,
                                            detect::TargetKind::AsymmetricCircles,
                                            detect::TargetKind::Charuco};

} // namespace

TargetDialog::TargetDialog(UserPort& userPort, char decimalSeparator, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TargetDialog>()), port(userPort), separator(decimalSeparator) {
  ui->setupUi(this);
  for (const std::string& name : detect::charucoDictionaryNames())
    ui->DictionaryBox->addItem(QString::fromStdString(name));
  ui->DictionaryBox->setCurrentText(QStringLiteral("DICT_5X5_100"));
  const auto patternChosen = [this](int index) {
    const bool charuco = index == 3;
    ui->MarkerEdit->setEnabled(charuco);
    ui->DictionaryBox->setEnabled(charuco);
  };
  connect(ui->PatternBox, &QComboBox::currentIndexChanged, this, patternChosen);
  patternChosen(ui->PatternBox->currentIndex());
  connect(ui->WriteButton, &QPushButton::clicked, this, &TargetDialog::WriteClick);
  connect(ui->CloseButton, &QPushButton::clicked, this, &TargetDialog::reject);
}

TargetDialog::~TargetDialog() = default;

TargetForm TargetDialog::form() const {
  TargetForm f;
  f.kind = kPatterns[std::clamp(ui->PatternBox->currentIndex(), 0, 3)];
  f.columns = ui->ColumnsBox->value();
  f.rows = ui->RowsBox->value();
  f.pitch = ui->PitchEdit->text().trimmed().toStdString();
  f.markerSize = ui->MarkerEdit->text().trimmed().toStdString();
  f.dictionary = ui->DictionaryBox->currentText().toStdString();
  f.paper = ui->PaperBox->currentText().trimmed().toStdString();
  return f;
}

void TargetDialog::WriteClick() {
  const TargetWriteOutcome outcome =
      writeTargetOfForm(form(), port, separator, QDir::currentPath().toStdString());
  if (outcome.status == TargetWriteOutcome::Status::Written) {
    lastWritten = outcome.path;
    ui->StatusLabel->setText(QStringLiteral("Записано: ") + QString::fromStdString(outcome.path));
  }
}

TargetDialog* openTargetDialog(QWidget* mainWindow, UserPort& port, char decimalSeparator) {
  auto* dialog = mainWindow->findChild<TargetDialog*>(QString(), Qt::FindDirectChildrenOnly);
  if (dialog == nullptr) {
    dialog = new TargetDialog(port, decimalSeparator, mainWindow);
    dialog->setWindowModality(Qt::ApplicationModal);
  }
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  return dialog;
}

} // namespace kavo
