#include "estimator/enumeration_plan.h"

#include "estimator/projective_solve.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace kavo {
namespace {

void checkSettings(const EstimatorInput& input, const EstimatorSettings& settings) {
  if (settings.firstImageNumber < 1 || settings.secondImageNumber <= settings.firstImageNumber) {
    throw Error("номера изображений " + std::to_string(settings.firstImageNumber) + " и " +
                std::to_string(settings.secondImageNumber) +
                ": первый должен быть не меньше 1, второй больше первого");
  }
  if (settings.imageValues.size() < input.images.size()) {
    throw Error("шагов камеры " + std::to_string(settings.imageValues.size()) + ", а изображений " +
                std::to_string(input.images.size()));
  }
  if (input.images.size() > std::numeric_limits<std::uint16_t>::max()) {
    throw Error("изображений " + std::to_string(input.images.size()) + ", больше допустимых 65535");
  }
}

// For each point pair, the images from the first base on in which its two points are far enough apart.
void markPairImages(EnumerationPlan& plan) {
  const auto points = static_cast<std::size_t>(plan.points);
  plan.pairImages.assign(points * points * plan.maskWords, 0);
  plan.baseImages.assign(plan.maskWords, 0);
  for (int m = plan.firstBase; m < plan.imageCount; ++m) {
    const auto bit = std::uint64_t{1} << (static_cast<unsigned>(m) % 64);
    const auto word = static_cast<std::size_t>(m) / 64;
    if (m <= plan.lastBase) {
      plan.baseImages[word] |= bit;
    }
    const ImageLayoutTable& layout = plan.layout[static_cast<std::size_t>(m)];
    const int n = std::min(plan.points, plan.pointCount[static_cast<std::size_t>(m)]);
    for (int i = 0; i < n; ++i) {
      for (int j = i + 1; j < n; ++j) {
        if (layout.farEnough(i, j)) {
          const auto ij = static_cast<std::size_t>(i) * points + static_cast<std::size_t>(j);
          const auto ji = static_cast<std::size_t>(j) * points + static_cast<std::size_t>(i);
          plan.pairImages[ij * plan.maskWords + word] |= bit;
          plan.pairImages[ji * plan.maskWords + word] |= bit;
        }
      }
    }
  }
}

// S = the camera steps from the base image up to the one before the partner, summed in order.
PairRule pairRule(const EnumerationPlan& plan, const std::vector<double>& steps) {
  PairRule rule;
  rule.images = plan.imageCount;
  rule.firstBase = plan.firstBase;
  rule.lastBase = plan.lastBase;
  rule.gap = plan.gap;
  const auto images = static_cast<std::size_t>(plan.imageCount);
  rule.scale.assign(images * images, 0.0);
  for (int base = std::max(plan.firstBase, 0); base <= plan.lastBase; ++base) {
    for (int partner = base + plan.gap; partner < plan.imageCount; ++partner) {
      double s = 0.0;
      for (int k = base; k < partner; ++k) {
        s += steps[static_cast<std::size_t>(k)];
      }
      rule.scale[static_cast<std::size_t>(base) * images + static_cast<std::size_t>(partner)] =
          s * kTestSegmentLength;
    }
  }
  return rule;
}

} // namespace

EnumerationPlan makeEnumerationPlan(const EstimatorInput& input, const EstimatorSettings& settings) {
  checkSettings(input, settings);
  EnumerationPlan plan;
  plan.input = &input;
  plan.points = static_cast<int>(input.scene.size());
  plan.imageCount = static_cast<int>(input.images.size());
  plan.gap = settings.secondImageNumber - settings.firstImageNumber;
  plan.sample = static_cast<std::uint64_t>(std::max(1, settings.quadrupleSample));
  plan.firstBase = settings.firstImageNumber - 1;
  plan.lastBase = std::min(plan.imageCount - plan.gap, plan.imageCount - 1);
  plan.minLineAngle = settings.minLineAngle;
  plan.maskWords = std::max<std::size_t>(1, (input.images.size() + 63) / 64);

  for (const auto& pts : input.images) {
    plan.pointCount.push_back(static_cast<int>(pts.size()));
  }
  plan.minBaseCount = plan.points;
  for (int m = plan.firstBase; m <= plan.lastBase; ++m) {
    plan.minBaseCount = std::min(plan.minBaseCount, plan.pointCount[static_cast<std::size_t>(m)]);
  }

  const double minDistance =
      std::sqrt(settings.imageWidth * settings.imageWidth + settings.imageHeight * settings.imageHeight) *
      settings.minPointSpacing;
  plan.layout.reserve(input.images.size());
  for (const auto& pts : input.images) {
    plan.layout.emplace_back(pts, static_cast<int>(std::min(pts.size(), input.scene.size())), minDistance);
  }
  markPairImages(plan);
  plan.pairs = pairRule(plan, settings.imageValues);
  return plan;
}

} // namespace kavo
