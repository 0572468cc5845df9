#pragma once
#include "app/calibration_state.h"
#include "app/user_port.h"

#include <optional>
#include <string>

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
  int processingMode = 1; // 1 normal, 2 debug
};

// The settings dialog's controls as texts: Edit1 to Edit5 and the radio group (mode 1 or 2).
struct SettingsTexts {
  std::string clipSigmaCount;
  std::string minLineAngleDegrees;
  std::string minPointSpacingPercent;
  std::string firstImageNumber;
  std::string secondImageNumber;
  int processingMode = 1;
};

// Degrees × π × (1/180) and percent × 0.01, each product formed in extended precision and stored as
// a double: the desktop and the command line store the very same doubles.
double minLineAngleFromDegrees(double degrees);
double minPointSpacingFromPercent(double percent);

// The dialog's texts for the state (the numbers in the general form, so the defaults show as 3, 30
// and 30), and for "Восстановить исходные".
SettingsTexts settingsTexts(const CalibrationState& state, char decimalSeparator);
SettingsTexts defaultSettingsTexts(char decimalSeparator);

// The dialog's OK (Button1Click), in its order: each of the first three numbers is stored as soon as
// it converts, so a later failure leaves the earlier ones applied; the image numbers and the mode
// only when everything is accepted. Returns the box to show when something is refused.
std::optional<UserMessage> applySettingsTexts(CalibrationState& state, const SettingsTexts& texts,
                                              char decimalSeparator);

// The same checks and units for numbers already read (kavo-cli's options).
std::optional<UserMessage> applySettings(CalibrationState& state, const SettingsNumbers& numbers);

} // namespace kavo
