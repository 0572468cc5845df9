// The report's input from a run's result value: plain copies and the few conversions the report's
// pictures need (the worst image's residuals in image pixels, each image's distance on its line).
#include "app/run_report.h"

#include "app/run_figures.h"
#include "app/run_loading.h"
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
  in.settings = {s.clipSigmaCount,    s.minLineAngleDegrees, s.minPointSpacingPercent, s.firstImageNumber,
                 s.secondImageNumber, s.processingMode,      s.stepAccuracy,           s.circleRadius};
  for (const std::string& w : inputs.warnings) {
    // The report says what the classic method's test of clustered points means: it fires on most series.
    in.warnings.push_back(w == kClusteredPointsWarning ? w + " " + kClusteredPointsMeaning : w);
  }
  return in;
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
void addWorstImage(ReportInput& in, const RunAssessment& a, const CameraFacts& camera) {
  const RefinedResult& r = a.series.refined;
  if (r.worstImage <= 0 || static_cast<std::size_t>(r.worstImage) > a.points.images.size()) {
    return;
  }
  const std::vector<Point2>& points = a.points.images[static_cast<std::size_t>(r.worstImage) - 1];
  const double k =
      camera.verticalScale != 0.0 && std::isfinite(camera.verticalScale) ? camera.verticalScale : 1.0;
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
        {camera.imageCentreX + at.x, camera.imageCentreY - k * at.y, -p.dx, k * p.dy, p.weight < 1.0});
  }
}

} // namespace

ReportInput runReportInput(const RunResult& result, const std::string& date) {
  const RunFigures figures = runFigures(result);
  ReportInput in = commonPart(result.inputs, date);
  in.classic = figures.classic;
  in.refined = figures.refined;
  if (figures.classic.present && result.values && !result.values->empty()) {
    in.distribution = reportDistribution(
        *result.values, openingDistribution(*result.values, result.inputs.settings.clipSigmaCount),
        std::fabs(result.meanValue));
  }
  if (result.assessment && result.assessment->series.refined.ok) {
    addScale(in, result.assessment->series.refined);
    addWorstImage(in, *result.assessment, result.camera);
  }
  return in;
}

} // namespace kavo
