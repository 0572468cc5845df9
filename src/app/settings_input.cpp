#include "app/settings_input.h"

#include "platform/number_text.h"

#include <numbers>

namespace kavo {

namespace {

UserMessage refusal(const char* text) {
  // The dialog's boxes have no owner.
  return {text, "Ошибка!", {}, BoxOwner::None, BoxIcon::Error};
}

const char* const kBadParameters = "Параметры заданы неправильно!";

// Steps 5 to 8 of OK: the image numbers are checked together and stored with the mode and the
// saved value's choice.
std::optional<UserMessage> applyImagesAndMode(CalibrationState& state, int first, int second, int mode,
                                              bool saveRefined) {
  if (first <= 0 || second <= 0) {
    return refusal("Номера изображений должны быть положительными!");
  }
  if (first >= second) {
    return refusal("Номер первого изображения должен быть меньше номера второго!");
  }
  state.firstImageNumber = first;
  state.secondImageNumber = second;
  state.processingMode = mode == 2 ? 2 : 1;
  state.saveRefinedValue = saveRefined;
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
  return applyImagesAndMode(state, *first, *second, texts.processingMode, texts.saveRefinedValue);
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
                            numbers.processingMode, numbers.saveRefinedValue);
}

} // namespace kavo
