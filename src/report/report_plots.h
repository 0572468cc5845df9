#pragma once
#include "report/report_input.h"

#include <string>
#include <vector>

namespace kavo {

// The report's pictures as inline SVG elements. Each returns an empty string when its data hold
// nothing to draw; the page then says why instead.

// The values over the distribution window's 200 bins, with the mean, the clipping band and the
// result after clipping.
std::string distributionPlot(const ReportDistribution& distribution, char decimalSeparator);

// The image scale (or test-segment length) against the cumulative camera step, with the fitted line,
// suspect steps in red and, below it, each image's residual from the line.
std::string scalePlot(const ReportScaleSeries& series, char decimalSeparator);
std::string scaleResidualPlot(const ReportScaleSeries& series, char decimalSeparator);

// The reprojection RMS per image, the worst image in red, and their quadratic mean as a line.
std::string imageRmsPlot(const std::vector<ReportImageRms>& images, char decimalSeparator);

// The residuals of one image as arrows over its points, magnified by a 1-2-5 factor chosen so the
// longest arrow spans a few percent of the picture; the factor is stated in the title and legend.
std::string residualArrowPlot(const ReportResiduals& residuals, char decimalSeparator);

// The magnification residualArrowPlot uses: the largest 1, 2 or 5 × 10^k not above
// fraction × extent / longest residual; 1 when there is no residual.
double arrowScale(double extent, double longestResidual, double fraction = 0.1);

} // namespace kavo
