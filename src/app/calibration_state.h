#pragma once
#include "app/run_result.h"

#include <numbers>
#include <optional>
#include <string>

namespace kavo {

// Everything the main window holds about the calibration in progress: the chosen files, the settings
// and the result it shows. It lives as long as the main window and starts from these defaults every
// time the program starts. What a run reads from the files belongs to that run's result.
struct CalibrationState {
  // Files.
  std::string cameraFile;
  std::string sceneFile;
  std::string listFile;
  std::string startDirectory; // the current directory when the program starts

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
  double stepAccuracy = 0.05; // millimetres ("Точность шага камеры", kavo-cli --step-accuracy)
  double circleRadius = 0.0; // millimetres, 0 for corners ("Радиус кругов мишени", --circle-radius)

  // Runs and results.
  int doneCount = 0; // results of the current run handed to the window (at most one)
  // The result the window shows, the only one Save and the report may write; empty at start and once
  // a file has been picked since (the result fields are cleared then).
  std::optional<RunResult> shownResult;
  bool resultSaved = true; // false while the shown result has not been written
};

} // namespace kavo
