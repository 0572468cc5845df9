#pragma once
// Synthetic series for the refined fit's tests, made with the fit's own camera model and handed
// over as the compute command reads them, and the sample series read from its files.
#include "core/vt_point.h"
#include "datafiles/camera_file.h"
#include "datafiles/coordinate_files.h"
#include "datafiles/list_file.h"
#include "refine/refine_types.h"
#include "refine/synthetic_geometry.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace kavo::testing {

// A printed 8 × 7 chessboard's inner corners (30 mm apart) seen by a camera of f = 1600 px on a
// 1920 × 1080 sensor, stepping back 20 mm along its axis for 10 images, corners found to 0.04 px.
inline SyntheticGeometryOptions boardSeries(std::uint64_t seed) {
  SyntheticGeometryOptions o;
  o.rows = 7;
  o.cols = 8;
  o.pitch = 30.0;
  o.focal = 1600.0;
  o.images = 10;
  o.step = 20.0;
  o.noise = 0.04;
  o.seed = seed;
  o.imageWidth = 1920.0;
  o.imageHeight = 1080.0;
  return o;
}

inline RefineInput refineInputFor(const SyntheticGeometry& g, const SyntheticGeometryOptions& o) {
  RefineInput in;
  in.points = correctedPoints(g, o);
  in.settings.imageWidth = o.imageWidth;
  in.settings.imageHeight = o.imageHeight;
  in.settings.imageValues = g.listedSteps;
  in.settings.imageValues.push_back(g.listedSteps.empty() ? 0.0 : g.listedSteps.back());
  in.settings.threads = 1;
  in.imageCentreX = o.imageWidth / 2.0;
  in.imageCentreY = o.imageHeight / 2.0;
  in.circleRadius = o.circleRadius; // as kavo-cli compute --circle-radius gives it
  return in;
}

inline RefineInput refineInputFor(const SyntheticGeometryOptions& o) {
  return refineInputFor(makeSyntheticGeometry(o), o);
}

inline double relativeError(double value, double truth) {
  return std::fabs(value - truth) / truth;
}

// Every number of a result is finite: a degenerate series may fail, never print NaN.
inline bool allFinite(const RefinedResult& r) {
  bool ok = std::isfinite(r.focal) && std::isfinite(r.standardError) && std::isfinite(r.intervalLow) &&
            std::isfinite(r.intervalHigh) && std::isfinite(r.principalPointX) &&
            std::isfinite(r.principalPointY) && std::isfinite(r.k1) && std::isfinite(r.k2) &&
            std::isfinite(r.tiltDegrees) && std::isfinite(r.reprojectionRms);
  for (const ImageFit& i : r.images) {
    ok = ok && std::isfinite(i.rms) && std::isfinite(i.measuredDistance) && std::isfinite(i.fittedDistance);
  }
  for (const StepCheck& s : r.steps) {
    ok = ok && std::isfinite(s.stated) && std::isfinite(s.measured) && std::isfinite(s.standardError);
  }
  return ok;
}

// The sample series of examples/sample, read as the compute command reads it ("." separator).
// Whether the fit gave a warning that starts with start.
inline bool hasWarning(const RefinedResult& r, const std::string& start) {
  return std::any_of(r.warnings.begin(), r.warnings.end(),
                     [&](const std::string& w) { return w.rfind(start, 0) == 0; });
}

// The outside study's short series: `kavo-cli synth --grid 8x7 --pitch 30 --focal 1600 --images 3
// --step 20 --noise 0.05 --tilt 3 --step-jitter 0.05`.
inline SyntheticGeometryOptions threeImages(std::uint64_t seed) {
  SyntheticGeometryOptions o;
  o.rows = 8;
  o.cols = 7;
  o.pitch = 30.0;
  o.focal = 1600.0;
  o.images = 3;
  o.step = 20.0;
  o.noise = 0.05;
  o.tiltDegrees = 3.0;
  o.stepJitter = 0.05;
  o.seed = seed;
  return o;
}

inline RefineInput sampleSeriesInput(const std::string& folder) {
  RefineInput in;
  std::vector<std::string> table;
  double focal = 0.0;
  ReadCameraFile(folder + "/camera.cam", in.imageCentreX, in.imageCentreY, table, focal,
                 in.settings.imageWidth, in.settings.imageHeight, '.');
  VT_Points scene(1);
  ReadScenePoints(folder + "/scene.crd", scene, '.');
  for (int i = 0; i < scene.Count(); ++i) {
    in.points.scene.push_back({scene.Get(i)->x, scene.Get(i)->y});
  }
  std::array<std::string, 101> names{};
  std::array<double, 101> steps{};
  int count = 0;
  ReadListFile(folder + "/series.lst", names, steps, count, '.');
  for (int j = 0; j < count; ++j) {
    VT_Points pts(1);
    ReadImagePoints(folder + "/" + names[static_cast<std::size_t>(j)], pts, table, in.imageCentreX,
                    in.imageCentreY, '.');
    std::vector<Point2> image;
    for (int i = 0; i < pts.Count(); ++i) {
      image.push_back({pts.Get(i)->x, pts.Get(i)->y});
    }
    in.points.images.push_back(std::move(image));
    in.settings.imageValues.push_back(steps[static_cast<std::size_t>(j)]);
  }
  return in;
}

} // namespace kavo::testing
