#pragma once
#include <array>
#include <cstdint>
#include <optional>

#include "graph/distribution_numbers.h"

namespace kavo {

class FocalValues;

// The distribution of a run's individual values as the graph window plots it: the value range,
// the scales, the 200 bins and the current mean, deviation, standard deviation and clipping
// factor. The model walks the caller's value list in place and keeps no copy of it, so the list
// must outlive the model and stay unchanged (the worker that owns it is blocked meanwhile).
class DistributionModel {
public:
  static constexpr int kBinCount = 200;
  static constexpr int kAxisY = 490; // the picture is 580 high; the axis lies 90 above its bottom
  // Largest single-precision number: where the range search starts.
  static constexpr double kRangeStart = 3.4028234663852886e38;

  struct CurvePoint {
    int x = 0;
    int y = 0;
  };

  // Builds the model: keeps the handed-in numbers for "Сброс", finds the range and the scales and
  // counts the bins. Throws kavo::Error for an empty list.
  DistributionModel(const FocalValues& values, const DistributionNumbers& numbers);

  const DistributionNumbers& numbers() const { return current; }
  void setClipFactor(double clipFactor) { current.clipFactor = clipFactor; }

  std::int64_t valueCount() const { return count; }
  double minValue() const { return minimum; }
  double maxValue() const { return maximum; }
  double xScale() const { return pixelsPerUnit; }
  double yScale() const { return pixelsPerValue; }

  // Values inside each bin; a value on a border between two bins counts in both.
  const std::array<std::int64_t, kBinCount>& binCounts() const { return bins; }
  // The 201 borders of the bins, accumulated from the minimum by repeated addition of the step.
  const std::array<double, kBinCount + 1>& binBorders() const { return borders; }
  // The curve joins the bin centres at the bin heights, in bin order.
  std::array<CurvePoint, kBinCount> curve() const;

  // Picture column of a value: truncated toward zero, so the minimum lies at 50 and (when the range
  // is not empty) the maximum at 850. Far-off values are held to ±1e6 columns.
  int pixelX(double value) const;

  // The band lines are shown only for a positive clipping factor and a positive deviation.
  bool bandVisible() const { return current.clipFactor > 0 && current.deviation > 0; }
  double bandLow() const { return current.meanValue - current.clipFactor * current.deviation; }
  double bandHigh() const { return current.meanValue + current.clipFactor * current.deviation; }

  // "Счёт": one clipping pass over all values with the current numbers. Returns the number of
  // values kept; with none kept (or a sum that overflows) the numbers stay as they were and the
  // result is nothing.
  std::optional<std::int64_t> recompute();

  // "Сброс": the handed-in mean, deviation and standard deviation; the clipping factor stays.
  void reset();

  // The value under picture column x, or nothing when the range is a single value.
  std::optional<double> valueAtColumn(int x) const;

private:
  const FocalValues& values;
  DistributionNumbers current;
  DistributionNumbers saved;
  std::int64_t count = 0;
  double minimum = kRangeStart;
  double maximum = -kRangeStart;
  double pixelsPerUnit = 0.0;
  double pixelsPerValue = 0.0;
  std::array<double, kBinCount + 1> borders{};
  std::array<std::int64_t, kBinCount> bins{};
};

// Truncates a picture coordinate toward zero, holding it to ±1e6 (and a NaN to -1e6) so that it
// always fits an int.
int truncatePixel(double position);

} // namespace kavo
