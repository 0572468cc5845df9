#pragma once
#include <cstdint>
#include <string>

namespace kavo {

// A synthetic calibration series: a flat target of rows × cols reference points, a camera looking
// straight at its centre and moved away from it by the same step between exposures, measured
// points with optional Gaussian noise, and a correction table that leaves coordinates as measured.
struct SynthOptions {
  int rows = 7;
  int cols = 7;
  double pitch = 100.0;  // millimetres between neighbouring reference points
  double focal = 1800.0; // pixels
  int images = 6;
  double step = 25.0; // millimetres the camera moves away between two images
  double noise = 0.0; // standard deviation of the measured coordinates, pixels
  std::uint64_t seed = 1;
  double imageWidth = 2000.0;
  double imageHeight = 1500.0;
  char decimalSeparator = '.';
};

struct SynthSeries {
  std::string cameraFile;
  std::string sceneFile;
  std::string listFile;
  double startDistance = 0.0; // from the camera to the target at the first image, millimetres
};

// Checks the options; returns the reason they cannot make a series, or "" when they can.
std::string synthOptionsProblem(const SynthOptions& options);

// Writes camera.cam, correction.txt, scene.crd, img01.crd …, series.lst and truth.json into folder
// (created when missing). Throws kavo::Error naming the file that could not be written.
SynthSeries writeSyntheticSeries(const std::string& folder, const SynthOptions& options);

} // namespace kavo
