#include "cli/synthetic_series.h"

#include "core/error.h"
#include "datafiles/number_text.h"
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

void save(const std::string& path, const std::vector<std::string>& lines) {
  const std::string error = saveLines(path, lines);
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

  save(series.cameraFile,
       {formatGeneral(cx, sep) + " ; Координата X центра изображения",
        formatGeneral(cy, sep) + " ; Координата Y центра изображения", "correction.txt ; Таблица коррекции",
        " ; Фокусное расстояние", formatGeneral(o.imageWidth, sep) + " ; Размер изображения по горизонтали",
        formatGeneral(o.imageHeight, sep) + " ; Размер изображения по вертикали",
        formatGeneral(cx, sep) + " ; Координата X главной точки",
        formatGeneral(cy, sep) + " ; Координата Y главной точки"});
  // One range wider than the image, x' = x and y' = y: the measured points need no correction.
  save(dir + "correction.txt",
       {"1", formatGeneral(-o.imageWidth, sep) + " " + formatGeneral(-o.imageHeight, sep) + " " +
                 formatGeneral(2 * o.imageWidth, sep) + " " + formatGeneral(2 * o.imageHeight, sep) +
                 " X 0 1 - Y 0 1 - ; без искажений"});

  std::vector<std::string> scene;
  for (int r = 0; r < o.rows; ++r) {
    for (int c = 0; c < o.cols; ++c) {
      scene.push_back(formatGeneral(c * o.pitch, sep) + " ; " + formatGeneral(r * o.pitch, sep));
    }
  }
  save(series.sceneFile, scene);

  Gaussian gaussian(o.seed);
  std::vector<std::string> list;
  for (int i = 0; i < o.images; ++i) {
    const double distance = startDistance + i * o.step;
    std::vector<std::string> lines;
    for (int r = 0; r < o.rows; ++r) {
      for (int c = 0; c < o.cols; ++c) {
        // Measured rows grow downwards while the target's Y grows upwards.
        double u = cx + o.focal * (c * o.pitch - targetWidth / 2.0) / distance;
        double v = cy - o.focal * (r * o.pitch - targetHeight / 2.0) / distance;
        if (o.noise > 0.0) {
          u += o.noise * gaussian.next();
          v += o.noise * gaussian.next();
        }
        lines.push_back(formatGeneral(u, sep) + " ; " + formatGeneral(v, sep));
      }
    }
    save(dir + imageName(i), lines);
    list.push_back(imageName(i));
  }
  for (int i = 0; i + 1 < o.images; ++i) {
    list.push_back(formatGeneral(o.step, sep));
  }
  save(series.listFile, list);

  save(dir + "truth.json",
       {"{", "  \"focal\": " + shortest(o.focal) + ",",
        "  \"grid\": \"" + std::to_string(o.rows) + "x" + std::to_string(o.cols) + "\",",
        "  \"pitch\": " + shortest(o.pitch) + ",", "  \"images\": " + std::to_string(o.images) + ",",
        "  \"step\": " + shortest(o.step) + ",", "  \"noise\": " + shortest(o.noise) + ",",
        "  \"seed\": " + std::to_string(o.seed) + ",",
        "  \"startDistance\": " + shortest(startDistance) + ",",
        "  \"imageWidth\": " + shortest(o.imageWidth) + ",", "  \"imageHeight\": " + shortest(o.imageHeight),
        "}"});
  return series;
}

} // namespace kavo
