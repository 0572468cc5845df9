#pragma once
// A synthetic calibration series made with the camera model of the refined fit: a flat grid target
// whose centre lies on the camera's viewing axis, tilted about one of its own axes, a camera with a
// principal point and radial distortion moved along its axis by steps that may differ from the
// listed ones, and measured points with Gaussian noise.
#include "estimator/estimator.h"
#include "refine/camera_model.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace kavo {

// The step after image `after` (from 1) is listed `error` longer than the camera moved.
struct ListedStepError {
  int after = 0;
  double error = 0.0;
};

struct SyntheticGeometryOptions {
  int rows = 7;
  int cols = 7;
  double pitch = 100.0;  // scene units between neighbouring reference points
  double focal = 1800.0; // pixels
  int images = 6;
  double step = 25.0; // listed step between two images
  double noise = 0.0; // standard deviation of the measured coordinates, pixels
  std::uint64_t seed = 1;
  double imageWidth = 2000.0;
  double imageHeight = 1500.0;
  double tiltDegrees = 0.0; // the target turned about its own axis below, top or right side away
  char tiltAxis = 'x';      // 'x': about the target's horizontal axis, 'y': about its vertical one
  double k1 = 0.0;          // radial distortion at the normalised radius (see camera_model.h)
  double k2 = 0.0;
  double principalOffsetX = 0.0; // principal point minus image centre, pixels (y downwards)
  double principalOffsetY = 0.0;
  double stepJitter = 0.0; // standard deviation of the true steps around the listed one
  std::vector<ListedStepError> stepErrors;
  bool approach = false; // the camera moves towards the target instead of away from it
  // The rail's direction against the viewing axis, degrees: towards the image's x (right) and y
  // (down). The steps are lengths along the rail.
  double railDegreesX = 0.0;
  double railDegreesY = 0.0;
  // Circles of this radius (scene units) in place of corners: each measured point is the centre of
  // the circle's outline as the lens draws it (the area centroid of its distorted image), moved by
  // the perspective shift of its ellipse as the detector undoes it (detect/subpixel.h), so that what
  // is left is the shift the distortion makes. 0: points.
  double circleRadius = 0.0;
  // A bias of each point's measured position, the same in every image (pixels, standard deviation
  // per coordinate, drawn once per point from its own stream): what a corner finder repeats when
  // every image sees the target alike.
  double pointBias = 0.0;
};

struct SyntheticGeometry {
  std::vector<Point2> scene;                 // reference points, scene units
  std::vector<std::vector<Point2>> measured; // per image: pixel column and row, with noise
  std::vector<double> listedSteps;           // one per image but the last
  std::vector<double> trueSteps;
  std::vector<double> distances; // camera to target centre along the axis, per image
  double startDistance = 0.0;
  CameraParameters camera; // principal point in the model's frame (y upwards, from the centre)
  TargetPose pose;         // at the first image
};

// Standard normal numbers from the raw 64-bit generator (Box–Muller), so that a seed gives the same
// series with every standard library.
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

SyntheticGeometry makeSyntheticGeometry(const SyntheticGeometryOptions& options);

// The measured points of a synthetic series as the compute command reads them through a correction
// table that leaves them as they are: relative to the image centre, y upwards.
EstimatorInput correctedPoints(const SyntheticGeometry& geometry, const SyntheticGeometryOptions& options);

} // namespace kavo
