#include "cli/compute_exports.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace kavo {

void addCameraOutputOptions(CLI::App& compute, CameraOutputs& outputs) {
  compute.add_option("--export-opencv", outputs.openCv,
                     "Write the refined camera as OpenCV FileStorage YAML (camera_matrix, "
                     "distortion_coefficients)");
  compute.add_option("--export-ros", outputs.ros, "Write the refined camera as ROS camera_info YAML");
  compute.add_option("--export-colmap", outputs.colmap,
                     "Write the refined camera as COLMAP cameras.txt (one OPENCV camera)");
  compute.add_option("--write-correction", outputs.correction,
                     "Write the refined k1, k2 as a correction table for the camera file's line 3");
}

std::string cameraOutputsProblem(const CameraOutputs& outputs, bool noRefine) {
  const auto requests = cameraOutputRequests(outputs);
  if (requests.empty() || !noRefine) {
    return {};
  }
  return std::string(requests.front().option) + " needs the refined fit, which --no-refine skips";
}

std::vector<CameraOutputRequest> cameraOutputRequests(const CameraOutputs& outputs) {
  std::vector<CameraOutputRequest> requests;
  const auto add = [&requests](const char* option, CameraOutputKind kind, const std::string& path) {
    if (!path.empty()) {
      requests.push_back({option, kind, path});
    }
  };
  add("--export-opencv", CameraOutputKind::OpenCv, outputs.openCv);
  add("--export-ros", CameraOutputKind::Ros, outputs.ros);
  add("--export-colmap", CameraOutputKind::Colmap, outputs.colmap);
  add("--write-correction", CameraOutputKind::CorrectionTable, outputs.correction);
  return requests;
}

std::string writeCameraOutputOf(const CameraOutputRequest& output, const RunResult& run, std::ostream& out) {
  if (output.path != "-") {
    return writeCameraOutput(run, output.kind, output.path);
  }
  const CameraOutputBytes file = cameraOutputBytes(run, output.kind);
  if (!file.refusal.empty()) {
    return cameraOutputName(output.kind) + " не записана: " + file.refusal;
  }
  out << file.bytes << std::flush;
  return out.good() ? std::string() : cameraOutputName(output.kind) + " не записана в стандартный вывод";
}

} // namespace kavo
