#include "estimator/value_pairs.h"

#include "estimator/focal_values_walk.h"

namespace kavo {

bool FocalValuePairs::walk(const FocalValues& values,
                           const std::function<void(int, int, double, double)>& sink) {
  if (!values.stored.empty()) {
    return false;
  }
  // The loop of FocalValues::visitBlock, with the pair handed over beside its two values.
  const PairRule& rule = values.pairRule;
  for (const auto& block : values.blocks) {
    const std::uint16_t* image = block->image.data();
    const SegmentLengths* lengths = block->lengths.data();
    std::size_t begin = 0;
    for (const std::uint32_t end : block->quadEnd) {
      std::size_t partner = begin;
      for (std::size_t a = begin; a < end && image[a] <= rule.lastBase; ++a) {
        const int base = image[a];
        while (partner < end && image[partner] < base + rule.gap) {
          ++partner;
        }
        if (partner == end) {
          break;
        }
        const double* scale = rule.scaleRow(base);
        const AxisPair baseLengths = loadLengths(lengths[a]);
        for (std::size_t b = partner; b < end; ++b) {
          const AxisPair v = focalValues(bothAxes(scale[image[b]]), baseLengths, loadLengths(lengths[b]));
          sink(base, image[b], v[0], v[1]);
        }
      }
      begin = end;
    }
  }
  return true;
}

} // namespace kavo
