// The refined fit against synthetic series with a known truth: tilted targets, uncorrected radial
// distortion, a principal point off the centre, a camera that approaches instead of retreating.
#include "refine/refine_series.h"
#include "refine_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace kavo {
namespace {

using testing::boardSeries;
using testing::refineInputFor;
using testing::relativeError;

struct AccuracyCase {
  const char* name;
  double tilt = 0.0;
  char axis = 'x';
  double k1 = 0.0;
  double offsetX = 0.0;
  double offsetY = 0.0;
  bool approach = false;
  double tolerance = 0.0; // relative, of the focal length
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const AccuracyCase& c, std::ostream* os) {
  *os << c.name;
}

class RefineAccuracy : public ::testing::TestWithParam<AccuracyCase> {};

TEST_P(RefineAccuracy, RecoversTheTruth) {
  const AccuracyCase& c = GetParam();
  for (const std::uint64_t seed : {11u, 12u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    SyntheticGeometryOptions o = boardSeries(seed);
    o.tiltDegrees = c.tilt;
    o.tiltAxis = c.axis;
    o.k1 = c.k1;
    o.principalOffsetX = c.offsetX;
    o.principalOffsetY = c.offsetY;
    o.approach = c.approach;
    const RefinedResult r = refineSeries(refineInputFor(o));

    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_LT(relativeError(r.focal, o.focal), c.tolerance) << r.focal;
    EXPECT_LE(r.intervalLow, o.focal);
    EXPECT_GE(r.intervalHigh, o.focal);
    EXPECT_NEAR(r.tiltDegrees, std::fabs(c.tilt), 0.5);
    EXPECT_NEAR(r.principalPointX, o.imageWidth / 2 + c.offsetX, 2.0);
    EXPECT_NEAR(r.principalPointY, o.imageHeight / 2 + c.offsetY, 2.0);
    EXPECT_NEAR(r.k1, c.k1, 0.005);
    EXPECT_EQ(r.movingAway, !c.approach);
    // The points are measured to 0.04 px per coordinate: the residual length is about √2 of it.
    EXPECT_NEAR(r.reprojectionRms, 0.04 * std::sqrt(2.0), 0.01);
    EXPECT_TRUE(r.downWeighted.empty());
    for (const StepCheck& s : r.steps) {
      EXPECT_FALSE(s.suspect) << "step after image " << s.after;
    }
    const bool tiltWarned = r.tiltWarning >= 0;
    EXPECT_EQ(tiltWarned, std::fabs(c.tilt) > 1.0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Series, RefineAccuracy,
    ::testing::Values(AccuracyCase{"Square", 0.0, 'x', 0.0, 0.0, 0.0, false, 0.0002},
                      AccuracyCase{"TiltedTopAway8", 8.0, 'x', 0.0, 0.0, 0.0, false, 0.0005},
                      AccuracyCase{"TiltedTopNear8", -8.0, 'x', 0.0, 0.0, 0.0, false, 0.0005},
                      AccuracyCase{"TiltedRightAway8", 8.0, 'y', 0.0, 0.0, 0.0, false, 0.0005},
                      AccuracyCase{"TiltedRightNear3", -3.0, 'y', 0.0, 0.0, 0.0, false, 0.0005},
                      AccuracyCase{"BarrelDistortion", 0.0, 'x', -0.05, 0.0, 0.0, false, 0.0005},
                      AccuracyCase{"DistortionAndTilt", 5.0, 'y', -0.05, 0.0, 0.0, false, 0.0005},
                      AccuracyCase{"PrincipalPointOffCentre", 3.0, 'x', 0.0, 40.0, -25.0, false, 0.0005},
                      AccuracyCase{"Approaching", 0.0, 'x', 0.0, 0.0, 0.0, true, 0.0002}),
    [](const ::testing::TestParamInfo<AccuracyCase>& p) { return std::string(p.param.name); });

} // namespace
} // namespace kavo
