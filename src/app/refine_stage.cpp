#include "app/refine_stage.h"

#include "refine/series_assessment.h"

#include <new>

namespace kavo {

SeriesAssessment failedAssessment(const std::string& message) {
  SeriesAssessment a;
  a.refined.ok = false;
  a.refined.message = message;
  a.uncertainty.available = false;
  a.uncertainty.message = message;
  return a;
}

LaterStage refineStage(const RefineCamera& camera, bool refine, std::shared_ptr<RefineStageOutcome> into) {
  return [camera, refine, into](const LaterStageInput& run) {
    into->values = run.values;
    if (!refine) {
      return;
    }
    RefineInput input;
    input.points = run.points;
    input.settings = run.settings;
    input.imageCentreX = camera.imageCentreX;
    input.imageCentreY = camera.imageCentreY;
    input.verticalScale = camera.verticalScale;
    input.hasPrincipalPoint = camera.hasPrincipalPoint;
    input.principalPointX = camera.principalPointX;
    input.principalPointY = camera.principalPointY;
    input.decimalSeparator = camera.decimalSeparator;
    RefineHooks hooks;
    hooks.shouldStop = run.shouldStop;
    hooks.progress = run.progress;

    RunAssessment assessment;
    try {
      assessment.series = assessSeries(input, hooks, run.values.get());
    } catch (const RunAbandoned& e) {
      if (e.reason == AbandonReason::Cancelled) {
        throw;
      }
      assessment.series = failedAssessment(std::string("Уточнение не выполнено: ") + e.what() + ".");
    } catch (const std::bad_alloc&) {
      assessment.series = failedAssessment("Уточнение не выполнено: не хватает памяти.");
    } catch (const std::exception& e) {
      assessment.series = failedAssessment(std::string("Уточнение не выполнено: ") + e.what() + ".");
    }
    assessment.points = std::move(input.points);
    assessment.imageCentreX = camera.imageCentreX;
    assessment.imageCentreY = camera.imageCentreY;
    assessment.verticalScale = camera.verticalScale;
    into->assessment = std::move(assessment);
  };
}

} // namespace kavo
