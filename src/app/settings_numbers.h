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
  // How well each camera step is known, millimetres (standard deviation): the intervals rest on it
  // when the series has too few steps to show their scatter (a rail read to a twentieth of a
  // millimetre by default).
  double stepAccuracy = 0.05;
  // The radius of the target's circles, millimetres, when its points are circle centres (0 for the
  // corners of a chessboard): under distortion a circle's found centre is not the image of its centre,
  // and the refined fit models the difference.
  double circleRadius = 0.0;
};

} // namespace kavo
