#include "app/run_texts.h"

#include "platform/number_text.h"

#include <cmath>

namespace kavo {

const RefinedResult* refinedOf(const RunResult& result) {
  return result.assessment && result.assessment->series.refined.ok ? &result.assessment->series.refined
                                                                   : nullptr;
}

const ClassicUncertainty* classicIntervalOf(const RunResult& result) {
  return result.assessment && result.assessment->series.uncertainty.available
             ? &result.assessment->series.uncertainty
             : nullptr;
}

std::string intervalText(double low, double high, char separator) {
  return formatFixed(low, separator) + " … " + formatFixed(high, separator);
}

std::string refinedFocalText(const RunResult& result) {
  const RefinedResult* r = refinedOf(result);
  return r != nullptr ? formatFixed(r->focal, result.inputs.decimalSeparator) : std::string();
}

std::string refinedIntervalText(const RunResult& result) {
  const RefinedResult* r = refinedOf(result);
  return r != nullptr ? intervalText(r->intervalLow, r->intervalHigh, result.inputs.decimalSeparator)
                      : std::string();
}

std::string classicIntervalText(const RunResult& result) {
  const ClassicUncertainty* u = classicIntervalOf(result);
  return u != nullptr ? intervalText(u->intervalLow, u->intervalHigh, result.inputs.decimalSeparator)
                      : std::string();
}

namespace {

const ClassicCorrected* correctedOf(const RunResult& result) {
  const ClassicUncertainty* u = classicIntervalOf(result);
  return u != nullptr && u->corrected.available ? &u->corrected : nullptr;
}

} // namespace

std::string classicCorrectedText(const RunResult& result) {
  const ClassicCorrected* c = correctedOf(result);
  return c != nullptr ? formatFixed(c->focal, result.inputs.decimalSeparator) : std::string();
}

std::string classicCorrectedIntervalText(const RunResult& result) {
  const ClassicCorrected* c = correctedOf(result);
  return c != nullptr ? intervalText(c->intervalLow, c->intervalHigh, result.inputs.decimalSeparator)
                      : std::string();
}

std::string classicIntervalLines(const RunResult& result) {
  if (classicIntervalOf(result) == nullptr) {
    return {};
  }
  std::string text = "95 % интервал классического значения: " + classicIntervalText(result) +
                     " (где лежит среднее классического счёта при этой геометрии)";
  if (correctedOf(result) != nullptr) {
    text += "\nКлассическая оценка с поправкой на геометрию: " + classicCorrectedText(result) +
            ", 95 % интервал: " + classicCorrectedIntervalText(result);
  }
  return text;
}

std::string refinedAbsenceText(const RunResult& result) {
  if (refinedOf(result) != nullptr) {
    return {};
  }
  if (!result.assessment) {
    return "Уточнение не выполнялось.";
  }
  const std::string& message = result.assessment->series.refined.message;
  return message.empty() ? "Уточнение не выполнено." : message;
}

std::vector<std::string> assessmentWarnings(const RunResult& result) {
  std::vector<std::string> warnings;
  if (!result.assessment) {
    return warnings;
  }
  const SeriesAssessment& a = result.assessment->series;
  warnings = a.refined.warnings;
  if (!a.uncertainty.available && !a.uncertainty.message.empty() &&
      a.uncertainty.message != a.refined.message) {
    warnings.push_back("Интервал классического результата не вычислен: " + a.uncertainty.message);
  }
  return warnings;
}

std::string exifFocalWarning(const RunResult& result) {
  if (!result.camera.exifFocalLength) {
    return {};
  }
  const double exif = *result.camera.exifFocalLength;
  const char sep = result.inputs.decimalSeparator;
  const auto differs = [exif](double value) { return std::fabs(value - exif) > kExifFocalTolerance * exif; };
  const bool classicShown = hasClassicValue(result);
  const RefinedResult* refined = refinedOf(result);
  const double classic = std::fabs(result.meanValue);
  const bool classicDiffers = classicShown && differs(classic);
  const bool refinedDiffers = refined != nullptr && differs(refined->focal);
  if (!classicDiffers && !refinedDiffers) {
    return {};
  }
  // With both values shown the warning says which of them differs.
  std::string which;
  if (classicDiffers && refinedDiffers) {
    which = "от классического результата " + formatFixed(classic, sep, 1) + " и от уточнённого " +
            formatFixed(refined->focal, sep, 1);
  } else if (classicShown && refined != nullptr) {
    which = classicDiffers ? "от классического результата " + formatFixed(classic, sep, 1)
                           : "от уточнённого результата " + formatFixed(refined->focal, sep, 1);
  } else {
    which = "от результата " + formatFixed(classicDiffers ? classic : refined->focal, sep, 1);
  }
  return "Фокусное расстояние по EXIF " + formatFixed(exif, sep, 1) + " пикс. отличается " + which +
         " более чем на " + std::to_string(static_cast<int>(kExifFocalTolerance * 100.0 + 0.5)) +
         " %: проверьте, не менялись ли зум и фокус, и шаги камеры";
}

std::string runStatusText(const RunResult& result) {
  if (!result.assessment) {
    return {};
  }
  const std::vector<std::string> warnings = assessmentWarnings(result);
  // A failed fit comes first: it is why the refined field is empty.
  const bool failed = refinedOf(result) == nullptr;
  std::string text = failed ? refinedAbsenceText(result) : std::string();
  std::size_t more = warnings.size();
  if (!failed && !warnings.empty()) {
    text = "Предупреждение: " + warnings.front();
    more -= 1;
  }
  if (more > 0) {
    text += " (" + std::string(failed ? "предупреждений: " : "ещё ") + std::to_string(more) +
            " — в подсказке уточнённого значения)";
  }
  return text;
}

std::string refinedToolTip(const RunResult& result) {
  const char sep = result.inputs.decimalSeparator;
  std::vector<std::string> lines;
  if (const RefinedResult* r = refinedOf(result)) {
    lines.push_back("Уточнённое фокусное расстояние: " + formatFixed(r->focal, sep) +
                    ", стандартная ошибка " + formatFixed(r->standardError, sep));
    lines.push_back("95 % интервал: " + refinedIntervalText(result));
  } else {
    lines.push_back(refinedAbsenceText(result));
  }
  if (classicIntervalOf(result) != nullptr) {
    lines.push_back(classicIntervalLines(result));
  }
  for (const std::string& w : assessmentWarnings(result)) {
    lines.push_back("• " + w);
  }
  std::string text;
  for (const std::string& line : lines) {
    text += (text.empty() ? "" : "\n") + line;
  }
  return text;
}

} // namespace kavo
