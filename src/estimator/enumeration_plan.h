#pragma once
#include "estimator/estimator.h"
#include "estimator/quadruple_layout.h"

#include <cstdint>
#include <vector>

namespace kavo {

// Everything the enumeration's workers share, computed once before a run and only read after.
struct EnumerationPlan {
  const EstimatorInput* input = nullptr;
  int points = 0; // reference points
  int imageCount = 0;
  int firstBase = 0; // index of the first base image
  int lastBase = -1;
  int gap = 1;
  double minLineAngle = 0.0;
  int minBaseCount = 0;                  // fewest points in a base image
  std::vector<int> pointCount;           // points of each image
  std::size_t maskWords = 1;             // 64-bit words of an image set
  std::vector<std::uint64_t> pairImages; // for each point pair, the images where it is far enough apart
  std::vector<std::uint64_t> baseImages; // the base images as an image set
  std::vector<ImageLayoutTable> layout;  // per image
  PairRule pairs;                        // the image pairs and their scales S × 250
  std::uint64_t sample = 1;              // keep about one quadruple in sample (settings.quadrupleSample)

  const std::uint64_t* pairSet(int i, int j) const {
    return pairImages.data() +
           (static_cast<std::size_t>(i) * static_cast<std::size_t>(points) + static_cast<std::size_t>(j)) *
               maskWords;
  }
};

// Checks the settings against the input (throws Error naming what is wrong) and builds the plan.
EnumerationPlan makeEnumerationPlan(const EstimatorInput& input, const EstimatorSettings& settings);

} // namespace kavo
