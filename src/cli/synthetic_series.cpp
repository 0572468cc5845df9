#include "cli/synthetic_series.h"

#include "core/error.h"
#include "datafiles/camera_lines.h"
#include "datafiles/coordinate_files.h"
#include "datafiles/correction_table.h"
#include "datafiles/list_file.h"
#include "platform/text_file.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <random>
#include <vector>

namespace kavo {

namespace {

// Standard normal numbers from the raw 64-bit generator (Box–Muller), so that a seed gives the
// same series with every standard library.
class Gaussian {
public:
  explicit Gaussian(std::uint64_t seed) : engine(seed) {}
  double next() {
    const double u1 = (static_cast<double>(engine() >> 11) + 1.0) * 0x1.0p-53; // (0, 1]
    const double u2 = static_cast<double>(engine() >> 11) * 0x1.0p-53;         // [0, 1)
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
  }

private:
  std::mt19937_64 engine;
};

std::string shortest(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// Each writer returns the reason it could not write, naming the file.
void check(const std::string& error) {
  if (!error.empty()) {
    throw Error(error);
  }
}

std::string imageName(int index) {
  const std::string number = std::to_string(index + 1);
  return "img" + std::string(number.size() < 2 ? 2 - number.size() : 0, '0') + number + ".crd";
}

} // namespace

std::string synthOptionsProblem(const SynthOptions& o) {
  if (o.rows < 2 || o.cols < 2 || o.rows * o.cols < 4) {
    return "the grid needs at least 2 × 2 reference points";
  }
  if (o.rows * o.cols > 1000) {
    return "the grid may hold at most 1000 reference points";
  }
  if (o.images < 2 || o.images > 101) {
    return "the series needs between 2 and 101 images";
  }
  if (!(o.pitch > 0.0) || !(o.focal > 0.0) || !(o.step > 0.0) || !std::isfinite(o.pitch) ||
      !std::isfinite(o.focal) || !std::isfinite(o.step)) {
    return "pitch, focal length and step must be positive numbers";
  }
  if (!(o.noise >= 0.0) || !std::isfinite(o.noise)) {
    return "the noise must be zero or a positive number";
  }
  return {};
}

SynthSeries writeSyntheticSeries(const std::string& folder, const SynthOptions& o) {
  const std::string problem = synthOptionsProblem(o);
  if (!problem.empty()) {
    throw Error(problem);
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    throw Error(folder + ": cannot create the folder: " + ec.message());
  }
  const std::string dir = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  const char sep = o.decimalSeparator;
  const double cx = o.imageWidth / 2.0;
  const double cy = o.imageHeight / 2.0;
  const double targetWidth = (o.cols - 1) * o.pitch;
  const double targetHeight = (o.rows - 1) * o.pitch;
  // At the first image the target fills 90 percent of the frame along its tighter side.
  const double startDistance =
      o.focal * std::max(targetWidth / (0.9 * o.imageWidth), targetHeight / (0.9 * o.imageHeight));

  SynthSeries series;
  series.cameraFile = dir + "camera.cam";
  series.sceneFile = dir + "scene.crd";
  series.listFile = dir + "series.lst";
  series.startDistance = startDistance;

  CameraGeometry camera;
  camera.imageCentreX = cx;
  camera.imageCentreY = cy;
  camera.correctionTable = "correction.txt";
  camera.imageWidth = o.imageWidth;
  camera.imageHeight = o.imageHeight;
  camera.principalPointX = cx;
  camera.principalPointY = cy;
  check(writeCameraFile(series.cameraFile, camera, sep));
  check(writeUndistortedCorrectionTable(dir + "correction.txt", o.imageWidth, o.imageHeight, sep));

  std::vector<CoordinatePair> scene;
  for (int r = 0; r < o.rows; ++r) {
    for (int c = 0; c < o.cols; ++c) {
      scene.push_back({c * o.pitch, r * o.pitch});
    }
  }
  check(writeCoordinateFile(series.sceneFile, scene, sep));

  Gaussian gaussian(o.seed);
  std::vector<std::string> names;
  for (int i = 0; i < o.images; ++i) {
    const double distance = startDistance + i * o.step;
    std::vector<CoordinatePair> measured;
    for (int r = 0; r < o.rows; ++r) {
      for (int c = 0; c < o.cols; ++c) {
        // Measured rows grow downwards while the target's Y grows upwards.
        double u = cx + o.focal * (c * o.pitch - targetWidth / 2.0) / distance;
        double v = cy - o.focal * (r * o.pitch - targetHeight / 2.0) / distance;
        if (o.noise > 0.0) {
          u += o.noise * gaussian.next();
          v += o.noise * gaussian.next();
        }
        measured.push_back({u, v});
      }
    }
    check(writeCoordinateFile(dir + imageName(i), measured, sep));
    names.push_back(imageName(i));
  }
  check(writeListFile(series.listFile, names, std::vector<double>(o.images - 1, o.step), sep));

  check(saveLines(dir + "truth.json",
                  {"{", "  \"focal\": " + shortest(o.focal) + ",",
                   "  \"grid\": \"" + std::to_string(o.rows) + "x" + std::to_string(o.cols) + "\",",
                   "  \"pitch\": " + shortest(o.pitch) + ",",
                   "  \"images\": " + std::to_string(o.images) + ",", "  \"step\": " + shortest(o.step) + ",",
                   "  \"noise\": " + shortest(o.noise) + ",", "  \"seed\": " + std::to_string(o.seed) + ",",
                   "  \"startDistance\": " + shortest(startDistance) + ",",
                   "  \"imageWidth\": " + shortest(o.imageWidth) + ",",
                   "  \"imageHeight\": " + shortest(o.imageHeight), "}"}));
  return series;
}

} // namespace kavo
