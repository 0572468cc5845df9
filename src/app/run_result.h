#pragma once
#include "app/settings_numbers.h"
#include "core/vt_point.h"
#include "estimator/estimator.h"
#include "refine/refine_types.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavo {

// An input file of a run, with the SHA-256 of its bytes taken when the run read it.
struct RunInputFile {
  std::string role;   // "Файл внутренней геометрии", "Изображение 3", ...
  std::string path;   // as the run opened it
  std::string sha256; // 64 lowercase hex digits; empty when the digest could not be taken
  std::string digestProblem; // why not
};

// What a run read and how it was set: the record the report files beside the result.
struct RunInputs {
  // Camera, scene and list file, then the correction table and the images, as far as they were read.
  std::vector<RunInputFile> files;
  SettingsNumbers settings; // as the run was started, in the settings dialog's units
  int imageCount = 0;
  int scenePointCount = 0;
  long long measuredPointCount = 0;  // over all images
  std::vector<std::string> warnings; // what the command said on the way without stopping
  char decimalSeparator = '.';
};

// What the run went on to after its classic result: the refined fit, the intervals of both results
// and the checks of the series, with the corrected points and the camera facts the report draws the
// residuals with.
struct RunAssessment {
  SeriesAssessment series;   // refined.ok false with its message when the fit failed
  EstimatorInput points;     // the corrected image points the run worked on
  double imageCentreX = 0.0; // camera file lines 1 and 2
  double imageCentreY = 0.0;
  double verticalScale = 1.0; // line 1 of the correction table
};

// The result of one run as the program shows, saves and reports it, decoded once from the worker's
// result list. It is the one value the window, Save, the command line and the report read; the
// refined result travels beside the classic fields and never changes them.
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

  // Empty when the run did not go on to the refined fit (switched off).
  std::optional<RunAssessment> assessment;
  // The run's individual values, for the report's distribution.
  std::shared_ptr<const FocalValues> values;
  RunInputs inputs;
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
