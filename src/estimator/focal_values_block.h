#pragma once
#include "estimator/focal_values.h"

#include <cstdint>
#include <vector>

namespace kavo {

// The lengths of a run of consecutive quadruples: for each quadruple that yields values, the
// images whose transform was accepted (in image order) with their two test-segment lengths.
struct FocalValues::Block {
  std::vector<std::uint32_t> quadEnd; // end of each quadruple's entries
  std::vector<std::uint16_t> image;
  std::vector<double> ly;
  std::vector<double> lx;

  void shrink() {
    quadEnd.shrink_to_fit();
    image.shrink_to_fit();
    ly.shrink_to_fit();
    lx.shrink_to_fit();
  }
};

} // namespace kavo
