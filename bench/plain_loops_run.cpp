// The straightforward implementation, for timing whole runs side by side with kavo-cli: reads a series
// as `kavo-cli compute` does, enumerates it with the plain nested loops of the estimator tests (every
// base and partner image solved afresh with the full 8 × 9 elimination, every value kept in one
// array) and reduces the values with the plain statistics passes. It prints the count and the three
// numbers, which must equal kavo-cli's to the last bit.
//
//   plain_loops_run --camera F.cam --scene S.crd --list L.lst [--min-spacing 30] [--min-angle 30]
//                   [--first-image 1] [--second-image 2] [--clip-sigma 3] [--decimal-separator .]
#include "app/settings_input.h"
#include "datafiles/camera_file.h"
#include "datafiles/coordinate_files.h"
#include "datafiles/list_file.h"
#include "platform/paths.h"
#include "reference_enumeration.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>

namespace {

struct PlainRequest {
  std::string camera;
  std::string scene;
  std::string list;
  double minSpacingPercent = 30.0;
  double minAngleDegrees = 30.0;
  int firstImage = 1;
  int secondImage = 2;
  double clipSigma = 3.0;
  std::string separator = ".";
};

std::vector<kavo::Point2> copyPoints(const kavo::VT_Points& points) {
  std::vector<kavo::Point2> copy;
  for (int i = 0; i < points.Count(); ++i) {
    copy.push_back({points.Get(i)->x, points.Get(i)->y});
  }
  return copy;
}

void check(const kavo::ReadStatus& status) {
  if (!status.ok) {
    throw kavo::Error(status.message + " " + status.detail);
  }
}

// Loads the series the way the compute command does: camera file, scene, list, then each image's
// points corrected through the camera's table.
kavo::EstimatorInput load(const PlainRequest& r, kavo::EstimatorSettings& s) {
  const char sep = r.separator.empty() ? '.' : r.separator[0];
  double centreX = 0;
  double centreY = 0;
  double focal = 0;
  std::vector<std::string> table;
  check(kavo::ReadCameraFile(r.camera, centreX, centreY, table, focal, s.imageWidth, s.imageHeight, sep));
  kavo::VT_Points scene(1);
  check(kavo::ReadScenePoints(r.scene, scene, sep));
  std::array<std::string, 101> names;
  std::array<double, 101> steps{};
  int images = 0;
  check(kavo::ReadListFile(r.list, names, steps, images, sep));
  kavo::EstimatorInput in;
  in.scene = copyPoints(scene);
  for (int m = 0; m < images; ++m) {
    kavo::VT_Points points(1);
    const std::string name = kavo::nativePath(names[static_cast<std::size_t>(m)]);
    const std::string path = name.front() == '/' ? name : kavo::folderOf(r.list) + name;
    check(kavo::ReadImagePoints(path, points, table, centreX, centreY, sep));
    in.images.push_back(copyPoints(points));
  }
  s.imageValues.assign(steps.begin(), steps.begin() + images);
  s.minPointSpacing = kavo::minPointSpacingFromPercent(r.minSpacingPercent);
  s.minLineAngle = kavo::minLineAngleFromDegrees(r.minAngleDegrees);
  s.firstImageNumber = r.firstImage;
  s.secondImageNumber = r.secondImage;
  return in;
}

struct Triple {
  double mean = 0;
  double deviation = 0;
  double standardDeviation = 0;
};

// The statistics of the values inside [low, high], summed in list order.
Triple plainStatistics(const std::vector<double>& values, double low, double high) {
  double sum = 0;
  std::size_t n = 0;
  for (const double v : values) {
    if (low <= v && v <= high) {
      sum += v;
      ++n;
    }
  }
  Triple t;
  t.mean = sum / static_cast<double>(n);
  double squares = 0;
  for (const double v : values) {
    if (low <= v && v <= high) {
      squares += (v - t.mean) * (v - t.mean);
    }
  }
  t.deviation = n >= 2 ? std::sqrt(squares / static_cast<double>(n - 1)) : 0.0;
  t.standardDeviation = t.deviation / std::sqrt(static_cast<double>(n));
  return t;
}

} // namespace

int main(int argc, char** argv) {
  PlainRequest r;
  CLI::App app{"The plain nested loops on a series, for timing whole runs", "plain_loops_run"};
  app.add_option("--camera", r.camera)->required();
  app.add_option("--scene", r.scene)->required();
  app.add_option("--list", r.list)->required();
  app.add_option("--min-spacing", r.minSpacingPercent);
  app.add_option("--min-angle", r.minAngleDegrees);
  app.add_option("--first-image", r.firstImage);
  app.add_option("--second-image", r.secondImage);
  app.add_option("--clip-sigma", r.clipSigma);
  app.add_option("--decimal-separator", r.separator);
  CLI11_PARSE(app, argc, argv);
  try {
    kavo::EstimatorSettings s;
    const kavo::EstimatorInput in = load(r, s);
    const kavo::testing::ReferenceOutcome run = kavo::testing::referenceEnumeration(in, s);
    if (run.reason != kavo::AbandonReason::None) {
      std::printf("abandoned: %s\n", kavo::abandonReasonName(run.reason));
      return 1;
    }
    std::printf("values %zu\n", run.values.size());
    if (run.values.empty()) {
      return 1;
    }
    const double inf = std::numeric_limits<double>::infinity();
    const Triple all = plainStatistics(run.values, -inf, inf);
    const Triple kept = plainStatistics(run.values, all.mean - r.clipSigma * all.deviation,
                                        all.mean + r.clipSigma * all.deviation);
    std::printf("mean %.17g\ndeviation %.17g\nstandard deviation %.17g\n", kept.mean, kept.deviation,
                kept.standardDeviation);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
