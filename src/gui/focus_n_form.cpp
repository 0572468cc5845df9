#include "focus_n_form.h"

#include "datafiles/number_text.h"
#include "ui_focus_n_form.h"

#include <numbers>

namespace kavo {

TFocusNForm::TFocusNForm(CalibrationState& calibration, UserPort& userPort, char decimalSeparator,
                         std::function<void(int)> applyProcessingMode, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::FocusNForm>()), state(calibration), port(userPort),
      separator(decimalSeparator), applyMode(std::move(applyProcessingMode)) {
  ui->setupUi(this);
  connect(ui->Button1, &QPushButton::clicked, this, &TFocusNForm::Button1Click);
  connect(ui->Button2, &QPushButton::clicked, this, &TFocusNForm::Button2Click);
  connect(ui->Button3, &QPushButton::clicked, this, &TFocusNForm::Button3Click);
}

TFocusNForm::~TFocusNForm() = default;

void TFocusNForm::fillFromState() {
  const auto general = [this](double value) {
    return QString::fromStdString(formatGeneral(value, separator));
  };
  ui->Edit1->setText(general(state.clipSigmaCount));
  ui->Edit2->setText(general(state.minLineAngle * 180 / std::numbers::pi));
  ui->Edit3->setText(general(state.minPointSpacing * 100));
  ui->Edit4->setText(QString::number(state.firstImageNumber));
  ui->Edit5->setText(QString::number(state.secondImageNumber));
  (state.processingMode == 2 ? ui->RadioItem1 : ui->RadioItem0)->setChecked(true);
}

void TFocusNForm::openModal() {
  fillFromState();
  move(400, 300);
  exec();
}

int TFocusNForm::radioIndex() const {
  return ui->RadioItem1->isChecked() ? 1 : 0;
}

void TFocusNForm::fail(const char* text) {
  port.showMessage(UserMessage{text, "Ошибка!", {}, BoxOwner::None, BoxIcon::None});
}

void TFocusNForm::Button1Click() {
  // Each of the first three values is stored as soon as it converts: a later field that fails
  // leaves the earlier ones applied.
  const auto number = [this](const QLineEdit* edit) {
    return parseNumber(edit->text().toStdString(), separator);
  };
  const auto sigma = number(ui->Edit1);
  if (!sigma)
    return fail("Параметры заданы неправильно!");
  state.clipSigmaCount = *sigma;
  const auto angle = number(ui->Edit2);
  if (!angle)
    return fail("Параметры заданы неправильно!");
  // Degrees to radians as the computation has always done it: pi as a double, 1/180 in extended
  // precision, the product rounded once to a double.
  state.minLineAngle = static_cast<double>(static_cast<long double>(*angle) *
                                           static_cast<long double>(std::numbers::pi) * (1.0L / 180.0L));
  const auto spacing = number(ui->Edit3);
  if (!spacing)
    return fail("Параметры заданы неправильно!");
  state.minPointSpacing = static_cast<double>(static_cast<long double>(*spacing) * 0.01L);

  const auto first = parseInteger(ui->Edit4->text().toStdString());
  const auto second = parseInteger(ui->Edit5->text().toStdString());
  if (!first || !second)
    return fail("Параметры заданы неправильно!");
  if (*first <= 0 || *second <= 0)
    return fail("Номера изображений должны быть положительными!");
  if (*first >= *second)
    return fail("Номер первого изображения должен быть меньше номера второго!");
  state.firstImageNumber = *first;
  state.secondImageNumber = *second;

  state.processingMode = radioIndex() + 1;
  if (applyMode)
    applyMode(state.processingMode);
  accept();
}

void TFocusNForm::Button2Click() {
  reject();
}

void TFocusNForm::Button3Click() {
  ui->Edit1->setText(QString::fromStdString(formatGeneral(3, separator)));
  ui->Edit2->setText(QString::fromStdString(formatGeneral(30, separator)));
  ui->Edit3->setText(QString::fromStdString(formatGeneral(30, separator)));
  ui->Edit4->setText(QStringLiteral("1"));
  ui->Edit5->setText(QStringLiteral("2"));
  ui->RadioItem0->setChecked(true);
}

} // namespace kavo
