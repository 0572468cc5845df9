#include "estimator/estimator.h"
#include "estimator/focal_values_walk.h"
#include "estimator/statistics_passes.h"

#include <cmath>
#include <string>

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
                             const std::function<bool()>& shouldStop, PairSumsTable* pairs) {
  const Band band(unclipped.mean - k * unclipped.deviation, unclipped.mean + k * unclipped.deviation);
  BandSumPass kept(shouldStop, band);
  if (pairs != nullptr && values.imagePairCount() > 0) {
    const int n = values.imagePairCount();
    pairs->images = n;
    pairs->sum.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(n), 0.0);
    pairs->count.assign(pairs->sum.size(), 0);
    BandSumPairsPass withPairs(shouldStop, band, *pairs);
    values.visit(withPairs);
    kept = withPairs;
  } else {
    if (pairs != nullptr) {
      *pairs = PairSumsTable{};
    }
    values.visit(kept);
  }
  if (kept.kept() == 0) {
    throw RunAbandoned(AbandonReason::NothingInBand,
                       "в полосе отсечения нет ни одного значения из " + std::to_string(values.size()));
  }
  const double mean = kept.sum / static_cast<double>(kept.kept());
  BandSquaresPass squares(shouldStop, mean, band);
  values.visit(squares);
  return finish(mean, squares.squares, kept.kept());
}

double clippedMean(const FocalValues& values, const Statistics& unclipped, double k,
                   const std::function<bool()>& shouldStop) {
  const Band band(unclipped.mean - k * unclipped.deviation, unclipped.mean + k * unclipped.deviation);
  BandSumPass kept(shouldStop, band);
  values.visit(kept);
  if (kept.kept() == 0) {
    throw RunAbandoned(AbandonReason::NothingInBand,
                       "в полосе отсечения нет ни одного значения из " + std::to_string(values.size()));
  }
  return kept.sum / static_cast<double>(kept.kept());
}

} // namespace kavo
