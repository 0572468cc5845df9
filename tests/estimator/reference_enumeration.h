#pragma once
// The enumeration written as the plain nested loops: every base and partner image solved afresh
// for every quadruple, with the full 8 × 9 elimination and the layout check as written. The
// program's enumeration must give the same list, bit for bit, and meet the same first fault.
#include "estimator/estimator.h"
#include "estimator/projective_solve.h"
#include "estimator/quadruple_layout.h"

#include <cmath>
#include <utility>
#include <vector>

namespace kavo::testing {

struct ReferenceOutcome {
  std::vector<double> values;
  std::vector<std::pair<int, int>> pairs; // the base and partner image of each value
  AbandonReason reason = AbandonReason::None;
  int progressSteps = 0;
};

inline ReferenceOutcome referenceEnumeration(const EstimatorInput& in, const EstimatorSettings& s) {
  ReferenceOutcome out;
  const int n = static_cast<int>(in.scene.size());
  const int images = static_cast<int>(in.images.size());
  const int gap = s.secondImageNumber - s.firstImageNumber;
  const double minDistance =
      std::sqrt(s.imageWidth * s.imageWidth + s.imageHeight * s.imageHeight) * s.minPointSpacing;
  const auto take = [&](int m, const int q[4], Point2 p[4]) {
    const auto& list = in.images[static_cast<std::size_t>(m)];
    for (int t = 0; t < 4; ++t) {
      if (q[t] >= static_cast<int>(list.size())) {
        throw RunAbandoned(AbandonReason::RangeError, "Index out of bounds ListOfT::Get");
      }
      p[t] = list[static_cast<std::size_t>(q[t])];
    }
  };
  try {
    for (int i = 0; i < n - 3; ++i) {
      ++out.progressSteps;
      for (int j = i + 1; j < n - 2; ++j) {
        for (int k = j + 1; k < n - 1; ++k) {
          for (int l = k + 1; l < n; ++l) {
            const int q[4] = {i, j, k, l};
            Point2 scene[4];
            for (int t = 0; t < 4; ++t) {
              scene[t] = in.scene[static_cast<std::size_t>(q[t])];
            }
            for (int base = s.firstImageNumber - 1; base <= images - gap; ++base) {
              Point2 p[4];
              take(base, q, p);
              if (checkQuadrupleLayout(p, minDistance, s.minLineAngle) != 0) {
                continue;
              }
              ProjectiveTransform t;
              if (!solveProjectiveTransformFull(p, scene, t)) {
                continue;
              }
              const SegmentLengths lb = measureTestSegments(t);
              for (int partner = base + gap; partner < images; ++partner) {
                take(partner, q, p);
                if (checkQuadrupleLayout(p, minDistance, s.minLineAngle) != 0) {
                  continue;
                }
                if (!solveProjectiveTransformFull(p, scene, t)) {
                  continue;
                }
                const SegmentLengths lp = measureTestSegments(t);
                double sum = 0.0;
                for (int m = base; m < partner; ++m) {
                  sum += s.imageValues[static_cast<std::size_t>(m)];
                }
                for (const double d : {lp.ly - lb.ly, lp.lx - lb.lx}) {
                  if (d == 0.0) {
                    throw RunAbandoned(AbandonReason::ZeroDivisor, "zero divisor");
                  }
                  const double v = std::fabs(sum * 250.0 / d);
                  if (!std::isfinite(v)) {
                    throw RunAbandoned(AbandonReason::NonFinite, "overflow");
                  }
                  out.values.push_back(v);
                  out.pairs.emplace_back(base, partner);
                }
              }
            }
          }
        }
      }
    }
  } catch (const RunAbandoned& e) {
    out.reason = e.reason;
  }
  return out;
}

} // namespace kavo::testing
