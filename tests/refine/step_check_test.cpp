// The steps as the images measure them: a step listed 2 mm short stands out, error-free series flag
// nothing, and steps that scatter are reported and widen the interval instead of being flagged.
#include "refine/refine_series.h"
#include "refine/step_check.h"
#include "refine_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace kavo {
namespace {

using testing::boardSeries;
using testing::refineInputFor;
using testing::relativeError;

int suspectCount(const RefinedResult& r) {
  return static_cast<int>(
      std::count_if(r.steps.begin(), r.steps.end(), [](const StepCheck& s) { return s.suspect; }));
}

using testing::hasWarning;

TEST(StepCheck, AStepListedTwoMillimetresShortIsFlaggedAndLeftOutOfTheScale) {
  for (const bool tilted : {false, true}) {
    SyntheticGeometryOptions o = boardSeries(21);
    o.stepErrors.push_back({4, -2.0});
    o.tiltDegrees = tilted ? 5.0 : 0.0;
    const SyntheticGeometry g = makeSyntheticGeometry(o);
    RefineInput in = refineInputFor(g, o);
    in.decimalSeparator = ',';
    const RefinedResult r = refineSeries(in);
    ASSERT_TRUE(r.ok) << r.message;
    ASSERT_EQ(r.steps.size(), 9u);
    EXPECT_EQ(suspectCount(r), 1);
    const StepCheck& wrong = r.steps[3];
    EXPECT_EQ(wrong.after, 4);
    EXPECT_TRUE(wrong.suspect);
    EXPECT_DOUBLE_EQ(wrong.stated, 18.0);
    EXPECT_NEAR(wrong.measured, 20.0, 0.05);
    // The wrong step does not drag the focal length: it is fitted free.
    EXPECT_LT(relativeError(r.focal, o.focal), 0.0005);
    EXPECT_TRUE(hasWarning(r, "Шаг после изображения 4 по снимкам 20,0")) << r.warnings.front();
  }
}

TEST(StepCheck, ErrorFreeSeriesFlagNothing) {
  for (const std::uint64_t seed : {31u, 32u, 33u, 34u, 35u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    SyntheticGeometryOptions o = boardSeries(seed);
    o.noise = seed % 2 == 0 ? 0.04 : 0.2;
    o.tiltDegrees = static_cast<double>(seed % 5) - 2.0;
    const RefinedResult r = refineSeries(refineInputFor(o));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(suspectCount(r), 0);
    EXPECT_FALSE(r.stepScatterSignificant);
    for (const StepCheck& s : r.steps) {
      EXPECT_NEAR(s.measured, s.stated, 4.0 * s.standardError + 1e-9) << "step after image " << s.after;
      EXPECT_GT(s.standardError, 0.0);
    }
  }
}

// Among 39 error-free steps some lie beyond 3 standard errors by chance; the limit grows with the
// number of steps, so these series (each flagged a step under a fixed 3) flag nothing, while a step
// listed 2 mm short still stands out.
TEST(StepCheck, LongErrorFreeSeriesFlagNothingAndAWrongStepStillStandsOut) {
  for (const std::uint64_t seed : {1u, 10u, 18u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    SyntheticGeometryOptions o;
    o.pitch = 160.0;
    o.images = 40;
    o.noise = 0.15;
    o.seed = seed;
    EXPECT_EQ(suspectCount(refineSeries(refineInputFor(o))), 0);
    o.stepErrors.push_back({20, -2.0});
    const RefinedResult wrong = refineSeries(refineInputFor(o));
    ASSERT_TRUE(wrong.ok) << wrong.message;
    EXPECT_TRUE(wrong.steps[19].suspect);
  }
}

TEST(StepCheck, TheLimitIsThreeForShortSeriesAndGrowsSlowlyWithTheirLength) {
  const struct {
    int steps;
    double limit;
  } cases[] = {{1, 3.0}, {3, 3.0}, {9, 3.26}, {39, 3.65}, {100, 3.89}};
  for (const auto& c : cases) {
    EXPECT_NEAR(suspectLimit(c.steps), c.limit, 0.01) << c.steps << " steps";
  }
}

TEST(StepCheck, ScatteredStepsAreReportedAndWidenTheInterval) {
  SyntheticGeometryOptions o = boardSeries(41);
  o.stepJitter = 0.2;
  const SyntheticGeometry g = makeSyntheticGeometry(o);
  const RefinedResult r = refineSeries(refineInputFor(g, o));
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_TRUE(r.stepScatterSignificant);
  EXPECT_NEAR(r.stepScatter, 0.2, 0.1);
  EXPECT_TRUE(hasWarning(r, "Шаги камеры не согласуются со снимками"));
  // Each measured step is the true one, up to the common scale of the fitted focal length.
  for (std::size_t k = 0; k < r.steps.size(); ++k) {
    EXPECT_NEAR(r.steps[k].measured * o.focal / r.focal, g.trueSteps[k], 0.05) << k;
  }
  // The points alone would claim a far narrower interval than the steps allow.
  EXPECT_GT(r.standardError, 5.0 * r.formalError);
  EXPECT_LE(r.intervalLow, o.focal);
  EXPECT_GE(r.intervalHigh, o.focal);
}

TEST(StepCheck, AnalysisFindsTheOddStepAndNeedsThreeToJudge) {
  const std::vector<double> listed(6, 20.0);
  const std::vector<double> error(6, 0.01);
  std::vector<double> measured{20.005, 19.992, 20.003, 18.0, 20.008, 19.996};
  StepAnalysis a = analyseSteps(listed, measured, error, std::vector<char>(6, 0));
  EXPECT_EQ(a.worst, 3);
  EXPECT_NEAR(a.scale, 1.0, 1e-3);
  EXPECT_TRUE(stepIsSuspect(a, error, 3));
  EXPECT_FALSE(stepIsSuspect(a, error, 0));

  // Once it is free the others agree.
  a = analyseSteps(listed, measured, error, {0, 0, 0, 1, 0, 0});
  EXPECT_EQ(a.worst, -1);

  // With two steps there is no telling which one is wrong.
  a = analyseSteps({20.0, 20.0}, {20.0, 18.0}, {0.01, 0.01}, {0, 0});
  EXPECT_EQ(a.worst, -1);
  EXPECT_FALSE(stepIsSuspect(a, {0.01, 0.01}, 1));
}

} // namespace
} // namespace kavo
