#pragma once
#include "estimator/estimator.h"

#include <functional>

namespace kavo {

// How far the quadruples of a series get in the layout tests, for a run in which none passed: the
// largest spacing and angle any quadruple reaches in an admissible image pair, and settings under
// which quadruples do pass. A quadruple counts in an image pair by the weaker of its two images, as
// the enumeration takes a value only from a pair in which both images accept it.
struct LayoutReach {
  bool known = false;          // some admissible image pair holds the quadruples' points
  double largestSpacing = 0.0; // a quadruple's smallest point distance, as a fraction of the diagonal
  double largestAngle = 0.0;   // a quadruple's smallest angle between its compared lines, radians
  bool suggested = false;
  double spacing = 0.0; // fraction of the diagonal; exactly the run's own when keptSpacing
  double angle = 0.0;   // radians; exactly the run's own when keptAngle
  bool keptSpacing = false;
  bool keptAngle = false;
  int quadruples = 0;   // quadruples that pass the suggestion (at most the wanted count)
  bool sampled = false; // a series of many points is looked at through a spread subset of them
};

// The reach of the series under the run's settings (the layout tests, the image numbers, the image
// size). Three suggestions are weighed, each the setting that the wanted best quadruples reach: the
// spacing lowered with the angle kept, the angle lowered with the spacing kept, and both lowered in
// proportion; of those that let enough quadruples through, the one keeping most of the run's
// settings is taken. Series of more than kLayoutReachPoints points are looked at through that many
// points spread over the target, so a suggestion always rests on real quadruples. shouldStop, when
// given, is polled once per first point and ends the search with RunAbandoned(Cancelled).
inline constexpr int kLayoutReachPoints = 60;
LayoutReach layoutReach(const EstimatorInput& input, const EstimatorSettings& settings, int wanted = 50,
                        const std::function<bool()>& shouldStop = {});

} // namespace kavo
