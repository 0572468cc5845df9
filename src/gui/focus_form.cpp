#include "focus_form.h"

#include "focus_about_box.h"
#include "focus_n_form.h"
#include "graph_window.h"
#include "help_window.h"
#include "photo_dialog.h"
#include "target_dialog.h"
#include "text_editor_launcher.h"
#include "ui_focus_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusTipEvent>
#include <QTimer>

#include <chrono>

// Resources of a static library are registered by hand, outside any namespace.
static void initKavoResources() {
  Q_INIT_RESOURCE(kavo);
}

namespace kavo {

TFocus_Form::TFocus_Form(UserPort& userPort, char decimalSeparator, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::Focus_Form>()), port(userPort),
      separator(decimalSeparator), dispatcher(this), Timer1(new QTimer(this)) {
  initKavoResources();
  ui->setupUi(this);
  openTextEditor = [](const QString& file) { return openInTextEditor(file); };
  state.startDirectory = QDir::currentPath().toStdString();
  commands = std::make_unique<MainCommands>(state, port, *this, dispatcher, separator);

  connect(ui->Button5, &QPushButton::clicked, this, &TFocus_Form::Button5Click);
  connect(ui->Button3, &QPushButton::clicked, this, &TFocus_Form::Button3Click);
  connect(ui->Button4, &QPushButton::clicked, this, &TFocus_Form::Button4Click);
  connect(ui->Button2, &QPushButton::clicked, this, &TFocus_Form::Button2Click);
  connect(ui->Button1, &QPushButton::clicked, this, &TFocus_Form::Button1Click);
  connect(ui->N3, &QAction::triggered, this, &TFocus_Form::N3Click);
  connect(ui->N5, &QAction::triggered, this, &TFocus_Form::N5Click);
  connect(ui->N10, &QAction::triggered, this, &TFocus_Form::N10Click);
  connect(ui->N12, &QAction::triggered, this, &TFocus_Form::N12Click);
  connect(ui->N13, &QAction::triggered, this, &TFocus_Form::N13Click);
  connect(ui->N14, &QAction::triggered, this, &TFocus_Form::N14Click);
  connect(ui->NPhotos, &QAction::triggered, this, &TFocus_Form::NPhotosClick);
  connect(ui->ReportAction, &QAction::triggered, this, &TFocus_Form::ReportClick);
  connect(ui->ReportButton, &QPushButton::clicked, this, &TFocus_Form::ReportClick);
  connect(ui->ExportAction, &QAction::triggered, this, &TFocus_Form::ExportClick);
  connect(ui->TargetAction, &QAction::triggered, this, &TFocus_Form::TargetClick);
  for (::QLineEdit* field : {ui->Edit6, ui->Edit4, ui->Edit1}) {
    connect(field, &::QLineEdit::textChanged, this, &TFocus_Form::Edit1Change);
  }
  connect(ui->Edit7, &::QLineEdit::textChanged, this, &TFocus_Form::Edit7Change);
  // The window sees keys before its controls do (and its fields' clicks and key releases).
  qApp->installEventFilter(this);

  commands->refreshCommands();
  ui->Memo1->hide();
  setMinimumSize(530, 400);
  resize(530, 400);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  ui->Panel1->hide();
  ui->Image1->show();
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(4000);
  connect(Timer1, &QTimer::timeout, this, &TFocus_Form::Timer1Timer);
  Timer1->start();
}

TFocus_Form::~TFocus_Form() {
  qApp->removeEventFilter(this);
  // The worker reaches this window through the dispatcher it holds: it must be gone first.
  stopWorkerAndWait();
}

void TFocus_Form::guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    port.showMessage(UserMessage{error.what(),
                                 QApplication::applicationName().toStdString(),
                                 {},
                                 BoxOwner::MainWindow,
                                 BoxIcon::Error});
  }
}

void TFocus_Form::Timer1Timer() {
  ui->Image1->hide();
  ui->Panel1->show();
  Timer1->stop();
}

void TFocus_Form::Image1Click() {
  Timer1Timer();
}

void TFocus_Form::Edit1Change() {
  commands->refreshCommands();
}

void TFocus_Form::Edit7Change(const QString& text) {
  // Only the first completion signal of a run shows its result.
  if (text == QLatin1String("1"))
    guarded([this] { commands->showRunResult(); });
}

void TFocus_Form::Button2Click() {
  if (ui->N10->isEnabled())
    N10Click();
}

void TFocus_Form::N10Click() {
  if (closing)
    return;
  guarded([this] { commands->startRun(); });
}

