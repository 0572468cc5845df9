#pragma once
// The last part of the refined fit: the steps' scatter into the interval, the final solve, and the
// result with its checks and warnings.
#include "refine/series_problem.h"

#include <functional>

namespace kavo {

// The steps measured with the focal length held: every camera's distance free.
struct StepMeasurement {
  SeriesState state;
  std::vector<double> measured;
  std::vector<double> standardError;
  std::vector<double> covariance; // of the measured steps, row-major
};

using StepMeasurer =
    std::function<StepMeasurement(const SeriesProblem&, const SeriesState&, const StageSettings&)>;

// From the robust solution `state` of `stage` (suspect steps already free): draws the other steps
// towards the list with the scatter the data show, solves once more, and fills the result.
RefinedResult finishRefinedResult(const SeriesProblem& problem, const SeriesState& state,
                                  const StageSettings& stage, const RefineInput& input,
                                  const RefineHooks& hooks, RefinedResult result,
                                  const StepMeasurer& measure);

// Distance from the camera of image i to the target plane along the viewing axis.
double axisDistance(const SeriesState& state, const SeriesData& data, std::size_t i);

// The camera's direction of travel is freed only where its angle's standard error is at most this
// many degrees: an angle known no better lets the focal length follow its noise (the fitted focal
// length moves with the cosine of the angle, by about f·σ² for a standard error σ in radians).
constexpr double kRailDeterminedDegrees = 0.3;

// The standard error of the rail's direction, degrees: the larger axis of its covariance; infinite
// when the covariance does not exist.
double railStandardError(const SeriesCovariance& covariance);

} // namespace kavo
