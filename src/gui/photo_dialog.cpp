#include "photo_dialog.h"

#include "ui_photo_dialog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <chrono>

namespace kavo {

namespace {

constexpr detect::TargetKind kPatterns[] = {detect::TargetKind::Chessboard, detect::TargetKind::Circles,
                                            detect::TargetKind::AsymmetricCircles,
                                            detect::TargetKind::Charuco};

std::string textOf(const QLineEdit* edit) {
  return edit->text().trimmed().toStdString();
}

} // namespace

PhotoDialog::PhotoDialog(UserPort& userPort, char decimalSeparator, TakeFile takeFile, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::PhotoDialog>()), port(userPort), dispatcher(this) {
  ui->setupUi(this);
  photoCommand =
      std::make_unique<PhotoCommand>(port, *this, dispatcher, decimalSeparator, std::move(takeFile));
  openFolder = [](const QString& folder) { return QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };
  connect(ui->AddPhotosButton, &QPushButton::clicked, this, &PhotoDialog::AddPhotosClick);
  connect(ui->RemovePhotosButton, &QPushButton::clicked, this, &PhotoDialog::RemovePhotosClick);
  connect(ui->OutFolderButton, &QPushButton::clicked, this, &PhotoDialog::OutFolderClick);
  connect(ui->OverlayFolderButton, &QPushButton::clicked, this, &PhotoDialog::OverlayFolderClick);
  connect(ui->StartButton, &QPushButton::clicked, this, &PhotoDialog::StartClick);
  connect(ui->CancelButton, &QPushButton::clicked, this, &PhotoDialog::CancelClick);
  connect(ui->CloseButton, &QPushButton::clicked, this, &PhotoDialog::reject);
  connect(ui->ShowOverlaysButton, &QPushButton::clicked, this, &PhotoDialog::ShowOverlaysClick);
  // The overlay folder matters only with the overlays.
  const auto overlaysChosen = [this](bool on) {
    ui->OverlayFolderEdit->setEnabled(on);
    ui->OverlayFolderButton->setEnabled(on);
  };
  connect(ui->OverlaysBox, &QCheckBox::toggled, this, overlaysChosen);
  overlaysChosen(ui->OverlaysBox->isChecked());
  // The markers' side and dictionary matter only for a ChArUco board.
  for (const std::string& name : detect::charucoDictionaryNames())
    ui->DictionaryBox->addItem(QString::fromStdString(name));
  ui->DictionaryBox->setCurrentText(QStringLiteral("DICT_5X5_100"));
  const auto patternChosen = [this](int index) {
    const bool charuco = kPatterns[std::clamp(index, 0, 3)] == detect::TargetKind::Charuco;
    ui->MarkerEdit->setEnabled(charuco);
    ui->DictionaryBox->setEnabled(charuco);
  };
  connect(ui->PatternBox, &QComboBox::currentIndexChanged, this, patternChosen);
  patternChosen(ui->PatternBox->currentIndex());
}

PhotoDialog::~PhotoDialog() {
  // Without its command the worker's remaining steps do nothing, and it stops after the photos in
  // hand; its steps still come through this dialog's dispatcher, so the dialog waits for it.
  const auto exit = photoCommand->workerExit();
  photoCommand.reset();
  while (exit && !exit->waitFor(std::chrono::milliseconds(10)))
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

PhotoForm PhotoDialog::form() const {
  PhotoForm f;
  f.photos = photos;
  f.kind = kPatterns[std::clamp(ui->PatternBox->currentIndex(), 0, 3)];
  f.columns = ui->ColumnsBox->value();
  f.rows = ui->RowsBox->value();
  f.pitch = textOf(ui->PitchEdit);
  f.markerSize = textOf(ui->MarkerEdit);
  f.dictionary = ui->DictionaryBox->currentText().toStdString();
  f.step = textOf(ui->StepEdit);
  f.outFolder = textOf(ui->OutFolderEdit);
  f.skipUndetected = ui->SkipUndetectedBox->isChecked();
  f.overlays = ui->OverlaysBox->isChecked();
  f.overlayFolder = textOf(ui->OverlayFolderEdit);
  return f;
}

void PhotoDialog::showPhotos() {
  ui->PhotoList->clear();
  for (const std::string& photo : photos) {
    const QString path = QString::fromStdString(photo);
    auto* item = new QListWidgetItem(QFileInfo(path).fileName(), ui->PhotoList);
    item->setToolTip(path);
  }
}

void PhotoDialog::AddPhotosClick() {
  FileDialogRequest request;
  request.filter = "Снимки (PNG, JPEG, TIFF)|*.png;*.jpg;*.jpeg;*.tif;*.tiff;*.PNG;*.JPG;*.JPEG;*.TIF;*.TIFF|"
                   "Все файлы|*.*";
  if (!photos.empty())
    request.initialFolder = QFileInfo(QString::fromStdString(photos.back())).absolutePath().toStdString();
  const std::vector<std::string> chosen = port.chooseOpenFiles(request);
  if (chosen.empty())
    return;
  photos = addPhotos(photos, chosen);
  showPhotos();
  if (ui->OutFolderEdit->text().trimmed().isEmpty())
    ui->OutFolderEdit->setText(QString::fromStdString(proposedSeriesFolder(photos)));
}

void PhotoDialog::RemovePhotosClick() {
  std::vector<bool> remove(photos.size(), false);
  for (const QListWidgetItem* item : ui->PhotoList->selectedItems())
    remove[static_cast<std::size_t>(ui->PhotoList->row(item))] = true;
  std::vector<std::string> kept;
  for (std::size_t i = 0; i < photos.size(); ++i)
    if (!remove[i])
      kept.push_back(photos[i]);
  photos = std::move(kept);
  showPhotos();
}

void PhotoDialog::OutFolderClick() {
  FileDialogRequest request;
  request.initialFolder = textOf(ui->OutFolderEdit);
  if (const auto folder = port.chooseFolder(request))
    ui->OutFolderEdit->setText(QString::fromStdString(*folder));
}

void PhotoDialog::OverlayFolderClick() {
  FileDialogRequest request;
  request.initialFolder = textOf(ui->OverlayFolderEdit);
  if (const auto folder = port.chooseFolder(request))
    ui->OverlayFolderEdit->setText(QString::fromStdString(*folder));
}

void PhotoDialog::StartClick() {
  ui->PhotoLog->clear();
  photoCommand->start(form());
}

void PhotoDialog::CancelClick() {
  photoCommand->requestStop();
}

void PhotoDialog::ShowOverlaysClick() {
  if (overlayFolder.isEmpty())
    return;
  if (!openFolder || !openFolder(overlayFolder))
    showStatus("Не удалось открыть папку отметок: " + overlayFolder.toStdString());
}

void PhotoDialog::reject() {
  if (photoCommand->running()) {
    closeWhenStopped = true;
    photoCommand->requestStop();
    return;
  }
  QDialog::reject();
}

// PhotoView: the command's view of this dialog.

void PhotoDialog::setRunning(bool running) {
  ui->FormPanel->setEnabled(!running);
  ui->StartButton->setEnabled(!running);
  ui->CancelButton->setEnabled(running);
  ui->ShowOverlaysButton->setEnabled(!running && !overlayFolder.isEmpty());
  if (running) {
    ui->CancelButton->setFocus();
    return;
  }
  ui->StartButton->setFocus();
  if (closeWhenStopped) {
    closeWhenStopped = false;
    QDialog::reject();
  }
}

void PhotoDialog::setProgress(int done, int total) {
  ui->ProgressBar->setMaximum(std::max(total, 1));
  ui->ProgressBar->setValue(done);
}

void PhotoDialog::appendLog(const std::string& line) {
  ui->PhotoLog->appendPlainText(QString::fromStdString(line));
}

void PhotoDialog::showStatus(const std::string& text) {
  ui->StatusLabel->setText(QString::fromStdString(text));
}

void PhotoDialog::setOverlayFolder(const std::string& folder) {
  overlayFolder = QString::fromStdString(folder);
  ui->ShowOverlaysButton->setEnabled(!overlayFolder.isEmpty() && !photoCommand->running());
}

PhotoDialog* openPhotoDialog(QWidget* mainWindow, UserPort& port, char decimalSeparator, TakeFile takeFile) {
  auto* dialog = mainWindow->findChild<PhotoDialog*>(QString(), Qt::FindDirectChildrenOnly);
  if (dialog == nullptr) {
    dialog = new PhotoDialog(port, decimalSeparator, std::move(takeFile), mainWindow);
    dialog->setWindowModality(Qt::ApplicationModal);
  }
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  return dialog;
}

} // namespace kavo
