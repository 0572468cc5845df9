#include "report/report_distribution.h"

#include "estimator/focal_values.h"
#include "graph/distribution_model.h"

#include <algorithm>
#include <cmath>

namespace kavo {
namespace {

constexpr int kBins = 200;
// The margin beyond the clipping band on either side, as a part of the band's width.
constexpr double kBandMargin = 0.25;

// The values that matter: the clipping band with a margin, within the values' own range. A few far
// outliers would otherwise stretch the axis and squeeze the peak into a bin or two.
std::array<double, 2> shownRange(const DistributionModel& model) {
  const double low = model.minValue();
  const double high = model.maxValue();
  if (!model.bandVisible()) {
    return {low, high};
  }
  const double margin = (model.bandHigh() - model.bandLow()) * kBandMargin;
  const double from = std::max(low, model.bandLow() - margin);
  const double to = std::min(high, model.bandHigh() + margin);
  return to > from ? std::array<double, 2>{from, to} : std::array<double, 2>{low, high};
}

} // namespace

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
  d.range = shownRange(model);
  const double from = d.range[0];
  const double width = d.range[1] - d.range[0];
  d.binCounts.assign(kBins, 0);
  values.forEachPiece([&](const double* v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      const double x = v[i];
      if (x < d.range[0]) {
        ++d.belowRange;
      } else if (x > d.range[1]) {
        ++d.aboveRange;
      } else {
        const int bin = width > 0 ? static_cast<int>((x - from) / width * kBins) : 0;
        ++d.binCounts[static_cast<std::size_t>(std::clamp(bin, 0, kBins - 1))];
      }
    }
  });
  d.binCentres.reserve(kBins);
  for (int b = 0; b < kBins; ++b) {
    d.binCentres.push_back(from + width * (b + 0.5) / kBins);
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
