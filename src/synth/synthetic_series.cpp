#include "synth/synthetic_series.h"

#include "core/error.h"
#include "datafiles/camera_lines.h"
#include "datafiles/coordinate_files.h"
#include "datafiles/correction_table.h"
#include "datafiles/list_file.h"
#include "platform/text_file.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <vector>

namespace kavo {

namespace {

std::string shortest(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string numbers(const std::vector<double>& values) {
  std::string text = "[";
  for (std::size_t i = 0; i < values.size(); ++i) {
    text += (i == 0 ? "" : ", ") + shortest(values[i]);
  }
  return text + "]";
}

SyntheticGeometryOptions geometryOf(const SynthOptions& o) {
  SyntheticGeometryOptions g;
  g.rows = o.rows;
  g.cols = o.cols;
  g.pitch = o.pitch;
  g.focal = o.focal;
  g.images = o.images;
  g.step = o.step;
  g.noise = o.noise;
  g.seed = o.seed;
  g.imageWidth = o.imageWidth;
  g.imageHeight = o.imageHeight;
  g.tiltDegrees = o.tiltDegrees;
  g.tiltAxis = o.tiltAxis;
  g.k1 = o.k1;
  g.k2 = o.k2;
  g.principalOffsetX = o.principalOffsetX;
  g.principalOffsetY = o.principalOffsetY;
  g.stepJitter = o.stepJitter;
  g.stepErrors = o.stepErrors;
  g.railDegreesX = o.railDegreesX;
  g.railDegreesY = o.railDegreesY;
  g.circleRadius = o.circleRadius;
  return g;
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

// A whole number or a decimal number with "." (the command line's notation).
bool readNumber(const std::string& text, double& value) {
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, value);
  return r.ec == std::errc() && r.ptr == end && std::isfinite(value);
}

} // namespace

std::string applySynthTexts(SynthOptions& o, const std::string& tiltAxis, const std::string& principalOffset,
                            const std::vector<std::string>& stepErrors, const std::string& rail) {
  if (!tiltAxis.empty()) {
    if (tiltAxis != "x" && tiltAxis != "y") {
      return "--tilt-axis must be x or y";
    }
    o.tiltAxis = tiltAxis[0];
  }
  if (!principalOffset.empty()) {
    const auto comma = principalOffset.find(',');
    if (comma == std::string::npos || !readNumber(principalOffset.substr(0, comma), o.principalOffsetX) ||
        !readNumber(principalOffset.substr(comma + 1), o.principalOffsetY)) {
      return "--principal-offset must look like 12.5,-8";
    }
  }
  if (!rail.empty()) {
    const auto comma = rail.find(',');
    if (comma == std::string::npos || !readNumber(rail.substr(0, comma), o.railDegreesX) ||
        !readNumber(rail.substr(comma + 1), o.railDegreesY)) {
      return "--rail must look like 2,-1 (degrees to the right and down)";
    }
  }
  for (const std::string& text : stepErrors) {
    const auto colon = text.find(':');
    double after = 0.0;
    ListedStepError e;
    if (colon == std::string::npos || !readNumber(text.substr(0, colon), after) ||
        !readNumber(text.substr(colon + 1), e.error) || after != std::floor(after) || after < 1.0 ||
        after > 1000.0) {
      return "--step-error must look like 4:-2 (the step after image 4 listed 2 mm short)";
    }
    e.after = static_cast<int>(after);
    o.stepErrors.push_back(e);
  }
  return {};
}

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
  if (!(std::fabs(o.tiltDegrees) < 60.0) || (o.tiltAxis != 'x' && o.tiltAxis != 'y')) {
    return "the tilt must lie within ±60 degrees about the axis x or y";
  }
  if (!std::isfinite(o.k1) || !std::isfinite(o.k2) || !std::isfinite(o.principalOffsetX) ||
      !std::isfinite(o.principalOffsetY)) {
    return "distortion and principal point offset must be numbers";
  }
  if (!(std::fabs(o.railDegreesX) < 30.0) || !(std::fabs(o.railDegreesY) < 30.0)) {
    return "the rail must lie within ±30 degrees of the viewing axis";
  }
  if (!(o.circleRadius >= 0.0) || !(o.circleRadius < 0.5 * o.pitch)) {
    return "the circles' radius must be zero or a positive number under half the pitch";
  }
  if (!(o.stepJitter >= 0.0) || !std::isfinite(o.stepJitter)) {
    return "the step jitter must be zero or a positive number";
  }
  for (const ListedStepError& e : o.stepErrors) {
    if (e.after < 1 || e.after >= o.images) {
      return "a wrong step must come after one of images 1 to " + std::to_string(o.images - 1);
    }
    if (!std::isfinite(e.error) || !(o.step + e.error > 0.0)) {
      return "a wrong step must still be a positive length";
    }
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
  const SyntheticGeometry geometry = makeSyntheticGeometry(geometryOf(o));
  const double startDistance = geometry.startDistance;

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

  std::vector<std::string> names;
  for (int i = 0; i < o.images; ++i) {
    std::vector<CoordinatePair> measured;
    for (const Point2& p : geometry.measured[static_cast<std::size_t>(i)]) {
      measured.push_back({p.x, p.y});
    }
    check(writeCoordinateFile(dir + imageName(i), measured, sep));
    names.push_back(imageName(i));
  }
  check(writeListFile(series.listFile, names, geometry.listedSteps, sep));

  check(saveLines(
      dir + "truth.json",
      {"{",
       "  \"focal\": " + shortest(o.focal) + ",",
       "  \"grid\": \"" + std::to_string(o.rows) + "x" + std::to_string(o.cols) + "\",",
       "  \"pitch\": " + shortest(o.pitch) + ",",
       "  \"images\": " + std::to_string(o.images) + ",",
       "  \"step\": " + shortest(o.step) + ",",
       "  \"noise\": " + shortest(o.noise) + ",",
       "  \"seed\": " + std::to_string(o.seed) + ",",
       "  \"startDistance\": " + shortest(startDistance) + ",",
       "  \"imageWidth\": " + shortest(o.imageWidth) + ",",
       "  \"imageHeight\": " + shortest(o.imageHeight) + ",",
       "  \"principalPoint\": " + numbers({cx + o.principalOffsetX, cy + o.principalOffsetY}) + ",",
       "  \"k1\": " + shortest(o.k1) + ",",
       "  \"k2\": " + shortest(o.k2) + ",",
       "  \"distortionRadius\": \"x/z, y/z\",",
       "  \"tiltDegrees\": " + shortest(o.tiltDegrees) + ",",
       std::string("  \"tiltAxis\": \"") + o.tiltAxis + "\",",
       "  \"rotation\": " +
           numbers({geometry.pose.rotation[0], geometry.pose.rotation[1], geometry.pose.rotation[2]}) + ",",
       "  \"translation\": " +
           numbers(
               {geometry.pose.translation[0], geometry.pose.translation[1], geometry.pose.translation[2]}) +
           ",",
       "  \"railDegrees\": " + numbers({o.railDegreesX, o.railDegreesY}) + ",",
       "  \"circleRadius\": " + shortest(o.circleRadius) + ",",
       "  \"stepJitter\": " + shortest(o.stepJitter) + ",",
       "  \"trueSteps\": " + numbers(geometry.trueSteps) + ",",
       "  \"listedSteps\": " + numbers(geometry.listedSteps) + ",",
       "  \"distances\": " + numbers(geometry.distances),
       "}"}));
  return series;
}

} // namespace kavo
