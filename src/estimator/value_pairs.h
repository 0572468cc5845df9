#pragma once
#include "estimator/estimator.h"

#include <functional>

namespace kavo {

// The individual values together with the pair of images each one comes from, for statistics that
// resample whole images.
class FocalValuePairs {
public:
  // Calls sink(base, partner, yValue, xValue) for every quadruple and admissible image pair, in list
  // order (image indices from 0). The values are those the list walks, bit for bit. Lists that hold
  // plain values carry no image pairs: the walk then returns false without calling sink.
  static bool walk(const FocalValues& values, const std::function<void(int, int, double, double)>& sink);
};

// The enumeration of enumerateFocalValues, made to keep the per-image lengths of every quadruple so
// that FocalValuePairs can walk the values with their image pairs. Same values, same order, same
// faults and checkpoints.
FocalValues enumerateValuesWithPairs(const EstimatorInput& input, EstimatorSettings settings,
                                     const EnumerationHooks& hooks);

} // namespace kavo
