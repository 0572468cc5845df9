// Trust at the edges: a series of three images rests its intervals on the stated accuracy of a step
// and says so; a rail off the viewing axis is found where a tilted target shows it and held along
// the axis where it cannot be seen; errors of the images' own distances are not taken for a
// scattering rail, while a rail that scatters still is; circle centres under distortion are modelled.
#include "refine/circle_centres.h"
#include "refine/refine_series.h"
#include "refine/series_assessment.h"
#include "refine/step_scatter.h"
#include "refine_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace kavo {
namespace {

using testing::boardSeries;
using testing::refineInputFor;

using testing::hasWarning;

using testing::threeImages;

TEST(Edges, ThreeImagesRestTheirIntervalsOnTheStatedStepAccuracy) {
  RefineInput in = refineInputFor(threeImages(3));
  in.decimalSeparator = ',';
  const SeriesAssessment a = assessSeries(in);
  ASSERT_TRUE(a.refined.ok) << a.refined.message;
  EXPECT_TRUE(a.refined.stepAccuracyStated);
  EXPECT_EQ(a.refined.stepAccuracy, 0.05);
  EXPECT_TRUE(hasWarning(a.refined, "Шагов слишком мало (2), чтобы снимки показали их разброс: интервалы "
                                    "опираются на заявленную точность шага 0,050 мм"));
  // A step known to 0.05 mm in 20 mm leaves the focal length known to some 0.2 %: the points alone
  // would claim a tenth of that.
  EXPECT_GT(a.refined.standardError, 5.0 * a.refined.formalError);
  EXPECT_GT(a.refined.intervalHigh - a.refined.intervalLow, 8.0);
  ASSERT_TRUE(a.uncertainty.available) << a.uncertainty.message;
  EXPECT_GT(a.uncertainty.stepError, 0.0);

  // Steps stated exact: the intervals are the points' alone, and still the warning says on what they rest.
  in.stepAccuracy = 0.0;
  const SeriesAssessment exact = assessSeries(in);
  ASSERT_TRUE(exact.refined.ok);
  EXPECT_LT(exact.refined.intervalHigh - exact.refined.intervalLow,
            0.5 * (a.refined.intervalHigh - a.refined.intervalLow));
  EXPECT_TRUE(hasWarning(exact.refined, "Шагов слишком мало (2)"));
}

TEST(Edges, FourStepsMeasureTheirOwnScatter) {
  SyntheticGeometryOptions o = boardSeries(5);
  o.images = 5;
  const RefinedResult r = refineSeries(refineInputFor(o));
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_FALSE(r.stepAccuracyStated);
  EXPECT_FALSE(hasWarning(r, "Шагов слишком мало"));
}

struct RailCase {
  char tiltAxis;
  double railX;
  double railY;
};

class RailOffTheAxis : public ::testing::TestWithParam<RailCase> {};

TEST_P(RailOffTheAxis, IsFoundUnderATiltedTargetAndLeavesTheFocalLengthAlone) {
  const RailCase c = GetParam();
  SyntheticGeometryOptions o = boardSeries(11);
  o.tiltDegrees = 5.0;
  o.tiltAxis = c.tiltAxis;
  o.railDegreesX = c.railX;
  o.railDegreesY = c.railY;
  const RefinedResult r = refineSeries(refineInputFor(o));
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_TRUE(r.railFree);
  EXPECT_NEAR(r.railDegrees[0], c.railX, 0.1);
  EXPECT_NEAR(r.railDegrees[1], c.railY, 0.1);
  EXPECT_LT(r.railStandardError, 0.1);
  EXPECT_NEAR(r.focal, o.focal, 0.3);
  EXPECT_NEAR(r.principalPointX, o.imageWidth / 2.0, 2.0);
  EXPECT_NEAR(r.principalPointY, o.imageHeight / 2.0, 2.0);
  EXPECT_LT(r.reprojectionRms, 1.5 * o.noise);
  EXPECT_TRUE(hasWarning(r, "Камера движется не вдоль своей оси")) << r.warnings.front();
}

INSTANTIATE_TEST_SUITE_P(Edges, RailOffTheAxis,
                         ::testing::Values(RailCase{'x', 4.0, 0.0}, RailCase{'x', 0.0, 2.0},
                                           RailCase{'y', -2.0, 0.0}, RailCase{'y', 1.5, -1.5}));

TEST(Edges, ARailAlongTheAxisIsNotReported) {
  SyntheticGeometryOptions o = boardSeries(12);
  o.tiltDegrees = 5.0;
  const RefinedResult r = refineSeries(refineInputFor(o));
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_LT(std::hypot(r.railDegrees[0], r.railDegrees[1]), 0.2);
  EXPECT_FALSE(hasWarning(r, "Камера движется не вдоль своей оси"));
}

TEST(Edges, ASquareOnTargetCannotShowTheRailAndHoldsItAlongTheAxis) {
  SyntheticGeometryOptions o = boardSeries(13);
  o.railDegreesX = 2.0;
  const RefinedResult r = refineSeries(refineInputFor(o));
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_FALSE(r.railFree);
  EXPECT_EQ(r.railDegrees[0], 0.0);
  EXPECT_FALSE(hasWarning(r, "Камера движется не вдоль своей оси"));
}

// Steps of 20 mm measured to 0.003 mm; the images' own distances off by 0.005 mm each, as a corner
// finder leaves them on a tilted target (neighbouring steps share an image, so their errors are
// opposite), or the steps themselves off by 0.05 mm.
struct StepsSeen {
  std::vector<double> listed, measured, covariance;
};

StepsSeen stepsSeen(std::uint64_t seed, double imageError, double stepError) {
  constexpr std::size_t k = 9;
  constexpr double precision = 0.002; // of each image's distance from its points
  Gaussian g(seed);
  std::vector<double> image(k + 1);
  for (double& d : image) {
    d = imageError * g.next() + precision * g.next();
  }
  StepsSeen s;
  s.listed.assign(k, 20.0);
  for (std::size_t i = 0; i < k; ++i) {
    s.measured.push_back(20.0 + stepError * g.next() + image[i + 1] - image[i]);
  }
  s.covariance.assign(k * k, 0.0);
  for (std::size_t i = 0; i < k; ++i) {
    s.covariance[i * k + i] = 2.0 * precision * precision;
    if (i + 1 < k) {
      s.covariance[i * k + i + 1] = s.covariance[(i + 1) * k + i] = -precision * precision;
    }
  }
  return s;
}

TEST(Edges, ErrorsOfTheImagesOwnDistancesAreNotTakenForScatteringSteps) {
  int wanted = 0, told = 0;
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    const StepsSeen s = stepsSeen(seed, 0.005, 0.0);
    const StepScatter plain = stepScatter(s.listed, s.measured, s.covariance, std::vector<char>(9, 0));
    const StepScatter judged =
        stepScatter(s.listed, s.measured, s.covariance, std::vector<char>(9, 0), 300.0);
    wanted += plain.significant ? 1 : 0;
    told += judged.significant ? 1 : 0;
  }
  // Beyond the points' noise the images always disagree with the list; the steps are not to blame.
  EXPECT_GE(wanted, 30);
  EXPECT_LE(told, 2);
}

