#pragma once

namespace kavo {

// The settings as the user gives them: the angle in degrees, the spacing in percent of the image
// diagonal, images by their numbers from 1. The settings dialog and kavo-cli take them in these
// units; CalibrationState keeps radians and a fraction.
struct SettingsNumbers {
  double clipSigmaCount = 3.0;
  double minLineAngleDegrees = 30.0;
  double minPointSpacingPercent = 30.0;
  int firstImageNumber = 1;
  int secondImageNumber = 2;
  int processingMode = 1;        // 1 normal, 2 debug
  bool saveRefinedValue = false; // Save writes the refined focal length instead of the classic one
};

} // namespace kavo
