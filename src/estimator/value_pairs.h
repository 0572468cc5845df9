#pragma once
#include "estimator/estimator.h"

#include <functional>

namespace kavo {

// The individual values together with the pair of images each one comes from, for statistics that
// resample whole images.
class FocalValuePairs {
public:
  // Calls sink(base, partner, yValue, xValue) for every quadruple and admissible image pair, in list
  // order (image indices from 0), with the values the list walks, bit for bit. A list of plain
  // values (FocalValues::fromVector) carries no image pairs: the walk then returns false without
  // calling sink.
  static bool walk(const FocalValues& values, const std::function<void(int, int, double, double)>& sink);
};

} // namespace kavo
