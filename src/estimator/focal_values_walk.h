#pragma once
// The inlined walk over a value list, for the passes that must run at the speed of their additions.
#include "estimator/focal_value.h"
#include "estimator/focal_values_block.h"

#include <algorithm>
#include <cstring>

namespace kavo {

inline AxisPair loadLengths(const SegmentLengths& l) {
  return AxisPair{l.ly, l.lx};
}

// Per quadruple: each image up to the last base with each image at least the gap later, in image order.
// The partners of a later base start no earlier than those of an earlier one. Calls
// take(base image, later image, the pair of values) for every pair of one block, in list order.
template <typename Take>
void forEachPairOfBlock(const FocalValues::Block& block, const PairRule& rule, Take&& take) {
  const std::uint16_t* image = block.image.data();
  const SegmentLengths* lengths = block.lengths.data();
  std::size_t begin = 0;
  for (const std::uint32_t end : block.quadEnd) {
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
        take(base, image[b], focalValues(bothAxes(scale[image[b]]), baseLengths, loadLengths(lengths[b])));
      }
    }
    begin = end;
  }
}

template <typename Visitor>
void FocalValues::visitBlock(const Block& block, const PairRule& rule, Visitor& caller) {
  // A copy whose running sums can stay in registers: through the caller's reference every addition
  // would go to memory and back, which doubles the length of the chain of additions.
  Visitor visitor = caller;
  if constexpr (requires(AxisPair v) { visitor.pairOf(0, 0, v); }) {
    forEachPairOfBlock(block, rule, [&visitor](int base, int partner, const AxisPair& v) {
      visitor.pairOf(base, partner, v);
    });
  } else {
    forEachPairOfBlock(block, rule, [&visitor](int, int, const AxisPair& v) { visitor.pair(v); });
  }
  caller = visitor;
}

template <typename Visitor> void FocalValues::visit(Visitor& visitor) const {
  constexpr std::size_t kStoredPiece = std::size_t{1} << 16;
  const std::size_t storedPairs = stored.size() / 2;
  for (std::size_t start = 0; start < storedPairs; start += kStoredPiece) {
    const std::size_t stop = std::min(storedPairs, start + kStoredPiece);
    Visitor local = visitor; // as in visitBlock
    for (std::size_t p = start; p < stop; ++p) {
      AxisPair v;
      std::memcpy(&v, stored.data() + 2 * p, sizeof v);
      local.pair(v);
    }
    visitor = local;
    visitor.boundary();
  }
  if (stored.size() % 2 != 0) {
    visitor.single(stored.back());
  }
  for (const auto& block : blocks) {
    visitBlock(*block, pairRule, visitor);
    visitor.boundary();
  }
}

} // namespace kavo
