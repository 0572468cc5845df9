#pragma once
#include "app/abandon_text.h"
#include "app/calibration_state.h"
#include "app/main_view.h"
#include "app/refine_stage.h"
#include "app/run_result.h"
#include "estimator/stat_foc_thread.h"
#include "platform/dispatcher.h"
#include "platform/user_port.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavo {

// How the last compute command ended, for the front ends (status line, command line).
struct ComputeOutcome {
  enum class Stage {
    Idle,      // no command yet
    Stopped,   // stopped before the launch; message is what the window showed (empty after "No")
    Running,   // the worker runs
    Done,      // the worker signalled its end and the result is shown (CalibrationState::shownResult)
    NoValue,   // the run ended without a value to show (none produced, or a broken result list)
    Abandoned, // the worker ended without a result; abandon says why
  };
  Stage stage = Stage::Idle;
  UserMessage message;               // the box that ended the command without a result
  std::vector<std::string> warnings; // what the command said on the way without stopping
  RunEnd abandon;
  // NoValue: the refined fit of a run in which no quadruple gave a classic value, shown in the refined
  // field unless a result of an earlier run is still shown. It is not a shown result: Save and the
  // window's report do not write it (kavo-cli's report files it). Empty when the fit was switched off
  // or the result list was broken.
  std::optional<RunResult> refinedOnly;
};

// The compute command of the main window (N10Click) with its launch and the display of the result
// (Edit7Change), written against the user port and the main-window view so that the desktop and the
// command line run the very same road.
class ComputeCommand {
public:
  ComputeCommand(CalibrationState& state, UserPort& port, MainView& view, MainThreadDispatcher& dispatcher,
                 char decimalSeparator);
  // Detaches from a running worker and asks it to stop; the worker then ends quietly on its own.
  ~ComputeCommand();
  ComputeCommand(const ComputeCommand&) = delete;
  ComputeCommand& operator=(const ComputeCommand&) = delete;

  // Loads and checks the inputs and starts the worker. Refused while a run is under way: the lists
  // the worker reads must not be cleared or reloaded under it.
  void N10Click();
  // The change handler of the hidden signal field: shows the results on the first signal of a run.
  void Edit7Change(const std::string& text);

  bool running() const;
  // Asks the running worker to stop at its next checkpoint; nothing when none runs.
  void requestStop();
  // Worker threads of the enumeration; 0 uses every core.
  void setThreads(int count) { threadCount = count; }
  int threads() const { return threadCount; }

  // Whether a run goes on to the refined fit, the intervals and the checks of the series after its
  // classic result (on unless switched off).
  void setRefine(bool on) { refineOn = on; }

  // What the last command read, as far as it got, how it was set and what it warned of: the record of
  // a run that ended without a result (a shown result carries its own).
  RunInputs inputs() const {
    RunInputs record = loading;
    record.warnings = last.warnings;
    return record;
  }

  // Image file names from the list are opened relative to this folder ("" keeps them relative to
  // the current directory, as the desktop's pickers leave it).
  void setImageFolder(const std::string& folder) { imageFolder = folder; }

  // Called on the main thread with the individual values of each run, once its enumeration is done
  // (the command line writes them out).
  void setValuesObserver(std::function<void(const FocalValues&)> observer) {
    valuesObserver = std::move(observer);
  }
  // Called whenever a run starts or ends and whenever the shown result changes: the owner applies
  // the enable rules again.
  void setChangeObserver(std::function<void()> observer) { changeObserver = std::move(observer); }

  const ComputeOutcome& outcome() const { return last; }
  // Completion token of the last worker: lets a caller wait until its thread and object are gone.
  std::shared_ptr<WorkerExit> workerExit() const { return exitOfLast; }

  // True when every image's two farthest points are at least half the image diagonal apart.
  bool CheckPointSpread() const;

private:
  class Host;
  bool loadInputs();
  void launch();
  void stopWith(const UserMessage& message);
  void changed();
  std::string imagePath(const std::string& name) const;
  std::string noValueDetail() const;
  void showRefinedWithoutValues();

  CalibrationState& state;
  UserPort& port;
  MainView& view;
  MainThreadDispatcher& dispatcher;
  char separator;
  int threadCount = 0;
  std::string imageFolder;
  std::string runCameraFile; // the camera file the running worker's inputs came from
  RunInputs loading;         // filled as the inputs are read
  RunInputs runInputs;       // the running worker's
  RefineCamera refineCamera; // the camera facts read with the inputs
  bool refineOn = true;
  bool refining = false; // the running worker has gone on to the refined fit
  std::shared_ptr<RefineStageOutcome> stageOutcome;
  std::function<void(const FocalValues&)> valuesObserver;
  std::function<void()> changeObserver;
  int progress = 0;
  int progressMaximum = 0;
  ComputeOutcome last;
  std::shared_ptr<Host> host;
  std::shared_ptr<WorkerExit> exitOfLast;
};

} // namespace kavo
