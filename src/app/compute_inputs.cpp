// The compute command's front half: reading and checking an input set before the launch.
#include "app/compute_command.h"

#include "app/input_digests.h"
#include "app/settings_input.h"
#include "datafiles/correction_table.h"

#include "datafiles/camera_file.h"
#include "datafiles/coordinate_files.h"
#include "datafiles/list_file.h"
#include "platform/paths.h"

#include <cmath>
#include <string>

namespace kavo {

namespace {

const char* const kNotEnoughPoints = "Недостаточно точек! Процедура прервана!";

UserMessage fromReader(const ReadStatus& status) {
  // Reader boxes have no owner.
  return {status.message, status.caption, status.detail, BoxOwner::None, BoxIcon::Error};
}

UserMessage ownedByMainWindow(std::string text, std::string caption, std::string detail, BoxIcon icon) {
  return {std::move(text), std::move(caption), std::move(detail), BoxOwner::MainWindow, icon};
}

} // namespace

void ComputeCommand::stopWith(const UserMessage& message) {
  last.stage = ComputeOutcome::Stage::Stopped;
  last.message = message;
  port.showMessage(message);
}

std::string ComputeCommand::imagePath(const std::string& name) const {
  const std::string path = nativePath(name);
  if (imageFolder.empty() || (!path.empty() && path.front() == '/')) {
    return path;
  }
  return imageFolder + path;
}

void ComputeCommand::N10Click() {
  if (running()) {
    // The worker reads the lists this command would clear and reload.
    view.showStatus("Счёт уже выполняется: дождитесь его окончания или остановите его.");
    return;
  }
  last = ComputeOutcome{};
  last.stage = ComputeOutcome::Stage::Stopped;
  view.showStatus({});
  try {
    if (loadInputs()) {
      launch();
    }
  } catch (const std::exception& e) {
    stopWith(ownedByMainWindow("Внутренняя ошибка! Проверьте входные данные.", "Отказ", e.what(),
                               BoxIcon::Exclamation));
  } catch (...) {
    stopWith(
        ownedByMainWindow("Внутренняя ошибка! Проверьте входные данные.", "Отказ", {}, BoxIcon::Exclamation));
  }
}

bool ComputeCommand::loadInputs() {
  view.clearMemo();
  loading = RunInputs{};
  loading.settings = settingsNumbers(state);
  loading.decimalSeparator = separator;
  // Each file's digest is taken as soon as it has been read, so the record names the bytes the run
  // worked on even if a file changes later.
  RunInputFile correctionTable;

  double focalLength = -1.0;
  ReadStatus status =
      ReadCameraFile(state.cameraFile, state.imageCentreX, state.imageCentreY, state.correctionTable,
                     focalLength, state.imageWidth, state.imageHeight, separator);
  if (!status.ok) {
    stopWith(fromReader(status));
    return false;
  }
  loading.files.push_back(readInputFile(kCameraFileRole, state.cameraFile));
  const CameraFileExtras extras = readCameraFileExtras(state.cameraFile, separator);
  if (!extras.correctionTablePath.empty()) {
    correctionTable = readInputFile(kCorrectionTableRole, extras.correctionTablePath);
  }
  refineCamera = RefineCamera{};
  refineCamera.imageCentreX = state.imageCentreX;
  refineCamera.imageCentreY = state.imageCentreY;
  refineCamera.verticalScale = correctionVerticalScale(state.correctionTable, separator).value_or(1.0);
  refineCamera.hasPrincipalPoint = extras.hasPrincipalPoint;
  refineCamera.principalPointX = extras.principalPointX;
  refineCamera.principalPointY = extras.principalPointY;
  refineCamera.decimalSeparator = separator;

  status = ReadScenePoints(state.sceneFile, *state.scenePoints, separator);
  if (!status.ok) {
    stopWith(fromReader(status));
    return false;
  }
  loading.files.push_back(readInputFile(kSceneFileRole, state.sceneFile));
  loading.scenePointCount = state.scenePoints->Count();
  if (focalLength != -1.0) {
    const UserMessage question = ownedByMainWindow("Фокусное расстояние уже вычислено. Продолжить работу?",
                                                   "Предупреждение", {}, BoxIcon::Question);
    if (!port.askYesNo(question)) {
      last.stage = ComputeOutcome::Stage::Stopped;
      return false;
    }
    last.warnings.push_back(question.text);
  }
  ReadListFile(state.listFile, state.imageFiles, state.imageValues, state.imageCount, separator);
  loading.files.push_back(readInputFile(kListFileRole, state.listFile));
  if (!correctionTable.path.empty()) {
    loading.files.push_back(std::move(correctionTable));
  }
  loading.imageCount = state.imageCount;
  if (state.scenePoints->Count() < 4) {
    stopWith(ownedByMainWindow(kNotEnoughPoints, "Ошибка!",
                               fileNameOf(state.sceneFile) + ": реперных точек: " +
                                   std::to_string(state.scenePoints->Count()) + "; нужно не меньше 4",
                               BoxIcon::Error));
    return false;
  }
  state.imagePoints.clear();
  for (int j = 0; j < state.imageCount; ++j) {
    state.imagePoints.push_back(std::make_unique<VT_Points>(1));
  }
  for (int j = 0; j < state.imageCount; ++j) {
    const auto index = static_cast<std::size_t>(j);
    const std::string path = imagePath(state.imageFiles[index]);
    VT_Points& points = *state.imagePoints[index];
    status = ReadImagePoints(path, points, state.correctionTable, state.imageCentreX, state.imageCentreY,
                             separator);
    if (!status.ok) {
      stopWith(fromReader(status));
      return false;
    }
    loading.files.push_back(readInputFile(imageRole(j + 1), path));
    loading.measuredPointCount += points.Count();
    if (points.Count() < 4) {
      stopWith(ownedByMainWindow(kNotEnoughPoints, "Ошибка!",
                                 path + ": измеренных точек: " + std::to_string(points.Count()) +
                                     "; нужно не меньше 4 (изображение " + std::to_string(j + 1) + ")",
                                 BoxIcon::Error));
      return false;
    }
  }
  if (!CheckPointSpread()) {
    const UserMessage warning =
        ownedByMainWindow("Реперные точки расположены слишком кучно. Достоверность результата низкая.",
                          "Предупреждение!", {}, BoxIcon::Warning);
    last.warnings.push_back(warning.text);
    port.showMessage(warning);
  }
  return true;
}

bool ComputeCommand::CheckPointSpread() const {
  const double diagonal =
      std::sqrt(state.imageWidth * state.imageWidth + state.imageHeight * state.imageHeight);
  for (int i = 0; i < state.imageCount && static_cast<std::size_t>(i) < state.imagePoints.size(); ++i) {
    const VT_Points& points = *state.imagePoints[static_cast<std::size_t>(i)];
    double spread = 0.0;
    for (int j = 0; j < points.Count(); ++j) {
      for (int k = j; k < points.Count(); ++k) {
        const double dx = points.Get(j)->x - points.Get(k)->x;
        const double dy = points.Get(j)->y - points.Get(k)->y;
        const double distance = std::sqrt(dx * dx + dy * dy);
        if (distance > spread) {
          spread = distance;
        }
      }
    }
    if (0.5 * diagonal > spread) {
      return false;
    }
  }
  return true;
}

} // namespace kavo
