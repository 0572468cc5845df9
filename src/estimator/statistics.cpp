#include "estimator/estimator.h"

#include <cmath>

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

// Walks the list in order, polling for a termination request between pieces.
template <typename Sink>
void walk(const FocalValues& values, const std::function<bool()>& shouldStop, Sink&& sink) {
  values.forEachPiece([&](const double* v, std::size_t count) {
    if (shouldStop && shouldStop()) {
      throw RunAbandoned(AbandonReason::Cancelled, "the run was cancelled");
    }
    sink(v, count);
  });
}

} // namespace

Statistics unclippedStatistics(const FocalValues& values, const std::function<bool()>& shouldStop) {
  const std::int64_t n = values.size();
  double sum = 0.0;
  if (values.hasOrderedSum()) {
    sum = values.orderedSum(); // formed in list order while the values were produced
  } else {
    walk(values, shouldStop, [&](const double* v, std::size_t count) {
      for (std::size_t i = 0; i < count; ++i) {
        sum += v[i];
      }
    });
  }
  const double mean = sum / static_cast<double>(n);
  double squares = 0.0;
  walk(values, shouldStop, [&](const double* v, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      const double d = v[i] - mean;
      squares += d * d;
    }
  });
  return finish(mean, squares, n);
}

Statistics clippedStatistics(const FocalValues& values, const Statistics& unclipped, double k,
                             const std::function<bool()>& shouldStop) {
  const double low = unclipped.mean - k * unclipped.deviation;
  const double high = unclipped.mean + k * unclipped.deviation;
  double sum = 0.0;
  std::int64_t kept = 0;
  walk(values, shouldStop, [&](const double* v, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      if (low <= v[i] && v[i] <= high) {
        sum += v[i];
        ++kept;
      }
    }
  });
  if (kept == 0) {
    throw RunAbandoned(AbandonReason::NothingInBand, "no value lies inside the clipping band");
  }
  const double mean = sum / static_cast<double>(kept);
  double squares = 0.0;
  walk(values, shouldStop, [&](const double* v, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      if (low <= v[i] && v[i] <= high) {
        const double d = v[i] - mean;
        squares += d * d;
      }
    }
  });
  return finish(mean, squares, kept);
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
