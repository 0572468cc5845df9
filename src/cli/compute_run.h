#pragma once
#include "app/settings_input.h"
#include "cli/compute_report.h"

#include <atomic>
#include <iosfwd>
#include <string>

namespace kavo {

struct ComputeRequest {
  std::string cameraFile;
  std::string sceneFile;
  std::string listFile;
  SettingsNumbers settings; // in the settings dialog's units
  char decimalSeparator = '.';
  int threads = 0;
  bool json = false;
  bool progressBar = false;
  std::string valuesOut;
  std::string histogramOut;
  std::string saveTo;
  std::string reportOut;
  bool refine = true; // go on to the refined fit after the classic result
};

struct ComputeResult {
  ComputeReport report;
  int exitStatus = 0;
  // Set when the settings were refused as the settings dialog refuses them; nothing ran.
  std::string refusedSettings;
};

// Runs the compute command headless: the settings through the dialog's checks, the files as if
// picked, loading and checking through the same command as the desktop, the worker's steps served on
// this thread, and Save through the window's own Save. The worker is asked to stop when
// *interrupted becomes true. Progress goes to err; memo lines of the debug mode go to out unless
// the request asks for JSON.
ComputeResult runCompute(const ComputeRequest& request, const std::atomic<bool>& interrupted,
                         std::ostream& out, std::ostream& err);

} // namespace kavo