TEST(Edges, StepsScatteringByFiveHundredthsAreStillCaught) {
  int told = 0;
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    const StepsSeen s = stepsSeen(seed, 0.005, 0.05);
    told +=
        stepScatter(s.listed, s.measured, s.covariance, std::vector<char>(9, 0), 300.0).significant ? 1 : 0;
  }
  EXPECT_GE(told, 38);
  // And in whole series of ten images.
  for (const std::uint64_t seed : {61u, 62u, 63u}) {
    SyntheticGeometryOptions o = boardSeries(seed);
    o.stepJitter = 0.05;
    o.tiltDegrees = 4.0;
    const RefinedResult r = refineSeries(refineInputFor(o));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(r.stepScatterSignificant) << seed;
    EXPECT_TRUE(hasWarning(r, "Шаги камеры не согласуются со снимками")) << seed;
  }
}

TEST(Edges, ACircleCentreUnderDistortionLiesOffTheImageOfTheCentre) {
  CameraParameters camera;
  camera.focal = 1600.0;
  camera.distortion[0] = -0.05;
  TargetPose pose;
  pose.translation[2] = 300.0;
  // A circle of 7.5 mm at 300 mm is 40 px across; 200 mm off the axis the shift is some 3·k1·(r/z)²
  // of its distance from the centre (1067 px): 0.1 px towards the centre.
  const auto s = circleCentreShift(camera, pose, 0.0, 200.0, 0.0, 7.5);
  EXPECT_NEAR(s[0], 3.0 * -0.05 * (7.5 / 300.0) * (7.5 / 300.0) * 1600.0 * 200.0 / 300.0, 0.02);
  EXPECT_NEAR(s[1], 0.0, 1e-9);
  camera.distortion[0] = 0.0;
  const auto none = circleCentreShift(camera, pose, 0.0, 200.0, 0.0, 7.5);
  EXPECT_NEAR(none[0], 0.0, 1e-9);
  EXPECT_NEAR(none[1], 0.0, 1e-9);
}

TEST(Edges, CircleCentresUnderDistortionAreModelled) {
  for (const double k1 : {-0.05, 0.05}) {
    SCOPED_TRACE(k1);
    SyntheticGeometryOptions o = boardSeries(14);
    o.k1 = k1;
    o.noise = 0.01;
    o.circleRadius = 7.5;
    RefineInput in = refineInputFor(o);
    const RefinedResult modelled = refineSeries(in);
    ASSERT_TRUE(modelled.ok) << modelled.message;
    EXPECT_NEAR(modelled.focal, o.focal, 0.03);
    EXPECT_LE(modelled.intervalLow, o.focal);
    EXPECT_GE(modelled.intervalHigh, o.focal);
    in.circleRadius = 0.0; // taken for corners: about −2·k1 px off, beyond the interval
    const RefinedResult taken = refineSeries(in);
    ASSERT_TRUE(taken.ok) << taken.message;
    EXPECT_GT(std::fabs(taken.focal - o.focal), 0.06);
  }
}

} // namespace
} // namespace kavo
