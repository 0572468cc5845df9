#pragma once
#include "cli/json_text.h"

#include <atomic>
#include <iosfwd>
#include <string>

namespace kavo {

struct ComputeRequest {
  std::string cameraFile;
  std::string sceneFile;
  std::string listFile;
  int firstImage = 1;
  int secondImage = 2;
  double clipSigma = 3.0;
  double minAngleDegrees = 30.0;
  double minSpacingPercent = 30.0;
  char decimalSeparator = '.';
  int threads = 0;
  int mode = 1; // 2: debug
  bool json = false;
  bool progressBar = false;
  std::string valuesOut;
  std::string histogramOut;
  std::string saveTo;
};

struct ComputeResult {
  ComputeReport report;
  int exitStatus = 0;
};

// Runs the compute command headless: loads and checks through the same command as the desktop,
// serves the worker's steps on this thread and stops the worker when *interrupted becomes true.
// Progress goes to err; memo lines of the debug mode go to out unless the request asks for JSON.
ComputeResult runCompute(const ComputeRequest& request, const std::atomic<bool>& interrupted,
                         std::ostream& out, std::ostream& err);

} // namespace kavo
