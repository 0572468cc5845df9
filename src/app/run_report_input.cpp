// The report's input from a run's result value: plain copies and the few conversions the report's
// pictures need (the worst image's residuals in image pixels, each image's distance on its line).
#include "app/run_report.h"

#include "app/run_texts.h"
#include "platform/number_text.h"
#include "report/report_distribution.h"

#include <cmath>

#ifndef KAVO_VERSION
#define KAVO_VERSION "?"
#endif

namespace kavo {
namespace {

ReportInput commonPart(const RunInputs& inputs, const std::string& date) {
  ReportInput in;
  in.programVersion = KAVO_VERSION;
  in.date = date;
  in.decimalSeparator = inputs.decimalSeparator;
  for (const RunInputFile& f : inputs.files) {
    in.files.push_back({f.role, f.path, f.sha256, f.digestProblem});
  }
  in.imageCount = inputs.imageCount;
  in.scenePointCount = inputs.scenePointCount;
  in.measuredPointCount = inputs.measuredPointCount;
  const SettingsNumbers& s = inputs.settings;
  in.settings = {s.clipSigmaCount,   s.minLineAngleDegrees, s.minPointSpacingPercent,
                 s.firstImageNumber, s.secondImageNumber,   s.processingMode};
  in.warnings = inputs.warnings;
  return in;
}

std::string joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& p : parts) {
    text += (text.empty() ? "" : "; ") + p;
  }
  return text;
}

// How the classic interval was found, in the report's words, from the parts that entered it.
std::string classicMethodText(const ClassicUncertainty& u, char sep) {
  std::vector<std::string> parts{"разброс среднего при исключении изображений по одному (по " +
                                 std::to_string(u.imagesUsed) + " изображениям, t-распределение)"};
  if (u.stepError > 0.0) {
    parts.emplace_back("разброс шагов камеры, измеренный уточнённой подгонкой");
  }
  if (u.biasKnown) {
    std::string bias = formatFixed(u.bias, sep);
    parts.push_back("центр сдвинут на смещение классической формулы при этой геометрии (" +
                    (u.bias > 0 ? "+" + bias : bias) +
                    " пикс.), предсказанное уточнённой моделью с её шумом");
  }
  return joined(parts);
}

