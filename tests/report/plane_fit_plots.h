#pragma once
#include "report/report_input.h"
#include "sample_report.h"

namespace kavo::testing {

// For the browser smoke test: the report's per-image pictures filled from the series' own data
// through a plane projective transform fitted to all points of each image by a normalised direct
// linear fit. The length on the target of the 250-pixel test segment at the image centre is fitted
// by a straight line over the cumulative step (the camera moving along its axis makes it linear); an
// image whose leave-one-out residual exceeds three times the others' scatter is marked suspect. The
// reprojection RMS per image and the worst image's residuals come from the same transforms. The
// refined result itself stays not run.
void addPlaneFitPlots(ReportInput& input, const LoadedSeries& series);

} // namespace kavo::testing
