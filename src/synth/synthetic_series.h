#pragma once
#include "refine/synthetic_geometry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kavo {

// A synthetic calibration series: a flat target of rows × cols reference points, a camera looking
// straight at its centre and moved away from it by the same step between exposures, measured
// points with optional Gaussian noise, and a correction table that leaves coordinates as measured.
// The target may be tilted, the lens may distort (which the table does not undo), the principal
// point may lie off the image centre, and the camera's true steps may differ from the listed ones.
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
  double tiltDegrees = 0.0; // the target turned about its own axis: top ('x') or right side ('y') away
  char tiltAxis = 'x';
  double k1 = 0.0; // radial distortion at the normalised radius (x/z, y/z)
  double k2 = 0.0;
  double principalOffsetX = 0.0; // principal point minus image centre, pixels, y downwards
  double principalOffsetY = 0.0;
  double stepJitter = 0.0;                 // standard deviation of the true steps around the listed one
  std::vector<ListedStepError> stepErrors; // steps the list states wrongly
  double railDegreesX = 0.0;               // the camera's travel off its axis, degrees to the right and down
  double railDegreesY = 0.0;
  double circleRadius = 0.0; // circles of this radius (mm) found by their outlines; 0: points
};

struct SynthSeries {
  std::string cameraFile;
  std::string sceneFile;
  std::string listFile;
  double startDistance = 0.0; // from the camera to the target at the first image, millimetres
};

// Reads the options given as text: the tilt axis ("x" or "y"), the principal point offset ("X,Y",
// pixels), wrong steps ("K:MM": the step after image K is listed MM longer than it was; repeat
// for more) and the rail's direction ("X,Y", degrees to the right and down). Empty texts leave the
// options as they are. Returns the problem, or "".
std::string applySynthTexts(SynthOptions& options, const std::string& tiltAxis,
                            const std::string& principalOffset, const std::vector<std::string>& stepErrors,
                            const std::string& rail = {});

// Checks the options; returns the reason they cannot make a series, or "" when they can.
std::string synthOptionsProblem(const SynthOptions& options);

// Writes camera.cam, correction.txt, scene.crd, img01.crd …, series.lst and truth.json into folder
// (created when missing). Throws kavo::Error naming the file that could not be written.
SynthSeries writeSyntheticSeries(const std::string& folder, const SynthOptions& options);

} // namespace kavo
