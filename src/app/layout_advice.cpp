#include "app/layout_advice.h"

#include "platform/number_text.h"

#include <cmath>
#include <numbers>

namespace kavo {
namespace {

// A setting a little below what the series reached: a whole number, tenths below 1. A value the
// series reaches exactly is taken one step lower, so that the comparisons of the layout tests cannot
// turn on the last bit.
double roundedDown(double value) {
  const double v = value * (1.0 - 1e-9);
  return v >= 1.0 ? std::floor(v) : std::floor(v * 10.0) / 10.0;
}

// What the series reached, to a tenth and never above it.
std::string reachedText(double value, char separator) {
  return formatGeneral(std::floor(value * 10.0 * (1.0 - 1e-12)) / 10.0, separator);
}

} // namespace

LayoutAdvice layoutAdviceOf(const LayoutReach& reach, const SettingsNumbers& settings) {
  LayoutAdvice advice;
  advice.known = reach.known;
  advice.largestSpacingPercent = reach.largestSpacing * 100.0;
  advice.largestAngleDegrees = reach.largestAngle * 180.0 / std::numbers::pi;
  if (reach.suggested) {
    advice.suggested = true;
    advice.minSpacingPercent =
        reach.keptSpacing ? settings.minPointSpacingPercent : roundedDown(reach.spacing * 100.0);
    advice.minAngleDegrees =
        reach.keptAngle ? settings.minLineAngleDegrees : roundedDown(reach.angle * 180.0 / std::numbers::pi);
  }
  return advice;
}

std::string noValueDetail(const RunResult& result, SettingsPlace place) {
  if (result.inputs.imageCount < 2) {
    return "список файлов называет изображений: " + std::to_string(result.inputs.imageCount) +
           "; значения получаются только из пары изображений";
  }
  std::string detail = "ни одна четвёрка реперных точек не прошла проверку углов и расстояний ни в одной "
                       "допустимой паре изображений";
  if (!result.layout || !result.layout->known) {
    return detail;
  }
  const LayoutAdvice& a = *result.layout;
  const SettingsNumbers& s = result.inputs.settings;
  const char sep = place == SettingsPlace::Window ? result.inputs.decimalSeparator : '.';
  detail += ". Наибольшее расстояние между точками четвёрки, которого достигает серия, " +
            reachedText(a.largestSpacingPercent, sep) + " % диагонали снимка (в настройках " +
            formatGeneral(s.minPointSpacingPercent, sep) + " %), наибольший угол между её прямыми " +
            reachedText(a.largestAngleDegrees, sep) + "° (в настройках " +
            formatGeneral(s.minLineAngleDegrees, sep) + "°)";
  if (!a.suggested) {
    return detail + ".";
  }
  if (place == SettingsPlace::Window) {
    return detail + ". Значения получатся, например, с настройками: расстояние между точками " +
           formatGeneral(a.minSpacingPercent, sep) + " %, угол между прямыми " +
           formatGeneral(a.minAngleDegrees, sep) + "° (меню «Счёт» → «Настройки…»).";
  }
  return detail + ". Значения получатся, например, с --min-spacing " +
         formatGeneral(a.minSpacingPercent, sep) + " --min-angle " + formatGeneral(a.minAngleDegrees, sep) +
         ".";
}

} // namespace kavo
