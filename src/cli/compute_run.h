#pragma once
#include "app/run.h"
#include "cli/compute_exports.h"

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace kavo {

// kavo-cli compute: the run and the files it writes besides its output.
struct ComputeRequest {
  RunRequest run;
  bool json = false;
  bool progressBar = false;
  std::string valuesOut;
  std::string histogramOut;
  std::string saveTo;
  bool saveRefinedValue = false; // --save writes the refined focal length
  std::string reportOut;
  CameraOutputs cameraOutputs; // the refined camera for other tools
};

struct ComputeResult {
  RunResult run;
  // The run's own warnings, then every output that could not be written.
  std::vector<std::string> warnings;
  // The outputs written, as their options named them ("-" for standard output).
  std::vector<std::string> written;
  // The debug mode's memo: the listing of the values and the summary block.
  std::vector<std::string> memo;
  int exitStatus = 0;
};

// Computes the run in place (its hooks served on this thread: a progress bar on err when asked, the
// question about a focal length already computed answered yes and kept as a warning, the
// distribution window's numbers taken as it opens), then writes the requested files from its result;
// an output "-" goes to out. The run is asked to stop when *interrupted becomes true: a stopped run
// writes nothing. The outputs were checked before (outputsProblem); one that names a file the run
// read is not written.
ComputeResult runCompute(const ComputeRequest& request, const std::atomic<bool>& interrupted,
                         std::ostream& out, std::ostream& err);

} // namespace kavo
