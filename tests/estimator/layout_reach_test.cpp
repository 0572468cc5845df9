// How far the quadruples of a series get in the layout tests when none passes, and the settings
// suggested then: they must let real quadruples through the very test the enumeration makes.
#include "estimator/estimator.h"
#include "estimator/layout_reach.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace kavo {
namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// A square of four points (side in pixels) around the middle of a 300 × 400 image (diagonal 500).
std::vector<Point2> square(double side) {
  return {{100, 100}, {100 + side, 100}, {100, 100 + side}, {100 + side, 100 + side}};
}

EstimatorInput squares(const std::vector<double>& sides) {
  EstimatorInput input;
  input.scene = square(10.0);
  for (double s : sides) {
    input.images.push_back(square(s));
  }
  return input;
}

EstimatorSettings settingsOf(double spacing, double angleDegrees, int images) {
  EstimatorSettings s;
  s.minPointSpacing = spacing;
  s.minLineAngle = angleDegrees * kDegree;
  s.imageWidth = 300.0;
  s.imageHeight = 400.0;
  s.imageValues.assign(static_cast<std::size_t>(images), 10.0);
  s.threads = 1;
  return s;
}

std::int64_t valuesUnder(const EstimatorInput& input, EstimatorSettings s, double spacing, double angle) {
  s.minPointSpacing = spacing;
  s.minLineAngle = angle;
  return static_cast<std::int64_t>(enumerateFocalValues(input, s, {}).size());
}

// A square's smallest distance is its side and its smallest angle 45°; an image pair counts by its
// smaller square, so the largest spacing comes from the pair of the two largest squares.
TEST(LayoutReach, SpacingLimitedSeriesKeepsTheAngleAndLowersTheSpacing) {
  const EstimatorInput input = squares({100.0, 50.0, 80.0});
  const EstimatorSettings s = settingsOf(0.3, 30.0, 3);
  ASSERT_EQ(valuesUnder(input, s, s.minPointSpacing, s.minLineAngle), 0);
  const LayoutReach r = layoutReach(input, s);
  ASSERT_TRUE(r.known);
  EXPECT_NEAR(r.largestSpacing, 80.0 / 500.0, 1e-12);
  EXPECT_NEAR(r.largestAngle, 45.0 * kDegree, 1e-12);
  ASSERT_TRUE(r.suggested);
  EXPECT_TRUE(r.keptAngle);
  EXPECT_FALSE(r.keptSpacing);
  EXPECT_EQ(r.angle, s.minLineAngle);
  EXPECT_NEAR(r.spacing, 80.0 / 500.0, 1e-12);
  EXPECT_EQ(r.quadruples, 1);
  EXPECT_GT(valuesUnder(input, s, r.spacing * (1 - 1e-9), r.angle), 0);
}

// The image numbers decide the pairs: with the second image two after the first, the pair (1, 3) is
// the only one, and its smaller square is the 80-pixel one; (1, 2) with its 100 and 90 is not a pair.
TEST(LayoutReach, OnlyAdmissiblePairsCount) {
  const EstimatorInput input = squares({100.0, 90.0, 80.0});
  EstimatorSettings s = settingsOf(0.3, 30.0, 3);
  s.secondImageNumber = 3;
  const LayoutReach r = layoutReach(input, s);
  EXPECT_NEAR(r.largestSpacing, 80.0 / 500.0, 1e-12);
  s.firstImageNumber = 2;
  s.secondImageNumber = 4; // no image 4: no pair at all
  const LayoutReach none = layoutReach(input, s);
  EXPECT_FALSE(none.known);
  EXPECT_FALSE(none.suggested);
}

// An angle no four points reach (above 45° for a square) keeps the spacing and lowers the angle; when
// neither setting can stay, both are lowered in proportion.
TEST(LayoutReach, AngleLimitedAndBothLimitedSeries) {
  const EstimatorInput input = squares({100.0, 90.0});
  const EstimatorSettings angleLimited = settingsOf(0.1, 60.0, 2);
  const LayoutReach a = layoutReach(input, angleLimited);
  ASSERT_TRUE(a.suggested);
  EXPECT_TRUE(a.keptSpacing);
  EXPECT_EQ(a.spacing, angleLimited.minPointSpacing);
  EXPECT_NEAR(a.angle, 45.0 * kDegree, 1e-12);
  EXPECT_GT(valuesUnder(input, angleLimited, a.spacing, a.angle * (1 - 1e-9)), 0);

  const EstimatorSettings both = settingsOf(0.5, 60.0, 2);
  const LayoutReach b = layoutReach(input, both);
  ASSERT_TRUE(b.suggested);
  EXPECT_FALSE(b.keptSpacing);
  EXPECT_FALSE(b.keptAngle);
  EXPECT_NEAR(b.spacing / both.minPointSpacing, b.angle / both.minLineAngle, 1e-12);
  EXPECT_LE(b.spacing, 90.0 / 500.0 + 1e-12);
  EXPECT_LE(b.angle, 45.0 * kDegree + 1e-12);
  EXPECT_GT(valuesUnder(input, both, b.spacing * (1 - 1e-9), b.angle * (1 - 1e-9)), 0);
}

// Three points on one line form no angle: a quadruple of them is never suggested, and a grid whose
// quadruples are counted picks the spacing the wanted number of them reach.
TEST(LayoutReach, GridSuggestsWhatTheWantedQuadruplesReach) {
  EstimatorInput input;
  for (int image = 0; image < 2; ++image) {
    std::vector<Point2> grid;
    const double pitch = image == 0 ? 20.0 : 18.0;
    for (int row = 0; row < 4; ++row) {
      for (int col = 0; col < 4; ++col) {
        grid.push_back({100 + col * pitch, 100 + row * pitch});
      }
    }
    input.images.push_back(grid);
  }
  input.scene = input.images[0];
  const EstimatorSettings s = settingsOf(0.3, 30.0, 2);
  const LayoutReach one = layoutReach(input, s, 1);
  const LayoutReach many = layoutReach(input, s, 40);
  ASSERT_TRUE(one.suggested && many.suggested);
  EXPECT_NEAR(one.spacing, 54.0 / 500.0, 1e-12); // the corners of the smaller grid
  EXPECT_LT(many.spacing, one.spacing);
  EXPECT_EQ(many.quadruples, 40);
  const std::int64_t values = valuesUnder(input, s, many.spacing * (1 - 1e-9), many.angle);
  EXPECT_GE(values, 2 * 40); // two values per quadruple and image pair
}

} // namespace
} // namespace kavo
