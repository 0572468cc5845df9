#include "graph_window.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <string>

#include "graph/distribution_drawing.h"
#include "graph/graph_number.h"
#include "graph/picture_file.h"
#include "graph/qt/distribution_picture.h"
#include "platform/number_text.h"
#include "platform/user_port.h"
#include "ui_graph_window.h"

namespace kavo {

TRForm::TRForm(QWidget* parent, UserPort& port, const FocalValues& values, const DistributionNumbers& numbers,
               char decimalSeparator)
    : QDialog(parent), ui(std::make_unique<Ui::TRForm>()), userPort(port), distribution(values, numbers),
      separator(decimalSeparator), background(renderDistributionBackground(distribution, decimalSeparator)),
      shown(background) {
  ui->setupUi(this);
  setFixedSize(kDistributionPictureWidth, 24 + kDistributionPictureHeight);
  QFont small = font();
  small.setPixelSize(11);
  setFont(small);
  for (QWidget* label : {ui->Label1, ui->Label2, ui->Label3, ui->Label4, ui->Label5}) {
    label->adjustSize();
  }
  // Enter in the clipping box must not press a button: no button of this window is a default one.
  for (QPushButton* button : findChildren<QPushButton*>()) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }
  ui->Image1->installEventFilter(this);

  connect(ui->Button1, &QPushButton::clicked, this, &TRForm::Button1Click);
  connect(ui->Button2, &QPushButton::clicked, this, &TRForm::Button2Click);
  connect(ui->Button5, &QPushButton::clicked, this, &TRForm::Button5Click);
  connect(ui->Button3, &QPushButton::clicked, this, &TRForm::Button3Click);
  connect(ui->Button4, &QPushButton::clicked, this, &TRForm::Button4Click);
  connect(ui->Edit4, &QLineEdit::textChanged, this, &TRForm::Edit4Change);
  connect(ui->Edit4, &QLineEdit::editingFinished, this, &TRForm::Edit4Exit);
  redrawMarkers(true);
}

TRForm::~TRForm() {
  // The controls outlive this part of the window by a little: a box losing the focus while it is
  // destroyed must not call back into a window that is already half gone.
  ui->Edit4->disconnect(this);
}

DistributionOutcome TRForm::outcome() const {
  const DistributionNumbers& n = distribution.numbers();
  return DistributionOutcome{exitPressed, n.meanValue, n.deviation, n.standardDeviation};
}

void TRForm::setField(QLineEdit* field, double value) {
  field->setText(QString::fromStdString(formatGraphNumber(value, separator)));
}

void TRForm::redrawMarkers(bool writeClipFactor) {
  const DistributionNumbers& n = distribution.numbers();
  writingFields = true;
  setField(ui->Edit3, n.deviation);
  setField(ui->Edit5, n.standardDeviation);
  setField(ui->Edit2, n.meanValue);
  if (writeClipFactor) {
    setField(ui->Edit4, n.clipFactor);
  }
  writingFields = false;
  shown = renderDistributionPicture(background, distribution);
  ui->Image1->setPixmap(QPixmap::fromImage(toQImage(shown)));
}

void TRForm::Edit4Change(const QString& text) {
  // While the user types, a text that is not (yet) a number leaves the factor and the picture as
  // they are; the box is only marked. The error is reported when the user leaves the box.
  if (writingFields || text.isEmpty()) {
    return;
  }
  const auto value = parseNumber(text.toStdString(), separator);
  ui->Edit4->setStyleSheet(value ? QString() : QStringLiteral("color: red;"));
  if (!value) {
    return;
  }
  distribution.setClipFactor(*value);
  // The box keeps the text as typed, so "1," can still become "1,5".
  redrawMarkers(false);
}

void TRForm::Edit4Exit() {
  const QString text = ui->Edit4->text();
  if (!text.isEmpty() && parseNumber(text.toStdString(), separator)) {
    return;
  }
  // The box shows the factor in effect again before any message: the message box takes the focus,
  // which finishes the editing once more and must then find a number.
  ui->Edit4->setStyleSheet(QString());
  writingFields = true;
  setField(ui->Edit4, distribution.numbers().clipFactor);
  writingFields = false;
  if (!text.isEmpty()) {
    UserMessage message;
    message.text = "'" + text.toStdString() + "' is not a valid floating point value";
    message.caption = "Kavo";
    message.icon = BoxIcon::Error;
    userPort.showMessage(message);
  }
}

void TRForm::Button2Click() {
  const DistributionNumbers before = distribution.numbers();
  if (!distribution.recompute()) {
    UserMessage message;
    message.text = "Ни одно значение не попадает в полосу отсечения. Числа не изменены.";
    message.caption = "Ошибка!";
    message.detail = "Полоса от " + formatGraphNumber(distribution.bandLow(), separator) + " до " +
                     formatGraphNumber(distribution.bandHigh(), separator) + " (среднее " +
                     formatGraphNumber(before.meanValue, separator) + ", отклонение " +
                     formatGraphNumber(before.deviation, separator) + ", отсечение " +
                     formatGraphNumber(before.clipFactor, separator) + ").";
    message.icon = BoxIcon::Error;
    userPort.showMessage(message);
    return;
  }
  redrawMarkers(false);
}

void TRForm::Button5Click() {
  distribution.reset();
  redrawMarkers(false);
}

void TRForm::Button1Click() {
  FileDialogRequest request;
  request.filter = "Bitmap Filis|*.bmp";
  request.defaultExtension = "bmp";
  request.proposedName = "graph2";
  request.askBeforeOverwrite = true;
  const auto path = userPort.chooseSaveFile(request);
  if (!path) {
    return;
  }
  const std::string failure = savePicture(*path, shown);
  if (!failure.empty()) {
    UserMessage message;
    message.text = "Не удалось сохранить рисунок в файл " + *path;
    message.caption = "Ошибка!";
    message.detail = failure;
    message.icon = BoxIcon::Error;
    userPort.showMessage(message);
  }
}

void TRForm::Button3Click() {
  accept();
}

void TRForm::Button4Click() {
  exitPressed = true;
  accept();
}

bool TRForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui->Image1 && event->type() == QEvent::MouseMove) {
    const auto* move = static_cast<QMouseEvent*>(event);
    if (const auto value = distribution.valueAtColumn(static_cast<int>(move->position().x()))) {
      setField(ui->Edit1, *value);
    }
  }
  return QDialog::eventFilter(watched, event);
}

DistributionOutcome showDistributionWindow(QWidget* parent, UserPort& port, const FocalValues& values,
                                           double clipFactor, double mean, double deviation,
                                           double standardDeviation, char decimalSeparator) {
  TRForm window(parent, port, values, DistributionNumbers{mean, clipFactor, deviation, standardDeviation},
                decimalSeparator);
  window.exec();
  return window.outcome();
}

} // namespace kavo
