#pragma once
#include "app/run_result.h"
#include "app/settings_numbers.h"
#include "graph/distribution_numbers.h"
#include "platform/user_port.h"

#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace kavo {

// Everything a run is computed from: the three files, the folder their image names are read in, the
// settings in the user's units and how the files write their numbers.
struct RunRequest {
  std::string cameraFile;
  std::string sceneFile;
  std::string listFile;
  std::string imageFolder;  // image names of the list are read here; "" reads them as written
  SettingsNumbers settings; // in the user's units, as the record of the run gives them
  // The layout tests exactly as the settings store them: radians and a fraction of the diagonal.
  double minLineAngle = std::numbers::pi / 6;
  double minPointSpacing = 0.3;
  char decimalSeparator = '.';
  int threads = 0;    // enumeration threads; 0 uses every core
  bool refine = true; // go on to the refined fit, the intervals and the checks of the series
};

// The settings of a request from the user's units, converted as the settings dialog converts them.
void setRunSettings(RunRequest& request, const SettingsNumbers& settings);

// Where a run is: the classic stage counts its outer steps (one per first point of a quadruple), the
// refined fit its percents.
enum class RunStage { Classic, Refine };
struct RunProgress {
  RunStage stage = RunStage::Classic;
  int done = 0;
  int total = 0;
};

// What a run asks of whoever runs it. Every member may be left empty: the run then goes on as if
// nobody were asked (a question answered yes, the distribution window closed with its opening
// numbers) and says nothing on the way. The command line serves them in place; the desktop's job
// serves them on the main thread while the run waits.
struct RunHooks {
  // Polled at the run's checkpoints; true ends the run as cancelled. It may be polled from the run's
  // helper threads as well, so it must be safe to call from any thread.
  std::function<bool()> shouldStop;
  std::function<void(const RunProgress&)> progress;
  // A question before going on (a focal length already in the camera file); false stops the run.
  std::function<bool(const UserMessage&)> confirm;
  // A warning on the way (the points of an image lie close together); the run goes on.
  std::function<void(const UserMessage&)> warn;
  // The individual values, as soon as they are enumerated.
  std::function<void(const FocalValues&)> valuesReady;
  // The debug mode: the listing of the values, then the distribution window.
  std::function<void(const std::vector<std::string>& lines)> listing;
  std::function<DistributionOutcome(const FocalValues& values, const DistributionNumbers& opening)>
      distribution;
};

// Computes one run: reads and checks the input files (each once, its digest from the same bytes),
// enumerates and reduces the individual values as the settings say, and goes on to the refined fit
// and the intervals. Never throws: every way a run can end is a status of its result.
RunResult computeRun(const RunRequest& request, const RunHooks& hooks = {});

// A classic result in the result: the signed numbers and the result fields as the window shows them
// (the absolute values in the fixed form, both deviations "-" for a run of two values or fewer).
void setClassicResult(RunResult& result, double count, double mean, double deviation,
                      double standardDeviation, char decimalSeparator);

// The assessment of a fit that could not be made: the refined result failed and no classic interval,
// both with the message.
SeriesAssessment failedAssessment(const std::string& message);

} // namespace kavo
