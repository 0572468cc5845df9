#include "estimator/estimator.h"
#include "estimator/focal_values_walk.h"

#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kavo {
namespace {

// deviation = sqrt(Q / (n − 1)) (0 below two values), standard deviation = deviation / sqrt(n).
Statistics finish(double mean, double squares, std::int64_t n) {
  Statistics s;
  s.mean = mean;
  s.count = n;
  s.deviation = n >= 2 ? std::sqrt(squares / static_cast<double>(n - 1)) : 0.0;
  s.standardDeviation = s.deviation / std::sqrt(static_cast<double>(n));
  return s;
}

// The passes below add in list order, one value after the other: that order is part of the result.
// Everything else (forming the values, the differences, the band test) runs beside the additions.
// A value outside the band adds +0.0, which leaves a sum of non-negative terms as it was.

class StopPoll {
public:
  explicit StopPoll(const std::function<bool()>& stop) : shouldStop(stop) {}
  void boundary() const {
    if (shouldStop && shouldStop()) {
      throw RunAbandoned(AbandonReason::Cancelled, "счёт остановлен по запросу");
    }
  }

private:
  const std::function<bool()>& shouldStop;
};

// The lanes of v inside [low, high], +0.0 in the others. On x86 the mask is formed and applied with the
// instructions made for it: written with generic vectors, the compiler takes the lanes apart into
// integer selects, which costs more than the rest of the pass.
AxisPair keepInBand(AxisPair v, AxisPair kept, AxisPair low, AxisPair high) {
#if defined(__SSE2__)
  const __m128d in = _mm_and_pd(_mm_cmple_pd(low, v), _mm_cmple_pd(v, high));
  return _mm_and_pd(kept, in);
#else
  return reinterpret_cast<AxisPair>(reinterpret_cast<AxisMask>(kept) & ((low <= v) & (v <= high)));
#endif
}

struct SumPass : StopPoll {
  using StopPoll::StopPoll;
  double sum = 0.0;
  void pair(AxisPair v) {
    sum += v[0];
    sum += v[1];
  }
  void single(double v) { sum += v; }
};

struct SquaresPass : StopPoll {
  SquaresPass(const std::function<bool()>& stop, double m) : StopPoll(stop), mean(bothAxes(m)) {}
  AxisPair mean;
  double squares = 0.0;
  void pair(AxisPair v) {
    const AxisPair d = v - mean;
    const AxisPair dd = d * d;
    squares += dd[0];
    squares += dd[1];
  }
  void single(double v) {
    const double d = v - mean[0];
    squares += d * d;
  }
};

struct BandSumPass : StopPoll {
  BandSumPass(const std::function<bool()>& stop, double lowBound, double highBound)
      : StopPoll(stop), low(bothAxes(lowBound)), high(bothAxes(highBound)) {}
  AxisPair low;
  AxisPair high;
  double sum = 0.0;
  AxisPair keptLanes = {0.0, 0.0}; // counts, exact up to 2^53 values
  std::int64_t keptSingle = 0;
  void pair(AxisPair v) {
    keptLanes += keepInBand(v, bothAxes(1.0), low, high);
    const AxisPair kept = keepInBand(v, v, low, high);
    sum += kept[0];
    sum += kept[1];
  }
  void single(double v) {
    if (low[0] <= v && v <= high[0]) {
      sum += v;
      ++keptSingle;
    }
  }
  std::int64_t kept() const {
    return keptSingle + static_cast<std::int64_t>(keptLanes[0]) + static_cast<std::int64_t>(keptLanes[1]);
  }
};

struct BandSquaresPass : StopPoll {
  BandSquaresPass(const std::function<bool()>& stop, const BandSumPass& band, double m)
      : StopPoll(stop), low(band.low), high(band.high), mean(bothAxes(m)) {}
  AxisPair low;
  AxisPair high;
  AxisPair mean;
  double squares = 0.0;
  void pair(AxisPair v) {
    const AxisPair d = v - mean;
    const AxisPair dd = keepInBand(v, d * d, low, high);
    squares += dd[0];
    squares += dd[1];
  }
  void single(double v) {
    if (low[0] <= v && v <= high[0]) {
      const double d = v - mean[0];
      squares += d * d;
    }
  }
};

} // namespace

Statistics unclippedStatistics(const FocalValues& values, const std::function<bool()>& shouldStop) {
  const std::int64_t n = values.size();
  double sum = 0.0;
  if (values.hasOrderedSum()) {
    sum = values.orderedSum(); // formed in list order while the values were produced
  } else {
    SumPass pass(shouldStop);
    values.visit(pass);
    sum = pass.sum;
  }
  const double mean = sum / static_cast<double>(n);
  SquaresPass squares(shouldStop, mean);
  values.visit(squares);
  return finish(mean, squares.squares, n);
}

Statistics clippedStatistics(const FocalValues& values, const Statistics& unclipped, double k,
                             const std::function<bool()>& shouldStop) {
  BandSumPass band(shouldStop, unclipped.mean - k * unclipped.deviation,
                   unclipped.mean + k * unclipped.deviation);
  values.visit(band);
  const std::int64_t kept = band.kept();
  if (kept == 0) {
    throw RunAbandoned(AbandonReason::NothingInBand,
                       "в полосе отсечения нет ни одного значения из " + std::to_string(values.size()));
  }
  const double mean = band.sum / static_cast<double>(kept);
  BandSquaresPass squares(shouldStop, band, mean);
  values.visit(squares);
  return finish(mean, squares.squares, kept);
}

Statistics statisticsOf(const double* values, std::size_t n) {
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    sum += values[i];
  }
  const double mean = sum / static_cast<double>(n);
  double squares = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double d = values[i] - mean;
    squares += d * d;
  }
  return finish(mean, squares, static_cast<std::int64_t>(n));
}

} // namespace kavo
