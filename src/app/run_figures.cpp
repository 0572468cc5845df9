#include "app/run_figures.h"

#include "app/abandon_text.h"
#include "app/run_texts.h"
#include "platform/number_text.h"

#include <cmath>

namespace kavo {
namespace {

std::string joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& p : parts) {
    text += (text.empty() ? "" : "; ") + p;
  }
  return text;
}

// How the classic value's interval was found, in the report's words, from the parts that entered it.
std::string classicMethodText(const ClassicUncertainty& u) {
  std::vector<std::string> parts{"разброс среднего при исключении изображений по одному (по " +
                                 std::to_string(u.imagesUsed) + " изображениям, t-распределение)"};
  if (u.stepError > 0.0) {
    parts.emplace_back("разброс шагов камеры, измеренный уточнённой подгонкой");
  }
  return "интервал самого классического значения, вокруг него: где лежит среднее классического счёта при "
         "этой геометрии; " +
         joined(parts);
}

std::string correctedMethodText(const ClassicUncertainty& u, char sep) {
  const std::string shift = formatFixed(u.corrected.shift, sep);
  return "классическое значение за вычетом смещения классической формулы при этой геометрии (" +
         (u.corrected.shift > 0 ? "+" + shift : shift) +
         " пикс.), предсказанного уточнённой моделью с её шумом; интервал вокруг истинного фокусного "
         "расстояния: разброс значения и разброс этого предсказания";
}

std::string refinedMethodText(const RefinedResult& r) {
  std::vector<std::string> parts{"ковариация подгонки по шуму точек"};
  if (r.stepAccuracyStated) {
    parts.emplace_back(
        "заявленная точность шага камеры (шагов слишком мало, чтобы снимки показали их разброс)");
  } else if (r.stepScatterGrid.size() > 1) {
    parts.emplace_back("разброс шагов камеры, который допускают снимки");
  }
  return joined(parts);
}

// The debug mode takes its result from the distribution window, while the interval always follows
// one clipping pass at the settings' factor.
std::string debugIntervalNote(const RunResult& result, const ClassicUncertainty& u) {
  const char sep = result.inputs.decimalSeparator;
  std::string note = "Отладочный режим: результат взят из окна распределения, а интервал вычислен для одного "
                     "прохода отсечения по настройкам (" +
                     formatGeneral(result.inputs.settings.clipSigmaCount, sep) + " σ)";
  if (std::fabs(u.mean - result.meanValue) > 1e-9 * std::fabs(u.mean)) {
    note += "; среднее при таком отсечении " + formatFixed(u.mean, sep) +
            ", результат окна от него отличается, и интервал к нему не относится";
  }
  return note;
}

ReportClassic classicFigures(const RunResult& result) {
  ReportClassic c;
  if (!hasClassicValue(result)) {
    c.absentReason = noClassicValueReason(result);
    return c;
  }
  c.present = true;
  c.valueCount = result.valueCount;
  c.focal = std::fabs(result.meanValue);
  c.deviation = std::fabs(result.deviation);
  c.standardDeviation = std::fabs(result.standardDeviation);
  if (const ClassicUncertainty* u = classicIntervalOf(result)) {
    c.uncertainty = {true, u->standardError, {u->intervalLow, u->intervalHigh}, classicMethodText(*u)};
    if (u->corrected.available) {
      const ClassicCorrected& k = u->corrected;
      c.corrected = {true,
                     k.focal,
                     k.shift,
                     {true,
                      k.standardError,
                      {k.intervalLow, k.intervalHigh},
                      correctedMethodText(*u, result.inputs.decimalSeparator)}};
    }
    if (result.inputs.settings.processingMode == 2) {
      c.intervalNote = debugIntervalNote(result, *u);
    }
  }
  return c;
}

ReportRefined refinedFigures(const RunResult& result) {
  ReportRefined out;
  if (!result.assessment) {
    out.message = "уточнение было отключено";
    return out;
  }
  out.warnings = assessmentWarnings(result);
  const RefinedResult& r = result.assessment->series.refined;
  if (!r.ok) {
    out.status = RefinedStatus::Failed;
    out.message = r.message;
    return out;
  }
  out.status = RefinedStatus::Ok;
  out.focal = r.focal;
  out.standardError = r.standardError;
  out.interval95 = {r.intervalLow, r.intervalHigh};
  out.principalPoint = {r.principalPointX, r.principalPointY};
  out.distortion = {r.k1, r.k2};
  out.tiltDegrees = r.tiltDegrees;
  out.railKnown = r.railFree;
  out.railDegrees = {r.railDegrees[0], r.railDegrees[1]};
  out.railStandardError = r.railStandardError;
  out.stepAccuracyUsed = r.stepAccuracyStated;
  out.stepAccuracy = r.stepAccuracy;
  out.reprojectionRms = r.reprojectionRms;
  out.intervalMethod = refinedMethodText(r);
  for (const ImageFit& f : r.images) {
    out.images.push_back({f.image, f.rms, f.used});
  }
  for (const StepCheck& s : r.steps) {
    out.steps.push_back({s.after, s.stated, s.measured, s.suspect});
  }
  for (const PointResidual& p : r.downWeighted) {
    out.downWeighted.push_back({p.image, p.point, p.weight});
  }
  return out;
}

} // namespace

std::string noClassicValueReason(const RunResult& result) {
  if (result.status == RunStatus::Abandoned) {
    return abandonText(result.end);
  }
  std::string reason = result.message.text;
  if (!result.message.detail.empty()) {
    reason += reason.empty() ? result.message.detail : " (" + result.message.detail + ")";
  }
  return reason.empty() ? "счёт не дал результата" : reason;
}

RunFigures runFigures(const RunResult& result) {
  RunFigures f;
  f.classic = classicFigures(result);
  if (const ClassicUncertainty* u = classicIntervalOf(result)) {
    f.classicIntervalMethod = u->method;
    f.classicCorrectedMethod = u->corrected.method;
  }
  f.refined = refinedFigures(result);
  if (hasClassicValue(result)) {
    f.focalText = result.focalText;
    f.deviationText = result.deviationText;
    f.standardDeviationText = result.standardDeviationText;
  }
  f.refinedFocalText = refinedFocalText(result);
  f.refinedIntervalText = refinedIntervalText(result);
  f.classicIntervalText = classicIntervalText(result);
  f.classicCorrectedText = classicCorrectedText(result);
  f.classicCorrectedIntervalText = classicCorrectedIntervalText(result);
  f.classicToolTip = classicIntervalLines(result);
  f.refinedAbsence = refinedAbsenceText(result);
  f.checkWarnings = assessmentWarnings(result);
  f.statusLine = runStatusText(result);
  f.toolTip = result.assessment ? refinedToolTip(result) : std::string();
  return f;
}

} // namespace kavo