void TFocus_Form::Button1Click() {
  SaveFocalLength();
}
void TFocus_Form::N3Click() {
  SaveFocalLength();
}
void TFocus_Form::N5Click() {
  close();
}

void TFocus_Form::N12Click() {
  if (!helpWindow)
    helpWindow = new HelpWindow(this);
  helpWindow->show();
  helpWindow->raise();
  helpWindow->activateWindow();
}

void TFocus_Form::N13Click() {
  if (aboutBox)
    aboutBox->exec();
}

void TFocus_Form::N14Click() {
  if (settingsDialog)
    settingsDialog->openModal();
}

void TFocus_Form::NPhotosClick() {
  openPhotoDialog(this, port, separator, [this](FileField field, const std::string& path) {
    takeFile(field, QString::fromStdString(path));
  });
}

void TFocus_Form::ReportClick() {
  guarded([this] { commands->saveReport(); });
}

void TFocus_Form::ExportClick() {
  guarded([this] { commands->exportCamera(); });
}

void TFocus_Form::TargetClick() {
  openTargetDialog(this, port, separator);
}

void TFocus_Form::applyProcessingMode(int processingMode) {
  const bool debug = processingMode == 2;
  ui->Memo1->setVisible(debug);
  const QSize size = debug ? QSize(548, 583) : QSize(530, 400);
  setMinimumSize(size);
  resize(size);
}

bool TFocus_Form::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
      !(modifiers & (Qt::ControlModifier | Qt::AltModifier))) {
    // Enter on a "..." the user reached with Tab is meant for that button: it opens its picker. A
    // button that only kept the focus from a click or from the window's start does not count.
    if (tabbedPicker != nullptr && tabbedPicker->hasFocus()) {
      tabbedPicker->click();
      return true;
    }
    Button2Click();
    return true;
  }
  // Ctrl+J, also on the Russian layout, where the same key gives the letter "О".
  if ((key == Qt::Key_J || key == 0x041E) && (modifiers & Qt::ControlModifier)) {
    N14Click();
    return true;
  }
  if (key == Qt::Key_Escape && commands->running()) {
    commands->requestStop();
    showStatus("Счёт прерывается...");
    return true;
  }
  return false;
}

bool TFocus_Form::event(QEvent* event) {
  // The pointer passing over the menu sends empty status tips, which would wipe what the status line
  // says (a warning of the checks, why a run ended); no control here has a tip of its own to show.
  if (event->type() == QEvent::StatusTip && static_cast<QStatusTipEvent*>(event)->tip().isEmpty())
    return true;
  return QMainWindow::event(event);
}

