#pragma once
#include "app/run_result.h"

#include <optional>
#include <string>
#include <vector>

namespace kavo {

// The refined camera of a run as other tools take it: OpenCV's pinhole camera with radial
// distortion, in OpenCV's pixel convention (the centre of the top-left pixel at 0, 0, x to the right,
// y downwards, which is how detect measures the points).
//
// From the fit's model (coordinates relative to the image centre, y upwards, y divided by the
// correction table's vertical scale s): fx = f, fy = s·f, cx and cy the fitted principal point in
// the measured pixels, and k1, k2 at the same normalised radius (x/z, y/z) as OpenCV's; the
// tangential and third radial coefficients are 0.
struct ExportedCamera {
  int width = 0;
  int height = 0;
  double fx = 0.0;
  double fy = 0.0;
  double cx = 0.0;
  double cy = 0.0;
  double k1 = 0.0;
  double k2 = 0.0;
  // What the run adds to the camera: the refined focal length's standard error and 95 % interval,
  // the fit's residual and the target's tilt, and the inputs with their digests.
  double standardError = 0.0;
  double intervalLow = 0.0;
  double intervalHigh = 0.0;
  double reprojectionRms = 0.0;
  double tiltDegrees = 0.0;
  std::string cameraName; // the camera file's name without its extension, as an identifier
  std::vector<RunInputFile> inputs;
};

// The run's camera, or why it cannot be exported (no refined value shown, an image size that is no
// whole number of pixels, or a correction table that changes the measured points, after which the
// fitted camera would not describe the photos themselves).
struct CameraExportSource {
  std::optional<ExportedCamera> camera;
  std::string refusal;
};
CameraExportSource exportedCamera(const RunResult& result);

// Why the run's correction table is not the identity on the image ("" when it leaves every measured
// coordinate as it is, apart from the vertical scale).
std::string correctionTableChange(const CameraFacts& camera, char decimalSeparator);

enum class CameraExportFormat {
  OpenCv, // cv::FileStorage YAML
  Ros,    // the camera_info YAML of ROS's camera calibration parsers
  Colmap, // COLMAP's cameras.txt with one OPENCV camera
};

// The file's text (UTF-8, LF). Numbers are written in the shortest form that reads back as the same
// double, always with a decimal point, so that YAML readers take them as floating point.
std::string cameraExportText(const ExportedCamera& camera, CameraExportFormat format);

// The files that carry a run's refined camera out: the three formats above and the correction table
// made from the fitted distortion (correction_from_fit.h).
enum class CameraOutputKind { OpenCv, Ros, Colmap, CorrectionTable };

// How the messages name the file: "камера в формате OpenCV", ..., "таблица коррекции".
std::string cameraOutputName(CameraOutputKind kind);

// The bytes of the file, or why the run gives none (the text says so in full: no refined value
// shown, the run's own correction table, a distortion that cannot be undone).
struct CameraOutputBytes {
  std::string bytes;
  std::string refusal;
};
CameraOutputBytes cameraOutputBytes(const RunResult& result, CameraOutputKind kind);

// Writes the file atomically (only a regular file is replaced). Returns "" when written, otherwise
// why not, beginning with the file's name as cameraOutputName says it.
std::string writeCameraOutput(const RunResult& result, CameraOutputKind kind, const std::string& path);

// A number as the exports write it (exposed for the tests of the formats).
std::string exportNumber(double value);

} // namespace kavo
