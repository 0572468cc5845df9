#pragma once
#include "app/calibration_state.h"
#include "app/settings_numbers.h"
#include "platform/user_port.h"

#include <optional>
#include <string>

namespace kavo {

// The settings dialog's fields as texts: the clipping factor, the angle, the spacing, the two image
// numbers, the processing mode (1 or 2), the box "Сохранять уточнённое значение", the camera
// step's accuracy and the radius of the target's circles.
struct SettingsTexts {
  std::string clipSigmaCount;
  std::string minLineAngleDegrees;
  std::string minPointSpacingPercent;
  std::string firstImageNumber;
  std::string secondImageNumber;
  int processingMode = 1;
  bool saveRefinedValue = false;
  std::string stepAccuracy; // millimetres
  std::string circleRadius; // millimetres, 0 for corners
};

// Degrees × π × (1/180) and percent × 0.01, each product formed in extended precision and stored as
// a double: the desktop and the command line store the very same doubles.
double minLineAngleFromDegrees(double degrees);
double minPointSpacingFromPercent(double percent);

// The dialog's texts for the state (the numbers in the general form, so the defaults show as 3, 30
// and 30), and for "Восстановить исходные".
SettingsTexts settingsTexts(const CalibrationState& state, char decimalSeparator);
SettingsTexts defaultSettingsTexts(char decimalSeparator);

// The state's settings in the user's units.
SettingsNumbers settingsNumbers(const CalibrationState& state);

// The dialog's OK, in its order: each of the first three numbers is stored as soon as
// it converts, so a later failure leaves the earlier ones applied; the step accuracy, the circles'
// radius, the image numbers, the mode and the saved value's choice only when everything is accepted. Returns
// the box to show when something is refused.
std::optional<UserMessage> applySettingsTexts(CalibrationState& state, const SettingsTexts& texts,
                                              char decimalSeparator);

// The checks the dialog makes of numbers already read (kavo-cli's options): the box it would show.
std::optional<UserMessage> settingsRefusal(const SettingsNumbers& numbers);

// The same checks and units for numbers already read, stored into the state.
std::optional<UserMessage> applySettings(CalibrationState& state, const SettingsNumbers& numbers);

} // namespace kavo
