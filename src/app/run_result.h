#pragma once
#include "app/settings_numbers.h"
#include "estimator/estimator.h"
#include "platform/user_port.h"
#include "refine/refine_types.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavo {

// An input file of a run, with the SHA-256 of the very bytes the run read.
struct RunInputFile {
  std::string role;   // "Файл внутренней геометрии", "Изображение 3", ...
  std::string path;   // as the run opened it
  std::string sha256; // 64 lowercase hex digits; empty when the file could not be read
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
  std::vector<std::string> warnings; // what the run said on the way without stopping
  char decimalSeparator = '.';
};

// The camera as the run's camera file and correction table describe it: everything the classic run,
// the refined fit, the report and Save take from those two files, read once.
struct CameraFacts {
  std::string file;               // the camera file's path
  std::vector<std::string> lines; // its lines as read: Save writes a copy of them
  double imageCentreX = 0.0;      // lines 1 and 2
  double imageCentreY = 0.0;
  double focalLength = -1.0; // line 4; -1 when blank
  double imageWidth = 0.0;   // lines 5 and 6
  double imageHeight = 0.0;
  bool hasPrincipalPoint = false; // lines 7 and 8, when both hold numbers
  double principalPointX = 0.0;
  double principalPointY = 0.0;
  std::optional<double> exifFocalLength; // line 9: the focal length the photos' EXIF gives, pixels
  std::string correctionTablePath;
  std::vector<std::string> correctionTable; // its lines
  double verticalScale = 1.0;               // line 1 of the table
};

// How far a run without a value got in the layout tests, in the settings dialog's units: the largest
// spacing (percent of the diagonal) and angle (degrees) a quadruple reached in an admissible image
// pair, and settings under which quadruples pass.
struct LayoutAdvice {
  bool known = false;
  double largestSpacingPercent = 0.0;
  double largestAngleDegrees = 0.0;
  bool suggested = false;
  double minSpacingPercent = 0.0;
  double minAngleDegrees = 0.0;
};

// What the run went on to after its classic stage: the refined fit, the intervals of both results
// and the checks of the series, with the corrected points the report draws the residuals with.
struct RunAssessment {
  SeriesAssessment series;    // refined.ok false with its message when the fit failed
  EstimatorInput points;      // the corrected image points the run worked on
  EstimatorSettings settings; // the classic run's settings, as the estimator took them
};

// How a run ended.
enum class RunStatus {
  Done,      // a classic value: the result is shown
  Stopped,   // stopped before the computation; message is the box (empty when the user said no)
  NoValue,   // no quadruple gave a value; message is the box; the refined fit may still be there
  Abandoned, // the computation ended without a result (cancelled included); end says why
};

// How an abandoned run ended; the window stays silent, the front ends may say it.
struct RunEnd {
  AbandonReason reason = AbandonReason::None;
  std::string detail;
};

// One run, computed from its request: how it ended, what it read, its classic result, and what it
// went on to. It is the one value the window, Save, the command line, the report and the exports
// read (through runFigures).
struct RunResult {
  RunStatus status = RunStatus::Stopped;
  UserMessage message; // Stopped and NoValue: the box that says why
  RunEnd end;          // Abandoned: why

  // The classic result (status Done): the signed numbers as computed, and the result fields as the
  // window shows them and Save writes them (the absolute values in the fixed form, "-" for both
  // deviations of a run of two values or fewer).
  long long valueCount = 0; // individual values the run produced, before clipping
  double meanValue = 0.0;
  double deviation = 0.0;
  double standardDeviation = 0.0;
  std::string focalText;
  std::string deviationText;
  std::string standardDeviationText;

  CameraFacts camera; // as far as it was read
  RunInputs inputs;
  // The refined fit and the checks (Done and NoValue); empty when switched off.
  std::optional<RunAssessment> assessment;
  // NoValue of a series of two images or more: how far its quadruples got and what would pass.
  std::optional<LayoutAdvice> layout;
  // The run's individual values, for the report's distribution and the values file.
  std::shared_ptr<const FocalValues> values;
};

inline bool hasClassicValue(const RunResult& result) {
  return result.status == RunStatus::Done;
}

// A run that was asked to stop.
inline bool wasCancelled(const RunResult& result) {
  return result.status == RunStatus::Abandoned && result.end.reason == AbandonReason::Cancelled;
}

} // namespace kavo
