#pragma once
// The bundled sample series taken along the program's road (files read, points corrected, values
// enumerated and reduced) and turned into the report's input, for the report tests.
#include "estimator/estimator.h"
#include "report/report_input.h"

#include <string>
#include <vector>

namespace kavo::testing {

struct LoadedSeries {
  std::string cameraFile;
  std::string sceneFile;
  std::string listFile;
  std::string correctionFile;
  std::vector<std::string> imageFiles; // full paths, list order
  std::vector<double> steps;           // the camera step after each image, millimetres
  EstimatorInput points;               // corrected image coordinates: image centre at 0, y up
  EstimatorSettings settings;
};

// Reads a series as the compute command does; throws kavo::Error naming what failed.
LoadedSeries loadSeries(const std::string& cameraFile, const std::string& sceneFile,
                        const std::string& listFile, char decimalSeparator);

// Runs the classic computation with the default settings and fills the report's input: files with
// their digests, counts, settings, the classic result and the distribution. The refined part is
// left not run.
ReportInput classicReportInput(const LoadedSeries& series, char decimalSeparator, int mode = 1);

} // namespace kavo::testing