std::string refinedMethodText(const RefinedResult& r) {
  std::vector<std::string> parts{"ковариация подгонки по шуму точек"};
  if (r.stepScatterGrid.size() > 1) {
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

void addClassic(ReportInput& in, const RunResult& result) {
  ReportClassic& c = in.classic;
  c.present = true;
  c.valueCount = result.valueCount;
  c.focal = std::fabs(result.meanValue);
  c.deviation = std::fabs(result.deviation);
  c.standardDeviation = std::fabs(result.standardDeviation);
  if (!result.assessment) {
    return;
  }
  const ClassicUncertainty& u = result.assessment->series.uncertainty;
  if (u.available) {
    c.uncertainty = {
        true, u.standardError, {u.intervalLow, u.intervalHigh}, classicMethodText(u, in.decimalSeparator)};
    if (result.inputs.settings.processingMode == 2) {
      c.intervalNote = debugIntervalNote(result, u);
    }
  }
}

void addRefined(ReportInput& in, const RunAssessment& a, const std::vector<std::string>& warnings) {
  const RefinedResult& r = a.series.refined;
  ReportRefined& out = in.refined;
  out.warnings = warnings;
  if (!r.ok) {
    out.status = RefinedStatus::Failed;
    out.message = r.message;
    return;
  }
  out.status = RefinedStatus::Ok;
  out.focal = r.focal;
  out.standardError = r.standardError;
  out.interval95 = {r.intervalLow, r.intervalHigh};
  out.principalPoint = {r.principalPointX, r.principalPointY};
  out.distortion = {r.k1, r.k2};
  out.tiltDegrees = r.tiltDegrees;
  out.reprojectionRms = r.reprojectionRms;
  out.intervalMethod = refinedMethodText(r);
  for (const StepCheck& s : r.steps) {
    out.steps.push_back({s.after, s.stated, s.measured, s.suspect});
  }
  for (const PointResidual& p : r.downWeighted) {
    out.downWeighted.push_back({p.image, p.point, p.weight});
  }
}

// Each image's distance to the target as its own scale measures it, against the listed steps, with
// the line the fit puts through them; an image reached by a suspect step is marked.
void addScale(ReportInput& in, const RefinedResult& r) {
  in.scale.quantity = "Расстояние от камеры до мишени";
  in.scale.axisQuantity = "Расстояние";
  in.scale.unit = "мм";
  for (const ImageFit& f : r.images) {
    if (!f.used) {
      continue;
    }
    const int stepBefore = f.image - 2; // the step after image f.image - 1, from 0
    const bool suspect = stepBefore >= 0 && static_cast<std::size_t>(stepBefore) < r.steps.size() &&
                         r.steps[static_cast<std::size_t>(stepBefore)].suspect;
    in.scale.points.push_back({f.image, f.cumulativeStep, f.measuredDistance, f.fittedDistance,
                               f.measuredDistance - f.fittedDistance, suspect});
    in.imageRms.push_back({f.image, f.rms});
  }
}

// The worst image's points in image pixels (y downwards) with their residuals, measured minus model:
// the fit's frame has its origin at the image centre, y upwards and divided by the vertical scale.
void addWorstImage(ReportInput& in, const RunAssessment& a) {
  const RefinedResult& r = a.series.refined;
  if (r.worstImage <= 0 || static_cast<std::size_t>(r.worstImage) > a.points.images.size()) {
    return;
  }
  const std::vector<Point2>& points = a.points.images[static_cast<std::size_t>(r.worstImage) - 1];
  const double k = a.verticalScale != 0.0 && std::isfinite(a.verticalScale) ? a.verticalScale : 1.0;
  in.worstImage.image = r.worstImage;
  for (const ImageFit& f : r.images) {
    if (f.image == r.worstImage) {
      in.worstImage.rms = f.rms;
    }
  }
  for (const PointResidual& p : r.worstImageResiduals) {
    if (p.point < 1 || static_cast<std::size_t>(p.point) > points.size()) {
      continue;
    }
    const Point2& at = points[static_cast<std::size_t>(p.point) - 1];
    in.worstImage.points.push_back(
        {a.imageCentreX + at.x, a.imageCentreY - k * at.y, -p.dx, k * p.dy, p.weight < 1.0});
  }
}

// The refined part of a run that went on to the fit: the result, its checks and their plots.
void addAssessment(ReportInput& in, const RunResult& result) {
  if (!result.assessment) {
    in.refined.status = RefinedStatus::NotRun;
    in.refined.message = "уточнение было отключено";
    return;
  }
  addRefined(in, *result.assessment, assessmentWarnings(result));
  if (result.assessment->series.refined.ok) {
    addScale(in, result.assessment->series.refined);
    addWorstImage(in, *result.assessment);
  }
}

} // namespace

ReportInput runReportInput(const RunResult& result, const std::string& date) {
  ReportInput in = commonPart(result.inputs, date);
  addClassic(in, result);
  if (result.values && !result.values->empty()) {
    in.distribution = reportDistribution(
        *result.values, openingDistribution(*result.values, result.inputs.settings.clipSigmaCount),
        std::fabs(result.meanValue));
  }
  addAssessment(in, result);
  return in;
}

ReportInput noResultReportInput(const RunInputs& inputs, const std::string& whyNoResult,
                                const std::string& date, const RunResult* refinedOnly) {
  ReportInput in = commonPart(inputs, date);
  in.classic.present = false;
  in.classic.absentReason = whyNoResult;
  if (refinedOnly != nullptr && refinedOnly->assessment) {
    addAssessment(in, *refinedOnly);
  }
  return in;
}

} // namespace kavo