bool TFocus_Form::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* widget = qobject_cast<QWidget*>(watched);
    // Only keys meant for this window; the dialogs above it keep their own.
    if (widget != nullptr && widget->window() == this && QApplication::activeModalWidget() == nullptr) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (FormKeyDown(key->key(), key->modifiers()))
        return true;
    }
  } else if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
    auto* picker = qobject_cast<QPushButton*>(watched);
    if (picker == ui->Button5 || picker == ui->Button3 || picker == ui->Button4) {
      const auto reason = static_cast<QFocusEvent*>(event)->reason();
      const bool tabbed = event->type() == QEvent::FocusIn &&
                          (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason);
      tabbedPicker = tabbed ? picker : nullptr;
    }
  } else if (event->type() == QEvent::KeyRelease) {
    if (watched == ui->Edit6)
      EditKeyUp(FileField::Camera);
    else if (watched == ui->Edit4)
      EditKeyUp(FileField::Scene);
    else if (watched == ui->Edit1)
      EditKeyUp(FileField::List);
  } else if (event->type() == QEvent::MouseButtonDblClick) {
    if (watched == ui->Edit6)
      Edit6DblClick();
    else if (watched == ui->Edit4)
      Edit4DblClick();
    else if (watched == ui->Edit1)
      Edit1DblClick();
    if (watched == ui->Edit6 || watched == ui->Edit4 || watched == ui->Edit1)
      return true;
  } else if (event->type() == QEvent::MouseButtonPress && watched == ui->Image1) {
    Image1Click();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TFocus_Form::stopWorkerAndWait() {
  if (!commands)
    return;
  commands->requestStop();
  const auto exit = commands->runExit();
  while (exit && !exit->waitFor(std::chrono::milliseconds(10)))
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void TFocus_Form::closeEvent(QCloseEvent* event) {
  if (closing) { // a second close while the first one waits for the worker
    event->ignore();
    return;
  }
  closing = true;
  const auto exit = commands->runExit();
  if (commands->running() || (exit && !exit->finished())) {
    showStatus("Счёт прерывается...");
    ui->Panel1->setEnabled(false);
    stopWorkerAndWait();
    ui->Panel1->setEnabled(true);
  }
  // Отмена, Escape, and a save that was cancelled or failed keep the window, and the result, open.
  if (commands->closeDecision() == CloseDecision::KeepOpen) {
    closing = false;
    event->ignore();
    return;
  }
  if (helpWindow)
    helpWindow->close();
  event->accept();
}

// MainView: the commands' view of this window.

QLineEdit* TFocus_Form::fieldEdit(FileField field) const {
  switch (field) {
  case FileField::Camera:
    return ui->Edit6;
  case FileField::Scene:
    return ui->Edit4;
  case FileField::List:
    break;
  }
  return ui->Edit1;
}

void TFocus_Form::showFile(FileField field, const std::string& shownName, const std::string& fullPath) {
  QLineEdit* edit = fieldEdit(field);
  edit->setText(QString::fromStdString(shownName));
  // The field shows the name only; the whole path is a hover away.
  edit->setToolTip(QString::fromStdString(fullPath));
}

void TFocus_Form::clearMemo() {
  ui->Memo1->clear();
}
void TFocus_Form::appendMemoLine(const std::string& line) {
  ui->Memo1->appendPlainText(QString::fromStdString(line));
}
void TFocus_Form::setProgressMaximum(int maximum) {
  ui->ProgressBar1->setMaximum(maximum);
}
void TFocus_Form::setProgressPosition(int position) {
  ui->ProgressBar1->setValue(position);
}
void TFocus_Form::showResult(const RunFigures& figures) {
  ui->Edit5->setText(QString::fromStdString(figures.focalText));
  ui->Edit8->setText(QString::fromStdString(figures.deviationText));
  ui->Edit9->setText(QString::fromStdString(figures.standardDeviationText));
  showRefined(figures);
  ui->Edit5->setToolTip(QString::fromStdString(figures.classicToolTip));
}
void TFocus_Form::showRefined(const RunFigures& figures) {
  const bool ran = figures.refined.status != RefinedStatus::NotRun;
  const bool refined = figures.refined.status == RefinedStatus::Ok;
  ui->RefinedEdit->setText(
      QString::fromStdString(refined ? figures.refinedFocalText : (ran ? "не вычислено" : "")));
  ui->IntervalEdit->setText(QString::fromStdString(figures.refinedIntervalText));
  // The standard error, the classic interval and every warning of the checks are a hover away.
  const QString details = QString::fromStdString(figures.toolTip);
  ui->RefinedEdit->setToolTip(ran ? details : QString());
  ui->IntervalEdit->setToolTip(ran ? details : QString());
}
void TFocus_Form::clearResult() {
  for (QLineEdit* field : {ui->Edit5, ui->Edit8, ui->Edit9, ui->RefinedEdit, ui->IntervalEdit}) {
    field->clear();
    field->setToolTip(QString());
  }
}

void TFocus_Form::setSaveEnabled(bool enabled) {
  ui->Button1->setEnabled(enabled);
  ui->N3->setEnabled(enabled);
}

void TFocus_Form::setComputeEnabled(bool enabled) {
  ui->N10->setEnabled(enabled);
  ui->Button2->setEnabled(enabled);
}

void TFocus_Form::setExportEnabled(bool enabled) {
  ui->ExportAction->setEnabled(enabled);
}

void TFocus_Form::setReportEnabled(bool enabled) {
  ui->ReportAction->setEnabled(enabled);
  ui->ReportButton->setEnabled(enabled);
}

void TFocus_Form::clearRunSignal() {
  // Emptied at the start of a run (the change handler ignores it), so that the run's first signal
  // changes the text again.
  ui->Edit7->clear();
}

void TFocus_Form::signalRunEnd(int doneCount) {
  // The hidden field's change shows the result (Edit7Change).
  ui->Edit7->setText(QString::number(doneCount));
}

void TFocus_Form::showStatus(const std::string& text) {
  if (text.empty())
    ui->StatusBar1->clearMessage();
  else
    ui->StatusBar1->showMessage(QString::fromStdString(text));
  // A long line is cut at the window's edge; the whole of it is a hover away.
  ui->StatusBar1->setToolTip(QString::fromStdString(text));
}

DistributionOutcome TFocus_Form::showDistribution(const FocalValues& values,
                                                  const DistributionNumbers& opening) {
  return showDistributionWindow(this, port, values, opening.clipFactor, opening.meanValue, opening.deviation,
                                opening.standardDeviation, separator);
}

} // namespace kavo
