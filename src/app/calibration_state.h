#pragma once
#include "app/run_result.h"
#include "core/vt_point.h"

#include <array>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace kavo {

class StatFocThread;

// Everything the main window holds about the calibration in progress. It lives as long as the
// main window and starts from these defaults every time the program starts.
struct CalibrationState {
  static constexpr int kMaxImages = 101;

  // Files and what was read from them.
  std::string cameraFile;
  std::string sceneFile;
  std::string listFile;
  std::string startDirectory; // the current directory when the program starts
  double imageCentreX = 0.0;
  double imageCentreY = 0.0;
  double imageWidth = 0.0;
  double imageHeight = 0.0;
  std::vector<std::string> correctionTable;
  std::unique_ptr<VT_Points> scenePoints = std::make_unique<VT_Points>(1);
  std::array<std::string, kMaxImages> imageFiles{};
  std::array<double, kMaxImages> imageValues{};
  int imageCount = 0;
  std::vector<std::unique_ptr<VT_Points>> imagePoints; // imageCount owning lists

  // Settings.
  double clipSigmaCount = 3.0;
  double minLineAngle = std::numbers::pi / 6; // radians
  double minPointSpacing = 0.3;               // fraction of the image diagonal
  int firstImageNumber = 1;
  int secondImageNumber = 2;
  int processingMode = 1; // 1 normal ("Обычный"), 2 debug ("Отладочный")
  // Save writes the refined focal length on line 4 instead of the classic one ("Сохранять уточнённое
  // значение", kavo-cli --save-value refined).
  bool saveRefinedValue = false;

  // Run bookkeeping and results.
  std::unique_ptr<VT_Points> runResults = std::make_unique<VT_Points>(1);
  int doneCount = 0;
  // The result the window shows, the only one Save may write; empty at start and once a file has
  // been picked since (the result fields are cleared then).
  std::optional<RunResult> shownResult;
  bool resultSaved = true; // false while the shown result has not been written
  // The worker of the last run; expires when the worker has freed itself at the end of its run.
  std::weak_ptr<StatFocThread> quadrupleWorker;
};

} // namespace kavo
