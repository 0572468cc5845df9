#pragma once
#include "app/camera_export.h"
#include "app/run_result.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace kavo {

// The files of kavo-cli compute that carry the refined camera to other tools: the camera in OpenCV's,
// ROS's and COLMAP's formats and the correction table made from the fitted distortion. Empty names
// are not written; "-" is standard output.
struct CameraOutputs {
  std::string openCv;
  std::string ros;
  std::string colmap;
  std::string correction;
};

// Registers --export-opencv, --export-ros, --export-colmap and --write-correction on compute.
void addCameraOutputOptions(CLI::App& compute, CameraOutputs& outputs);

// Why the outputs cannot be asked for with these options ("" when they can): each needs the refined
// fit, which --no-refine skips.
std::string cameraOutputsProblem(const CameraOutputs& outputs, bool noRefine);

// The outputs asked for, each with its option, in the order of the options above.
struct CameraOutputRequest {
  const char* option = "";
  CameraOutputKind kind = CameraOutputKind::OpenCv;
  std::string path;
};
std::vector<CameraOutputRequest> cameraOutputRequests(const CameraOutputs& outputs);

// Writes one from the run's refined result, atomically, or to out for "-". Returns "" when written,
// otherwise why not (a run without a refined value writes none of them).
std::string writeCameraOutputOf(const CameraOutputRequest& output, const RunResult& run, std::ostream& out);

} // namespace kavo
