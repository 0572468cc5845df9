#pragma once
#include "estimator/focal_values.h"
#include "estimator/projective_solve.h"

#include <cstdint>
#include <vector>

namespace kavo {

// The lengths of a run of consecutive quadruples: for each quadruple that yields values, the images
// taking part (in image order) with their two test-segment lengths.
struct FocalValues::Block {
  std::vector<std::uint32_t> quadEnd; // end of each quadruple's entries
  std::vector<std::uint16_t> image;
  std::vector<SegmentLengths> lengths;
  std::int64_t values = 0; // values the block gives

  void clear() {
    quadEnd.clear();
    image.clear();
    lengths.clear();
    values = 0;
  }

  std::size_t bytes() const {
    return quadEnd.size() * sizeof(std::uint32_t) + image.size() * sizeof(std::uint16_t) +
           lengths.size() * sizeof(SegmentLengths);
  }
};

} // namespace kavo
