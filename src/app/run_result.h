#pragma once
#include "core/vt_point.h"

#include <string>

namespace kavo {

// The result of one run as the program shows, saves and reports it, decoded once from the worker's
// result list. It is the one value the window, Save and the command line read; what later work
// adds to a run's result travels beside these fields.
struct RunResult {
  long long valueCount = 0;       // individual values the run produced, before clipping
  double meanValue = 0.0;         // the focal length as the run computed it, signed
  double deviation = 0.0;         // RMS deviation of the values, signed as computed
  double standardDeviation = 0.0; // standard deviation of the mean, signed as computed
  // The result fields as the window shows them and Save writes them: the absolute values in the
  // fixed form, "-" for both deviations of a run of two values or fewer.
  std::string focalText;
  std::string deviationText;
  std::string standardDeviationText;
  std::string cameraFile; // the camera file the run read; Save writes a copy of it
};

// Entry 0 of the result list, the number of values; 0 for an empty list.
long long runValueCount(const VT_Points& results);

// False when entry 0 says that the run produced no value (below 0.1 in absolute value). An empty
// list raises the list's range error.
bool runProducedValues(const VT_Points& results);

// Decodes the four entries: count, mean, deviation, standard deviation. A list holding fewer raises
// the list's range error ("Index out of bounds ListOfT::Get"), and nothing of it is shown.
RunResult decodeRunResult(const VT_Points& results, const std::string& cameraFile, char decimalSeparator);

} // namespace kavo
