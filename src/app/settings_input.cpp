#include "app/settings_input.h"

#include "platform/number_text.h"

#include <cmath>
#include <numbers>

namespace kavo {

namespace {

UserMessage refusal(const char* text) {
  // The dialog's boxes have no owner.
  return {text, "Ошибка!", {}, BoxOwner::None, BoxIcon::Error};
}

const char* const kBadParameters = "Параметры заданы неправильно!";
const char* const kBadStepAccuracy = "Точность шага камеры должна быть неотрицательным числом миллиметров!";
const char* const kBadCircleRadius =
    "Радиус кругов мишени должен быть неотрицательным числом миллиметров (0 для шахматной доски)!";

// The target's own numbers (millimetres), checked and stored with the image numbers.
struct TargetNumbers {
  double stepAccuracy = 0.0;
  double circleRadius = 0.0;
};

bool nonNegativeNumber(double mm) {
  return std::isfinite(mm) && mm >= 0.0;
}

// Steps 5 to 8 of OK: the image numbers are checked together and stored with the mode and the
// saved value's choice.
std::optional<UserMessage> applyImagesAndMode(CalibrationState& state, int first, int second, int mode,
                                              bool saveRefined, const TargetNumbers& target) {
  if (first <= 0 || second <= 0) {
    return refusal("Номера изображений должны быть положительными!");
  }
  if (first >= second) {
    return refusal("Номер первого изображения должен быть меньше номера второго!");
  }
  if (!nonNegativeNumber(target.stepAccuracy)) {
    return refusal(kBadStepAccuracy);
  }
  if (!nonNegativeNumber(target.circleRadius)) {
    return refusal(kBadCircleRadius);
  }
  state.firstImageNumber = first;
  state.secondImageNumber = second;
  state.processingMode = mode == 2 ? 2 : 1;
  state.saveRefinedValue = saveRefined;
  state.stepAccuracy = target.stepAccuracy;
  state.circleRadius = target.circleRadius;
  return std::nullopt;
}

} // namespace

double minLineAngleFromDegrees(double degrees) {
  return static_cast<double>(static_cast<long double>(degrees) * static_cast<long double>(std::numbers::pi) *
                             (1.0L / 180.0L));
}

double minPointSpacingFromPercent(double percent) {
  return static_cast<double>(static_cast<long double>(percent) * 0.01L);
}

SettingsTexts settingsTexts(const CalibrationState& state, char separator) {
  SettingsTexts t;
  t.clipSigmaCount = formatGeneral(state.clipSigmaCount, separator);
  t.minLineAngleDegrees = formatGeneral(state.minLineAngle * 180 / std::numbers::pi, separator);
  t.minPointSpacingPercent = formatGeneral(state.minPointSpacing * 100, separator);
  t.firstImageNumber = std::to_string(state.firstImageNumber);
  t.secondImageNumber = std::to_string(state.secondImageNumber);
  t.processingMode = state.processingMode;
  t.saveRefinedValue = state.saveRefinedValue;
  t.stepAccuracy = formatGeneral(state.stepAccuracy, separator);
  t.circleRadius = formatGeneral(state.circleRadius, separator);
  return t;
}

SettingsNumbers settingsNumbers(const CalibrationState& state) {
  SettingsNumbers n;
  n.clipSigmaCount = state.clipSigmaCount;
  n.minLineAngleDegrees = state.minLineAngle * 180 / std::numbers::pi;
  n.minPointSpacingPercent = state.minPointSpacing * 100;
  n.firstImageNumber = state.firstImageNumber;
  n.secondImageNumber = state.secondImageNumber;
  n.processingMode = state.processingMode;
  n.saveRefinedValue = state.saveRefinedValue;
  n.stepAccuracy = state.stepAccuracy;
  n.circleRadius = state.circleRadius;
  return n;
}

SettingsTexts defaultSettingsTexts(char separator) {
  const SettingsNumbers defaults;
  SettingsTexts t;
  t.clipSigmaCount = formatGeneral(defaults.clipSigmaCount, separator);
  t.minLineAngleDegrees = formatGeneral(defaults.minLineAngleDegrees, separator);
  t.minPointSpacingPercent = formatGeneral(defaults.minPointSpacingPercent, separator);
  t.firstImageNumber = std::to_string(defaults.firstImageNumber);
  t.secondImageNumber = std::to_string(defaults.secondImageNumber);
  t.processingMode = defaults.processingMode;
  t.saveRefinedValue = defaults.saveRefinedValue;
  t.stepAccuracy = formatGeneral(defaults.stepAccuracy, separator);
  t.circleRadius = formatGeneral(defaults.circleRadius, separator);
  return t;
}

std::optional<UserMessage> applySettingsTexts(CalibrationState& state, const SettingsTexts& texts,
                                              char separator) {
  const auto sigma = parseNumber(texts.clipSigmaCount, separator);
  if (!sigma) {
    return refusal(kBadParameters);
  }
  state.clipSigmaCount = *sigma;
  const auto angle = parseNumber(texts.minLineAngleDegrees, separator);
  if (!angle) {
    return refusal(kBadParameters);
  }
  state.minLineAngle = minLineAngleFromDegrees(*angle);
  const auto spacing = parseNumber(texts.minPointSpacingPercent, separator);
  if (!spacing) {
    return refusal(kBadParameters);
  }
  state.minPointSpacing = minPointSpacingFromPercent(*spacing);
  const auto first = parseInteger(texts.firstImageNumber);
  const auto second = parseInteger(texts.secondImageNumber);
  if (!first || !second) {
    return refusal(kBadParameters);
  }
  const auto accuracy = parseNumber(texts.stepAccuracy, separator);
  if (!accuracy) {
    return refusal(kBadStepAccuracy);
  }
  const auto radius = parseNumber(texts.circleRadius, separator);
  if (!radius) {
    return refusal(kBadCircleRadius);
  }
  return applyImagesAndMode(state, *first, *second, texts.processingMode, texts.saveRefinedValue,
                            {*accuracy, *radius});
}

std::optional<UserMessage> settingsRefusal(const SettingsNumbers& numbers) {
  CalibrationState scratch;
  return applySettings(scratch, numbers);
}

std::optional<UserMessage> applySettings(CalibrationState& state, const SettingsNumbers& numbers) {
  state.clipSigmaCount = numbers.clipSigmaCount;
  state.minLineAngle = minLineAngleFromDegrees(numbers.minLineAngleDegrees);
  state.minPointSpacing = minPointSpacingFromPercent(numbers.minPointSpacingPercent);
  return applyImagesAndMode(state, numbers.firstImageNumber, numbers.secondImageNumber,
                            numbers.processingMode, numbers.saveRefinedValue,
                            {numbers.stepAccuracy, numbers.circleRadius});
}

} // namespace kavo
