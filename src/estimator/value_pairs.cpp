#include "estimator/value_pairs.h"

#include "estimator/focal_values_walk.h"

namespace kavo {

bool FocalValuePairs::walk(const FocalValues& values,
                           const std::function<void(int, int, double, double)>& sink) {
  if (!values.stored.empty()) {
    return false;
  }
  for (const auto& block : values.blocks) {
    forEachPairOfBlock(*block, values.pairRule,
                       [&sink](int base, int later, const AxisPair& v) { sink(base, later, v[0], v[1]); });
  }
  return true;
}

} // namespace kavo
