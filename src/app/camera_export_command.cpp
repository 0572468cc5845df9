#include "app/camera_export_command.h"

#include "app/save_target.h"
#include "platform/paths.h"

namespace kavo {

namespace {

constexpr CameraOutputKind kKinds[] = {CameraOutputKind::OpenCv, CameraOutputKind::Ros,
                                       CameraOutputKind::Colmap, CameraOutputKind::CorrectionTable};

const char* extensionOf(CameraOutputKind kind) {
  switch (kind) {
  case CameraOutputKind::OpenCv:
    return "yml";
  case CameraOutputKind::Ros:
    return "yaml";
  case CameraOutputKind::Colmap:
  case CameraOutputKind::CorrectionTable:
    break;
  }
  return "txt";
}

UserMessage errorBox(const std::string& text, const std::string& detail) {
  return {text, "Ошибка!", detail, BoxOwner::MainWindow, BoxIcon::Error};
}

} // namespace

std::string cameraExportFilter() {
  return "OpenCV FileStorage (*.yml)|*.yml|ROS camera_info (*.yaml)|*.yaml|COLMAP cameras.txt (*.txt)|*.txt|"
         "Таблица коррекции Kavo (*.txt)|*.txt";
}

CameraExportOutcome exportShownCamera(const CalibrationState& state, UserPort& port) {
  CameraExportOutcome outcome;
  if (!state.shownResult) {
    return outcome;
  }
  const RunResult& result = *state.shownResult;
  // Said before the dialog: a refused camera would only waste the user's choice of a file.
  if (const CameraExportSource source = exportedCamera(result); !source.camera) {
    outcome.status = CameraExportOutcome::Status::NoCamera;
    outcome.box = errorBox("Камера не экспортирована!", source.refusal);
    port.showMessage(outcome.box);
    return outcome;
  }
  FileDialogRequest request;
  request.filter = cameraExportFilter();
  request.defaultExtension = extensionOf(CameraOutputKind::OpenCv);
  const std::string base = state.listFile.empty() ? result.camera.file : state.listFile;
  request.proposedName = folderOf(base) + "camera.yml";
  const auto chosen = port.chooseSaveFileOfKind(request);
  if (!chosen) {
    outcome.status = CameraExportOutcome::Status::Cancelled;
    return outcome;
  }
  outcome.path = chosen->path;
  const int filter = chosen->filter;
  outcome.kind = filter >= 0 && filter < 4 ? kKinds[filter] : CameraOutputKind::OpenCv;
  const std::string name = fileNameOf(chosen->path);
  for (const RunInputFile& input : result.inputs.files) {
    if (sameFile(chosen->path, input.path)) {
      outcome.status = CameraExportOutcome::Status::Failed;
      outcome.box = errorBox("Файл " + name + " не записан!", name + " — входной файл результата (" +
                                                                  input.role + "), запись его бы заменила");
      port.showMessage(outcome.box);
      return outcome;
    }
  }
  if (!overwriteAllowed(port, chosen->path)) {
    outcome.status = CameraExportOutcome::Status::Declined;
    return outcome;
  }
  if (const std::string problem = writeCameraOutput(result, outcome.kind, chosen->path); !problem.empty()) {
    outcome.status = CameraExportOutcome::Status::Failed;
    outcome.box = errorBox("Файл " + name + " не записан!", problem);
    port.showMessage(outcome.box);
    return outcome;
  }
  outcome.status = CameraExportOutcome::Status::Written;
  return outcome;
}

} // namespace kavo
