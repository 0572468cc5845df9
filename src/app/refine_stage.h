#pragma once
#include "app/run_result.h"
#include "estimator/stat_foc_thread.h"

#include <memory>
#include <optional>

namespace kavo {

// The camera facts the refined fit needs beyond the points, read with the run's inputs.
struct RefineCamera {
  double imageCentreX = 0.0; // camera file lines 1 and 2
  double imageCentreY = 0.0;
  double verticalScale = 1.0; // line 1 of the correction table
  bool hasPrincipalPoint = false;
  double principalPointX = 0.0; // camera file lines 7 and 8
  double principalPointY = 0.0;
  char decimalSeparator = '.';
};

// What the stage leaves for the run's result. It is written on the worker thread before the run's
// last step and read on the main thread after it.
struct RefineStageOutcome {
  std::optional<RunAssessment> assessment; // empty when the fit was switched off
  std::shared_ptr<const FocalValues> values;
};

// The stage a run goes on to after its classic result: it keeps the run's values and, when refine is
// true, runs the refined fit, the intervals and the checks of the series with the run's points,
// settings and values, its stop request and progress. A failure of the fit is recorded as a failed
// refined result with its message; a stop request ends the run as cancelled.
LaterStage refineStage(const RefineCamera& camera, bool refine, std::shared_ptr<RefineStageOutcome> into);

// The assessment of a fit that could not be made: the refined result failed and no classic interval,
// both with the message.
SeriesAssessment failedAssessment(const std::string& message);

} // namespace kavo
