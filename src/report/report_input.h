#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kavo {

// Everything the calibration report shows, as plain data: the front ends fill it from the run and
// the report draws it without computing anything of the calibration itself.

struct ReportFile {
  std::string role; // "Файл внутренней геометрии", "Файл координат точек сцены", ...
  std::string path; // full path as the run used it
  std::string sha256;        // 64 lowercase hex digits; empty until addFileDigests has run
  std::string digestProblem; // why there is no digest: the file could not be read
};

// The settings in the units of the settings dialog.
struct ReportSettings {
  double clipSigma = 3.0;
  double minAngleDegrees = 30.0;
  double minSpacingPercent = 30.0; // of the image diagonal
  int firstImage = 1;
  int secondImage = 2;
  int mode = 1;                 // 1 "Обычный", 2 "Отладочный"
  double stepAccuracyMm = 0.05; // the stated accuracy of a camera step
  double circleRadiusMm = 0.0;  // the target's circles; 0 for corners
};

// A 95 % interval for a focal length, with its standard error and how it was found.
struct ReportInterval {
  bool present = false;
  double standardError = 0.0;
  std::array<double, 2> interval95{}; // low, high
  std::string method;
};

// The classic estimate of the focal length: the classic mean less the shift of the classic formula
// for this geometry, as the refined model predicts it, with its own interval about the true focal
// length.
struct ReportCorrected {
  bool present = false;
  double focal = 0.0;
  double shift = 0.0; // classic minus true, pixels
  ReportInterval interval;
};

// The classic result: the three numbers the main window shows and the number of values, the interval
// of that value (where the classic mean lies for this geometry) and the corrected estimate.
struct ReportClassic {
  bool present = false;
  std::string absentReason; // the run's message when it gave no focal length
  std::int64_t valueCount = 0;
  double focal = 0.0;
  double deviation = 0.0;
  double standardDeviation = 0.0;
  ReportInterval uncertainty; // of the classic value, about the mean
  ReportCorrected corrected;
  std::string intervalNote; // a sentence under the interval, such as what the debug mode clipped
};

// The refined result in the shape of its JSON object ("refined": {...}; its per-image RMS goes to
// ReportInput::imageRms). Steps count from 1 in list order: `after` k lies between images k and k + 1.
enum class RefinedStatus { NotRun, Ok, Failed };

struct ReportRefinedStep {
  int after = 0;
  double stated = 0.0;   // millimetres, from the list file
  double measured = 0.0; // millimetres, as the data measure it
  bool suspect = false;
};

// A point the robust loss of the refined fit gave less than its full weight.
struct ReportDownWeighted {
  int image = 0; // from 1
  int point = 0; // from 1, the line of the coordinate file
  double weight = 1.0;
};

struct ReportDistortion {
  double k1 = 0.0;
  double k2 = 0.0;
};

// One image of the refined fit: its reprojection RMS, or not used (too few usable points).
struct ReportImageFit {
  int image = 0; // from 1
  double rms = 0.0;
  bool used = false;
};

struct ReportRefined {
  RefinedStatus status = RefinedStatus::NotRun;
  std::string message; // why it failed or was not run
  double focal = 0.0;
  double standardError = 0.0;
  std::array<double, 2> interval95{};
  std::array<double, 2> principalPoint{};
  ReportDistortion distortion;
  double tiltDegrees = 0.0;
  // The camera's direction of travel against its viewing axis, degrees towards the image's right and
  // down: known only where the series determines it (a tilted target), otherwise held along the axis.
  bool railKnown = false;
  std::array<double, 2> railDegrees{};
  double railStandardError = 0.0; // degrees
  double reprojectionRms = 0.0;
  // Too few steps to show their scatter: the intervals took the stated accuracy of a step (mm).
  bool stepAccuracyUsed = false;
  double stepAccuracy = 0.0;
  std::string intervalMethod;
  std::vector<ReportImageFit> images;
  std::vector<ReportRefinedStep> steps;
  std::vector<ReportDownWeighted> downWeighted;
  std::vector<std::string> warnings;
};

// The distribution of the individual values as the distribution window shows it: its bins, range,
// mean and clipping band (see reportDistribution), and the result left after clipping.
struct ReportDistribution {
  bool present = false;
  std::int64_t valueCount = 0;
  double minValue = 0.0;
  double maxValue = 0.0;
  // The bins span the clipping band with a margin (all the values when there is no band); the values
  // beyond them are counted at either edge.
  std::vector<double> binCentres;
  std::vector<std::int64_t> binCounts;
  std::array<double, 2> range{}; // the bins' outer borders
  std::int64_t belowRange = 0;
  std::int64_t aboveRange = 0;
  double meanValue = 0.0;
  double deviation = 0.0;
  double clipFactor = 0.0;
  bool bandVisible = false;
  std::array<double, 2> band{};
  bool resultShown = false;
  double resultMean = 0.0;
};

// Per image: the image scale (or test-segment length) at its cumulative camera step, the value of
// the fitted line there and the residual; suspect marks the image reached by a suspect step.
struct ReportScalePoint {
  int image = 0;
  double cumulativeStep = 0.0; // millimetres from the first image
  double scale = 0.0;
  double fitted = 0.0;
  double residual = 0.0;
  bool suspect = false;
};

struct ReportScaleSeries {
  std::string quantity = "Длина тестового отрезка на мишени"; // the plot's title
  std::string axisQuantity = "Длина отрезка";                 // its axis label, with the unit
  std::string unit = "мм";
  std::vector<ReportScalePoint> points;
};

// The reprojection RMS of one image, pixels (the refined result's "images").
struct ReportImageRms {
  int image = 0;
  double rms = 0.0;
};

// The measured points of one image with their residuals (measured minus fitted, pixels).
struct ReportResidualPoint {
  double x = 0.0;
  double y = 0.0;
  double dx = 0.0;
  double dy = 0.0;
  bool downWeighted = false; // left out or down-weighted by the robust fit
};

struct ReportResiduals {
  int image = 0; // 0: no image
  double rms = 0.0;
  std::string positionUnit = "пикс";
  bool imageAxes = true; // positions are image coordinates: y grows downwards
  std::vector<ReportResidualPoint> points;
};

struct ReportInput {
  std::string programVersion;
  std::string date;
  char decimalSeparator = '.';
  std::vector<ReportFile> files; // camera, scene and list file first; any others after
  int imageCount = 0;
  int scenePointCount = 0;
  std::int64_t measuredPointCount = 0; // over all images
  ReportSettings settings;
  std::vector<std::string> warnings; // every warning of the run
  ReportClassic classic;
  ReportRefined refined;
  ReportDistribution distribution;
  ReportScaleSeries scale;
  std::vector<ReportImageRms> imageRms;
  ReportResiduals worstImage;
};

} // namespace kavo
