#pragma once
// The walks of the statistics over a value list (visitors for FocalValues::visit).
//
// Each pass adds in list order, one value after the other: that order is part of the result.
// Everything else (forming the values, the differences, the band tests) runs beside the additions.
// A value outside a band adds +0.0, which leaves every sum as it was: x + (+0.0) is x for every x but
// −0.0, and a sum started at +0.0 never becomes −0.0.
#include "estimator/estimator.h"
#include "estimator/focal_value.h"

#include <functional>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kavo {

class StopPoll {
public:
  explicit StopPoll(const std::function<bool()>& stop) : shouldStop(&stop) {}
  void boundary() const {
    if (*shouldStop && (*shouldStop)()) {
      throw RunAbandoned(AbandonReason::Cancelled, "счёт остановлен по запросу");
    }
  }

private:
  const std::function<bool()>* shouldStop;
};

// A closed band [low, high] in both lanes.
struct Band {
  AxisPair low = {0.0, 0.0};
  AxisPair high = {0.0, 0.0};
  Band() = default;
  Band(double lowBound, double highBound) : low(bothAxes(lowBound)), high(bothAxes(highBound)) {}
  bool holds(double v) const { return low[0] <= v && v <= high[0]; }
};

// The lanes of kept where v lies inside the band, +0.0 in the others. On x86 the mask is formed and
// applied with the instructions made for it: written with generic vectors, the compiler takes the
// lanes apart into integer selects, which costs more than the rest of the pass.
inline AxisPair keepInBand(AxisPair v, AxisPair kept, const Band& band) {
#if defined(__SSE2__)
  const __m128d in = _mm_and_pd(_mm_cmple_pd(band.low, v), _mm_cmple_pd(v, band.high));
  return _mm_and_pd(kept, in);
#else
  return reinterpret_cast<AxisPair>(reinterpret_cast<AxisMask>(kept) & ((band.low <= v) & (v <= band.high)));
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

// Σ (v − mean)² over all values.
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

// Σ (v − mean)² over the values inside the band.
struct BandSquaresPass : StopPoll {
  BandSquaresPass(const std::function<bool()>& stop, double m, const Band& b)
      : StopPoll(stop), mean(bothAxes(m)), band(b) {}
  AxisPair mean;
  Band band;
  double squares = 0.0;
  void pair(AxisPair v) {
    const AxisPair d = v - mean;
    const AxisPair dd = keepInBand(v, d * d, band);
    squares += dd[0];
    squares += dd[1];
  }
  void single(double v) {
    if (band.holds(v)) {
      const double d = v - mean[0];
      squares += d * d;
    }
  }
};

// The sum and the count of the values inside the band.
struct BandSumPass : StopPoll {
  BandSumPass(const std::function<bool()>& stop, const Band& b) : StopPoll(stop), band(b) {}
  Band band;
  double sum = 0.0;
  AxisPair keptLanes = {0.0, 0.0}; // counts, exact up to 2^53 values
  std::int64_t keptSingle = 0;
  void pair(AxisPair v) {
    const AxisPair kept = keepInBand(v, v, band);
    keptLanes += keepInBand(v, bothAxes(1.0), band);
    sum += kept[0];
    sum += kept[1];
  }
  void single(double v) {
    if (band.holds(v)) {
      sum += v;
      ++keptSingle;
    }
  }
  std::int64_t kept() const {
    return keptSingle + static_cast<std::int64_t>(keptLanes[0]) + static_cast<std::int64_t>(keptLanes[1]);
  }
};

// BandSumPass that also sums the kept values of every image pair (visited through pairOf, which the
// walk calls instead of pair when the visitor has it). The running sums of the pairs live in the
// table, outside the chain of the ordered sum, which they do not lengthen.
struct BandSumPairsPass : BandSumPass {
  BandSumPairsPass(const std::function<bool()>& stop, const Band& b, PairSumsTable& t)
      : BandSumPass(stop, b), sums(t.sum.data()), counts(t.count.data()), images(t.images) {}
  double* sums;
  std::int64_t* counts;
  int images;
  void pairOf(int base, int partner, AxisPair v) {
    pair(v);
    const AxisPair kept = keepInBand(v, v, band);
    const AxisPair ones = keepInBand(v, bothAxes(1.0), band);
    const std::size_t at =
        static_cast<std::size_t>(base) * static_cast<std::size_t>(images) + static_cast<std::size_t>(partner);
    sums[at] += kept[0];
    sums[at] += kept[1];
    counts[at] += static_cast<std::int64_t>(ones[0]) + static_cast<std::int64_t>(ones[1]);
  }
};

} // namespace kavo
