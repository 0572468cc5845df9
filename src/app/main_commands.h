#pragma once
#include "app/calibration_state.h"
#include "app/camera_export_command.h"
#include "app/file_fields.h"
#include "app/main_view.h"
#include "app/result_save.h"
#include "app/run_job.h"
#include "app/run_report.h"
#include "platform/dispatcher.h"
#include "platform/user_port.h"

#include <memory>
#include <optional>
#include <string>

namespace kavo {

// The main window's commands over the calibration state: the file fields, the run in the background
// and the display of its result, Save, the report, the closing question and the enable rules. It
// applies the rules again whenever a run starts or ends or the shown result changes, so the view
// only shows what it is told.
class MainCommands {
public:
  MainCommands(CalibrationState& state, UserPort& port, MainView& view, MainThreadDispatcher& dispatcher,
               char decimalSeparator);
  // Detaches from a running job and asks it to stop; it then ends quietly on its own.
  ~MainCommands();
  MainCommands(const MainCommands&) = delete;
  MainCommands& operator=(const MainCommands&) = delete;

  // The picker of a file field ("..."): its open dialog through the port; the chosen full path, or
  // nothing when cancelled.
  std::optional<std::string> chooseFile(FileField field);
  // A file picked, named on the command line or dropped: its full path is stored, the field shows
  // its name, and the shown result is cleared (Save has nothing to write until the next result).
  void takeFile(FileField field, const std::string& fullPath);
  // A key released in a file field: the field's text replaces the stored file name.
  void typedFileName(FileField field, const std::string& fieldText);

  // The computation: a run of the three files with the settings as they are now, in the background.
  // Refused while a run is under way.
  void startRun();
  // A run's result handed over at its end (the job calls it on the main thread): a box for a run
  // stopped before the computation, the status line for an abandoned one, otherwise the window's
  // signal, on which it calls showRunResult.
  void takeRunResult(RunResult result);
  // Shows the result the last run handed over (on the window's signal); nothing when there is none.
  void showRunResult();
  bool running() const { return jobRunning; }
  // Asks the running job to stop at its next checkpoint; nothing when none runs.
  void requestStop();
  // Completion token of the last job: lets a caller wait until its thread is gone.
  std::shared_ptr<WorkerExit> runExit() const { return exitOfLast; }
  // The last run that ended, whatever its end; nothing before the first.
  const RunResult* lastRun() const { return last ? &*last : nullptr; }
  // Enumeration threads; 0 uses every core.
  void setThreads(int count) { threadCount = count; }
  // Whether runs go on to the refined fit (on unless switched off).
  void setRefine(bool on) { refineOn = on; }
  // Image names of the list are read in this folder; "" reads them in the current directory as it is
  // when the run starts.
  void setImageFolder(const std::string& folder) { imageFolder = folder; }

  // Save (button, menu item, Ctrl+S); nothing while Save is unavailable.
  SaveOutcome saveResult();
  // "Отчёт…": the report of the shown result; nothing while it is unavailable.
  ReportOutcome saveReport();
  // "Экспорт камеры…": the refined camera of the shown result; nothing while it is unavailable.
  CameraExportOutcome exportCamera();
  // Whether the window may close now (asks about an unsaved result).
  CloseDecision closeDecision();

  bool computeAvailable() const;
  bool saveAvailable() const;
  bool reportAvailable() const;
  bool exportAvailable() const;
  // Tells the view which commands are available now.
  void refreshCommands();

private:
  RunRequest request() const;
  RunHooks hooks();
  void showProgress(const RunProgress& progress);

  CalibrationState& state;
  UserPort& port;
  MainView& view;
  MainThreadDispatcher& dispatcher;
  char separator;
  int threadCount = 0;
  bool refineOn = true;
  std::string imageFolder;
  std::shared_ptr<RunJob> job;
  std::shared_ptr<WorkerExit> exitOfLast;
  bool jobRunning = false;
  bool refining = false;
  int progressMaximum = 0;
  std::optional<RunResult> handedOver; // the last run's result, waiting for the window's signal
  std::optional<RunResult> last;
};

} // namespace kavo
