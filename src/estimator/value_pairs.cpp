#include "estimator/value_pairs.h"

#include "estimator/focal_values_block.h"

#include <cmath>

namespace kavo {

bool FocalValuePairs::walk(const FocalValues& values,
                           const std::function<void(int, int, double, double)>& sink) {
  if (!values.stored.empty() || !values.segments.empty()) {
    return false;
  }
  // The same loop as FocalValues::walkErased, with the pair handed over beside the two values.
  const std::size_t imageStride = static_cast<std::size_t>(values.images);
  for (const auto& block : values.blocks) {
    std::size_t begin = 0;
    for (const std::uint32_t end : block->quadEnd) {
      for (std::size_t a = begin; a < end; ++a) {
        const int base = block->image[a];
        if (base < values.firstBaseIndex || base > values.lastBaseIndex) {
          continue;
        }
        const double baseY = block->ly[a];
        const double baseX = block->lx[a];
        const double* scale = values.pairScale.data() + static_cast<std::size_t>(base) * imageStride;
        for (std::size_t b = a + 1; b < end; ++b) {
          const int partner = block->image[b];
          if (partner < base + values.gap) {
            continue;
          }
          const double s = scale[partner];
          sink(base, partner, std::fabs(s / (block->ly[b] - baseY)), std::fabs(s / (block->lx[b] - baseX)));
        }
      }
      begin = end;
    }
  }
  return true;
}

FocalValues enumerateValuesWithPairs(const EstimatorInput& input, EstimatorSettings settings,
                                     const EnumerationHooks& hooks) {
  // A budget of one byte is below any run that yields a value, so the list keeps lengths.
  settings.valueMemoryLimit = 1.0;
  return enumerateFocalValues(input, settings, hooks);
}

} // namespace kavo
