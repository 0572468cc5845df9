#pragma once
#include "graph/distribution_numbers.h"
#include "report/report_input.h"

namespace kavo {

class FocalValues;

// The distribution part of a report, binned by the distribution window's own model: the same 200
// bins, range, mean and clipping band the window shows for `numbers`. `resultMean` is the focal
// length the run reported (after clipping), drawn beside the window's markers. An empty list gives
// a distribution that is not present.
ReportDistribution reportDistribution(const FocalValues& values, const DistributionNumbers& numbers,
                                      double resultMean);

} // namespace kavo
