#include "report/report_distribution.h"

#include "estimator/focal_values.h"
#include "graph/distribution_model.h"

namespace kavo {

ReportDistribution reportDistribution(const FocalValues& values, const DistributionNumbers& numbers,
                                      double resultMean) {
  ReportDistribution d;
  if (values.empty()) {
    return d;
  }
  const DistributionModel model(values, numbers);
  d.present = true;
  d.valueCount = model.valueCount();
  d.minValue = model.minValue();
  d.maxValue = model.maxValue();
  const auto& borders = model.binBorders();
  const auto& counts = model.binCounts();
  d.binCentres.reserve(counts.size());
  d.binCounts.assign(counts.begin(), counts.end());
  for (std::size_t b = 0; b < counts.size(); ++b) {
    d.binCentres.push_back((borders[b] + borders[b + 1]) / 2);
  }
  d.meanValue = model.numbers().meanValue;
  d.deviation = model.numbers().deviation;
  d.clipFactor = model.numbers().clipFactor;
  d.bandVisible = model.bandVisible();
  d.band = {model.bandLow(), model.bandHigh()};
  d.resultShown = true;
  d.resultMean = resultMean;
  return d;
}

} // namespace kavo
