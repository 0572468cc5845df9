#include "graph/distribution_model.h"

#include <algorithm>
#include <cmath>

#include "core/error.h"
#include "estimator/focal_values.h"

namespace kavo {

int truncatePixel(double position) {
  constexpr double kLimit = 1e6;
  if (!(position > -kLimit)) {
    return -static_cast<int>(kLimit);
  }
  if (position > kLimit) {
    return static_cast<int>(kLimit);
  }
  return static_cast<int>(std::trunc(position));
}

DistributionModel::DistributionModel(const FocalValues& valueList, const DistributionNumbers& numbers)
    : values(valueList), current(numbers), saved(numbers), count(valueList.size()) {
  if (count <= 0) {
    throw Error("The distribution needs at least one value");
  }
  values.forEachPiece([&](const double* v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      if (v[i] < minimum) {
        minimum = v[i];
      }
      if (v[i] > maximum) {
        maximum = v[i];
      }
    }
  });
  pixelsPerUnit = maximum != minimum ? 800.0 / (maximum - minimum) : 400.0;
  pixelsPerValue = 500.0 / (static_cast<double>(count) * 0.4);

  // The borders are accumulated by repeated addition, as the bins are walked; they never decrease,
  // so the bins holding a value form one run found by two binary searches.
  const double step = (maximum - minimum) * 0.005;
  borders[0] = minimum;
  for (int b = 1; b <= kBinCount; ++b) {
    borders[b] = borders[b - 1] + step;
  }
  std::array<std::int64_t, kBinCount + 1> starts{}; // bin b starts (+1) and ends (-1) its runs
  values.forEachPiece([&](const double* v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      const double value = v[i];
      // Bin b (0-based) spans borders[b] .. borders[b + 1], both ends inclusive.
      const auto first = std::lower_bound(borders.begin() + 1, borders.end(), value) - (borders.begin() + 1);
      const auto last = std::upper_bound(borders.begin(), borders.end() - 1, value) - borders.begin() - 1;
      if (value == value && first <= last) {
        ++starts[first];
        --starts[last + 1];
      }
    }
  });
  std::int64_t running = 0;
  for (int b = 0; b < kBinCount; ++b) {
    running += starts[b];
    bins[b] = running;
  }
}

std::array<DistributionModel::CurvePoint, DistributionModel::kBinCount> DistributionModel::curve() const {
  std::array<CurvePoint, kBinCount> points{};
  for (int b = 0; b < kBinCount; ++b) {
    const double centre = (borders[b] + borders[b + 1]) / 2;
    points[b].x = truncatePixel((centre - minimum) * pixelsPerUnit + 50);
    points[b].y = truncatePixel(kAxisY - static_cast<double>(bins[b]) * pixelsPerValue);
  }
  return points;
}

int DistributionModel::pixelX(double value) const {
  return truncatePixel((value - minimum) * pixelsPerUnit + 50);
}

std::optional<std::int64_t> DistributionModel::recompute() {
  const double high = current.meanValue + current.deviation * current.clipFactor;
  const double low = current.meanValue - current.deviation * current.clipFactor;
  // Two passes over the values in list order give the same sums as a copy of the kept values would.
  std::int64_t kept = 0;
  double sum = 0.0;
  values.forEachPiece([&](const double* v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      if (high >= v[i] && low <= v[i]) {
        sum += v[i];
        ++kept;
      }
    }
  });
  if (kept == 0) {
    return std::nullopt;
  }
  const double mean = sum / static_cast<double>(kept);
  double squares = 0.0;
  values.forEachPiece([&](const double* v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      if (high >= v[i] && low <= v[i]) {
        squares += (v[i] - mean) * (v[i] - mean);
      }
    }
  });
  if (!std::isfinite(mean) || !std::isfinite(squares)) {
    return std::nullopt;
  }
  current.meanValue = mean;
  if (kept >= 2) {
    current.deviation = std::sqrt(squares / static_cast<double>(kept - 1));
    current.standardDeviation = current.deviation / std::sqrt(static_cast<double>(kept));
  } else {
    current.deviation = 0.0;
    current.standardDeviation = 0.0;
  }
  return kept;
}

void DistributionModel::reset() {
  current.meanValue = saved.meanValue;
  current.deviation = saved.deviation;
  current.standardDeviation = saved.standardDeviation;
}

std::optional<double> DistributionModel::valueAtColumn(int x) const {
  if (maximum == minimum) {
    return std::nullopt;
  }
  return (x - 50) / pixelsPerUnit + minimum;
}

} // namespace kavo
