#pragma once
#include "refine/refine_types.h"

namespace kavo {

// The refined fit, then the interval of the classic mean, then the warnings that need both: images
// the classic result leaves unused, the classic shift under a tilted target, and the two results
// disagreeing beyond their intervals. hooks.progress runs from 0 to 1 over all of it.
// classicValues, reduction: the classic run's own values and clipping pass, when the caller holds them
// (see classicInterval).
// Throws RunAbandoned(Cancelled) when hooks.shouldStop asks for it.
// fitted: the refined fit already made (beside the classic reduction), which is then not made again.
SeriesAssessment assessSeries(const RefineInput& input, const RefineHooks& hooks = {},
                              const FocalValues* classicValues = nullptr,
                              const ClassicReduction* reduction = nullptr,
                              const RefinedResult* fitted = nullptr);

// The warnings that compare the two results, appended to refined.warnings.
void addComparisonWarnings(const RefineInput& input, const ClassicUncertainty& classic,
                           RefinedResult& refined);

} // namespace kavo
