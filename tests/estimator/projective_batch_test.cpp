#include "estimator/projective_batch.h"

#include "synthetic_series.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace kavo {
namespace {

// What the scalar solve and measurement give one image.
ImageMeasure scalarMeasure(const std::array<Point2, 4>& image, const Point2 scene[4]) {
  ImageMeasure m;
  ProjectiveTransform t;
  if (!solveProjectiveTransform(image.data(), scene, t)) {
    return m;
  }
  try {
    m.lengths = measureTestSegments(t);
    m.fit = MeasureOutcome::Measured;
  } catch (const RunAbandoned& e) {
    m.fit =
        e.reason == AbandonReason::ZeroDivisor ? MeasureOutcome::PointAtInfinity : MeasureOutcome::NotFinite;
  }
  return m;
}

bool sameOutcome(const ImageMeasure& a, const ImageMeasure& b) {
  return a.fit == b.fit &&
         (a.fit != MeasureOutcome::Measured || std::memcmp(&a.lengths, &b.lengths, sizeof a.lengths) == 0);
}

// The lane widths this processor runs: 2 always, 4 with AVX2.
std::vector<int> laneWidths() {
  return solveBatchSize() == 4 ? std::vector<int>{2, 4} : std::vector<int>{2};
}

// Runs the images through every lane width and compares every system with the scalar code; returns
// the fits seen.
void expectBatchMatchesScalar(const std::vector<std::array<Point2, 4>>& images, const Point2 scene[4],
                              std::vector<MeasureOutcome>& fits, int trial) {
  for (const int width : laneWidths()) {
    std::vector<ImageMeasure> batch(images.size());
    solveAndMeasureBatch(images.data(), static_cast<int>(images.size()), scene, batch.data(), width);
    for (std::size_t s = 0; s < images.size(); ++s) {
      const ImageMeasure expected = scalarMeasure(images[s], scene);
      ASSERT_TRUE(sameOutcome(batch[s], expected))
          << "trial " << trial << ", system " << s << ", width " << width;
      fits.push_back(expected.fit);
    }
  }
}

std::array<Point2, 4> fourOf(const std::vector<Point2>& points) {
  return {points[0], points[1], points[2], points[3]};
}

// Random systems of every awkward kind, each lane of a batch of its own kind: zero and whole
// coordinates, repeated points, and coordinates so large that the products overflow.
TEST(ProjectiveBatch, EverySystemGetsTheScalarOutcomeBitForBit) {
  std::mt19937_64 rng(7350);
  std::vector<MeasureOutcome> fits;
  for (int trial = 0; trial < 20000; ++trial) {
    const int count = 1 + trial % 6; // whole batches, part batches and both
    const auto scene = testing::randomPoints(rng, 4, 500, trial % 4);
    std::vector<std::array<Point2, 4>> images;
    for (int s = 0; s < count; ++s) {
      const int flavour = static_cast<int>(rng() % 5);
      const double extent = flavour == 4 ? 1e160 : 1000;
      images.push_back(fourOf(testing::randomPoints(rng, 4, extent, flavour % 4)));
    }
    expectBatchMatchesScalar(images, scene.data(), fits, trial);
  }
  const auto seen = [&](MeasureOutcome f) { return std::count(fits.begin(), fits.end(), f); };
  EXPECT_GT(seen(MeasureOutcome::Measured), 10000);
  EXPECT_GT(seen(MeasureOutcome::Unsolved), 100);
}

// Transforms whose test point (0, 250) lies on the horizon: 250·h rounds to exactly −1, so the
// denominator is zero. The scene points are the image points carried through such a transform.
TEST(ProjectiveBatch, ATestPointAtInfinityIsReportedAsTheScalarCodeThrowsIt) {
  std::mt19937_64 rng(250);
  std::uniform_real_distribution<double> u(-600, 600);
  std::uniform_real_distribution<double> below(-600, 100);
  const double h = -1.0 / 250.0;
  std::vector<MeasureOutcome> fits;
  for (int trial = 0; trial < 400; ++trial) {
    std::vector<std::array<Point2, 4>> images;
    Point2 scene[4];
    std::array<Point2, 4> image;
    for (int n = 0; n < 4; ++n) {
      image[static_cast<std::size_t>(n)] = {u(rng), below(rng)};
      const Point2 p = image[static_cast<std::size_t>(n)];
      const double w = h * p.y + 1.0;
      scene[n] = {(0.7 * p.x + 0.1 * p.y + 5) / w, (-0.2 * p.x + 0.9 * p.y - 3) / w};
    }
    images.push_back(image);
    images.push_back(fourOf(testing::randomPoints(rng, 4, 1000, 0))); // a neighbour of another kind
    expectBatchMatchesScalar(images, scene, fits, trial);
  }
  EXPECT_GT(std::count(fits.begin(), fits.end(), MeasureOutcome::PointAtInfinity), 5);
}

} // namespace
} // namespace kavo
