#pragma once
#include "app/calibration_state.h"
#include "app/file_fields.h"
#include "app/main_commands.h"
#include "app/main_view.h"
#include "platform/user_port.h"
#include "qt_dispatcher.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QLineEdit;
class QPushButton;
class QTimer;

namespace Ui {
class Focus_Form;
}

namespace kavo {

class HelpWindow;
class TFocusAboutBox;
class TFocusNForm;

// The field a file handed over from outside belongs to, by its extension (.cam, .crd, .lst, in any
// letter case); nothing for any other file.
std::optional<FileField> fieldForFile(const QString& path);

// The main window "Вычисление фокусного расстояния": file fields and pickers, the compute command,
// the result fields with Save, the results memo and the progress bar. Its handlers hand every
// decision to MainCommands (the files, the run and its result, Save, closing, the enable rules);
// this window is their view.
class TFocus_Form : public QMainWindow, public MainView {
  Q_OBJECT

public:
  TFocus_Form(UserPort& port, char decimalSeparator, QWidget* parent = nullptr);
  ~TFocus_Form() override;

  // The dialogs created after the main window at start-up.
  void setSettingsDialog(TFocusNForm* dialog) { settingsDialog = dialog; }
  void setAboutBox(TFocusAboutBox* box) { aboutBox = box; }

  CalibrationState& calibration() { return state; }
  MainCommands& mainCommands() { return *commands; }

  // A file picked, named on the command line or dropped: stored in the field its kind names, with
  // the current directory moved to the file's folder and the shown results cleared.
  void takeFile(FileField field, const QString& path);
  // Hands a file over by its extension; false (and a status line) for a file of no known kind.
  bool openFileByExtension(const QString& path);
  // Files named on the command line, in order; names are relative to the directory the program
  // started in, although each file moves the current directory. Returns the files refused.
  QStringList openFiles(const QStringList& paths);

  // Shows the results memo and sets the window size of a processing mode (1 normal, 2 debug).
  void applyProcessingMode(int processingMode);
  // The list field's double click opens the list in a text editor through this (the desktop's
  // editor unless replaced, as tests do).
  std::function<bool(const QString& file)> openTextEditor;

  // MainView
  void showFile(FileField field, const std::string& shownName, const std::string& fullPath) override;
  void clearMemo() override;
  void appendMemoLine(const std::string& line) override;
  void setProgressMaximum(int maximum) override;
  void setProgressPosition(int position) override;
  void showResult(const RunFigures& figures) override;
  void showRefined(const RunFigures& figures) override;
  void clearResult() override;
  void setSaveEnabled(bool enabled) override;
  void setComputeEnabled(bool enabled) override;
  void setReportEnabled(bool enabled) override;
  void setExportEnabled(bool enabled) override;
  void signalRunEnd(int doneCount) override;
  void clearRunSignal() override;
  void showStatus(const std::string& text) override;
  DistributionOutcome showDistribution(const FocalValues& values,
                                       const DistributionNumbers& opening) override;

public slots:
  void Timer1Timer();
  void Image1Click();
  void Button5Click();
  void Button3Click();
  void Button4Click();
  void Edit1Change();
  // The hidden signal field's change: the first result of a run is shown.
  void Edit7Change(const QString& text);
  void Button2Click();
  void N10Click();
  void Button1Click();
  void N3Click();
  void N5Click();
  void N12Click();
  void N13Click();
  void N14Click();    // "Настройки...": the settings dialog, as Ctrl+J opens it
  void ReportClick(); // "Отчёт…" (menu item and button): the report of the shown result
  void ExportClick(); // "Экспорт камеры…": the refined camera for other tools, or a correction table
  void TargetClick(); // "Мишень для печати…": the target dialog
  void Edit6DblClick();
  void Edit4DblClick();
  void Edit1DblClick();
  // Save: true only when the file was written.
  bool SaveFocalLength();
  // Keys the window sees before its controls: Enter (on a focused "..." its picker, elsewhere the
  // computation), Ctrl+J, Escape; true when it took the key.
  bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
  // Edit6KeyUp, Edit4KeyUp, Edit1KeyUp: rebuilds the stored full path from the typed name.
  void EditKeyUp(FileField field);
  // "Снимки…": the photo dialog, whose series fills the three file fields.
  void NPhotosClick();

protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  void runPicker(FileField field);
  ::QLineEdit* fieldEdit(FileField field) const;
  // Asks a running worker to stop and waits for its thread to end, keeping the window's event
  // loop going so that the worker's last steps can run.
  void stopWorkerAndWait();
  // Runs a handler the way the application's default error report would: an error that escapes it
  // is shown in a box, through the user port, instead of ending the program.
  void guarded(const std::function<void()>& handler);

  std::unique_ptr<Ui::Focus_Form> ui;
  UserPort& port;
  char separator;
  CalibrationState state;
  QtDispatcher dispatcher;
  std::unique_ptr<MainCommands> commands;
  QTimer* Timer1;
  TFocusNForm* settingsDialog = nullptr;
  TFocusAboutBox* aboutBox = nullptr;
  QPointer<HelpWindow> helpWindow;
  QPushButton* tabbedPicker = nullptr; // the "..." that holds the focus because the user tabbed to it
  bool closing = false;
};

} // namespace kavo
