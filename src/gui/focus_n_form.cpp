#include "focus_n_form.h"

#include "ui_focus_n_form.h"

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

void TFocusNForm::showTexts(const SettingsTexts& texts) {
  ui->Edit1->setText(QString::fromStdString(texts.clipSigmaCount));
  ui->Edit2->setText(QString::fromStdString(texts.minLineAngleDegrees));
  ui->Edit3->setText(QString::fromStdString(texts.minPointSpacingPercent));
  ui->Edit4->setText(QString::fromStdString(texts.firstImageNumber));
  ui->Edit5->setText(QString::fromStdString(texts.secondImageNumber));
  (texts.processingMode == 2 ? ui->RadioItem1 : ui->RadioItem0)->setChecked(true);
  ui->SaveRefinedBox->setChecked(texts.saveRefinedValue);
  ui->StepAccuracyEdit->setText(QString::fromStdString(texts.stepAccuracy));
  ui->CircleRadiusEdit->setText(QString::fromStdString(texts.circleRadius));
}

void TFocusNForm::fillFromState() {
  showTexts(settingsTexts(state, separator));
}

void TFocusNForm::openModal() {
  fillFromState();
  move(400, 300);
  exec();
}

int TFocusNForm::radioIndex() const {
  return ui->RadioItem1->isChecked() ? 1 : 0;
}

void TFocusNForm::Button1Click() {
  SettingsTexts texts;
  texts.clipSigmaCount = ui->Edit1->text().toStdString();
  texts.minLineAngleDegrees = ui->Edit2->text().toStdString();
  texts.minPointSpacingPercent = ui->Edit3->text().toStdString();
  texts.firstImageNumber = ui->Edit4->text().toStdString();
  texts.secondImageNumber = ui->Edit5->text().toStdString();
  texts.processingMode = radioIndex() + 1;
  texts.saveRefinedValue = ui->SaveRefinedBox->isChecked();
  texts.stepAccuracy = ui->StepAccuracyEdit->text().toStdString();
  texts.circleRadius = ui->CircleRadiusEdit->text().toStdString();
  if (const auto refused = applySettingsTexts(state, texts, separator)) {
    port.showMessage(*refused); // the dialog stays open
    return;
  }
  if (applyMode)
    applyMode(state.processingMode);
  accept();
}

void TFocusNForm::Button2Click() {
  reject();
}

void TFocusNForm::Button3Click() {
  showTexts(defaultSettingsTexts(separator));
}

} // namespace kavo
