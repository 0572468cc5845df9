// The interval of the classic mean: built on exactly the classic values and holding the value it
// belongs to; beside it the estimate corrected for the shift the refined model predicts, with an
// interval reaching across that shift; and the images the classic result leaves unused.
#include "refine/classic_interval.h"
#include "refine/refine_series.h"
#include "refine/refine_texts.h"
#include "refine/series_assessment.h"
#include "refine_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace kavo {
namespace {

using testing::boardSeries;
using testing::refineInputFor;

using testing::hasWarning;

// The sample series: its classic result is known to the last bit.
TEST(ClassicInterval, BelongsToTheClassicMeanOfTheSample) {
  const RefineInput in = testing::sampleSeriesInput(std::string(KAVO_EXAMPLES) + "/sample");
  const SeriesAssessment a = assessSeries(in);
  const ClassicUncertainty& u = a.uncertainty;
  ASSERT_TRUE(u.available) << u.message;
  EXPECT_EQ(u.mean, 1799.7003262444346);
  std::int64_t kept = 0;
  double sum = 0.0;
  for (const PairSums& p : u.pairs) {
    kept += p.count;
    sum += p.sum;
    EXPECT_LT(p.base, p.partner);
  }
  // Exactly the values the classic run keeps inside its band of 3 deviations.
  const FocalValues values = enumerateFocalValues(in.points, in.settings, {});
  EXPECT_EQ(values.size(), 1314);
  const Statistics clipped = clippedStatistics(values, unclippedStatistics(values), 3.0);
  EXPECT_EQ(kept, clipped.count);
  EXPECT_EQ(u.mean, clipped.mean);
  // The run's own values give the same interval without enumerating them again.
  const ClassicUncertainty again = classicInterval(in, &a.refined, {}, &values);
  EXPECT_EQ(again.mean, u.mean);
  EXPECT_EQ(again.intervalLow, u.intervalLow);
  EXPECT_EQ(again.intervalHigh, u.intervalHigh);
  EXPECT_NEAR(sum / static_cast<double>(kept), u.mean, 1e-9 * u.mean);
  EXPECT_EQ(u.imagesUsed, 6);
  EXPECT_TRUE(u.unusedImages.empty());
  // Values of one image pair share its two images' errors: the honest error of the mean is far
  // above the deviation over √n (0.2547) that treats 1314 values as independent.
  EXPECT_GT(u.standardError, 2.0 * 0.2547);
  EXPECT_LE(u.intervalLow, u.mean);
  EXPECT_GE(u.intervalHigh, u.mean);
  EXPECT_LE(u.intervalLow, 1800.0);
  EXPECT_GE(u.intervalHigh, 1800.0);
  ASSERT_TRUE(a.refined.ok) << a.refined.message;
  EXPECT_NEAR(a.refined.focal, 1800.0, 1.0);
}

TEST(ClassicInterval, ReachesAcrossTheShiftOfATiltedTarget) {
  SyntheticGeometryOptions o = boardSeries(71);
  o.tiltDegrees = 8.0;
  RefineInput in = refineInputFor(o);
  in.decimalSeparator = ',';
  const SeriesAssessment a = assessSeries(in);
  const ClassicUncertainty& u = a.uncertainty;
  ASSERT_TRUE(u.available) << u.message;
  ASSERT_TRUE(u.biasKnown);
  // The classic formula reads a target tilted this way 1.6 % short; the model predicts it.
  EXPECT_LT(u.mean, 0.99 * o.focal);
  EXPECT_NEAR(u.mean - u.bias, o.focal, 0.001 * o.focal);
  // The value's interval describes the value: it holds the mean, and not the truth 1.6 % above it.
  EXPECT_LT(u.intervalLow, u.mean);
  EXPECT_GT(u.intervalHigh, u.mean);
  EXPECT_LT(u.intervalHigh, o.focal);
  // The corrected estimate has its own interval, about the truth, well above the mean.
  const ClassicCorrected& c = u.corrected;
  ASSERT_TRUE(c.available);
  EXPECT_EQ(c.focal, u.mean - u.bias);
  EXPECT_EQ(c.shift, u.bias);
  EXPECT_GT(c.intervalLow, u.mean);
  EXPECT_LE(c.intervalLow, o.focal);
  EXPECT_GE(c.intervalHigh, o.focal);
  // It carries the scatter of the predicted shift as well: a little wider than the value's.
  EXPECT_GT(c.standardError, u.standardError);
  EXPECT_LT(c.standardError, 1.5 * u.standardError);
  ASSERT_GE(a.refined.tiltWarning, 0);
  const std::string& tilt = a.refined.warnings[static_cast<std::size_t>(a.refined.tiltWarning)];
  EXPECT_EQ(tilt.rfind("Мишень наклонена на 8,0° к оси съёмки: классический результат смещён на -1,5", 0), 0u)
      << tilt;
  // The two intervals overlap, so the results do not contradict each other.
  EXPECT_FALSE(hasWarning(a.refined, "Классический"));
}

TEST(ClassicInterval, NamesTheImagesTheSettingsLeaveUnused) {
  const SyntheticGeometryOptions o = boardSeries(72);
  const SeriesAssessment a = assessSeries(refineInputFor(o));
  EXPECT_EQ(a.uncertainty.unusedImages, (std::vector<int>{8, 9, 10}));
  EXPECT_TRUE(hasWarning(a.refined, "Изображения 8–10 не участвуют в классическом результате"));

  // Relaxed angle and spacing tests let every image take part.
  RefineInput relaxed = refineInputFor(o);
  relaxed.settings.minLineAngle = 0.1;
  relaxed.settings.minPointSpacing = 0.05;
  const ClassicUncertainty u = classicInterval(relaxed, &a.refined);
  ASSERT_TRUE(u.available) << u.message;
  EXPECT_TRUE(u.unusedImages.empty());
  EXPECT_EQ(u.imagesUsed, 10);
  EXPECT_LE(u.intervalLow, u.mean);
  EXPECT_GE(u.intervalHigh, u.mean);
  ASSERT_TRUE(u.corrected.available);
  EXPECT_LE(u.corrected.intervalLow, o.focal);
  EXPECT_GE(u.corrected.intervalHigh, o.focal);
}

TEST(ClassicInterval, ContradictingResultsAreReported) {
  const SyntheticGeometryOptions o = boardSeries(73);
  const RefineInput in = refineInputFor(o);
  RefinedResult refined = refineSeries(in);
  ASSERT_TRUE(refined.ok);
  ClassicUncertainty classic = classicInterval(in, &refined);
  ASSERT_TRUE(classic.available);
  ASSERT_TRUE(classic.corrected.available);
  // The value alone away from the refined result is no contradiction: it is shifted by its geometry.
  RefinedResult quiet = refined;
  ClassicUncertainty shifted = classic;
  shifted.mean += 20.0;
  shifted.intervalLow += 20.0;
  shifted.intervalHigh += 20.0;
  addComparisonWarnings(in, shifted, quiet);
  EXPECT_FALSE(hasWarning(quiet, "Классическая оценка"));
  // The corrected estimate away from it is.
  classic.corrected.focal += 20.0;
  classic.corrected.intervalLow += 20.0;
  classic.corrected.intervalHigh += 20.0;
  addComparisonWarnings(in, classic, refined);
  EXPECT_TRUE(hasWarning(refined, "Классическая оценка с поправкой на геометрию (" +
                                      decimalText(classic.corrected.focal, 2, '.') +
                                      ") и уточнённый результат (" + decimalText(refined.focal, 2, '.') +
                                      ") расходятся"))
      << refined.warnings.back();
}

TEST(ClassicInterval, NeedsThreeImagesWithValues) {
  SyntheticGeometryOptions o = boardSeries(74);
  o.images = 2;
  const RefineInput in = refineInputFor(o);
  const RefinedResult refined = refineSeries(in);
  const ClassicUncertainty u = classicInterval(in, &refined);
  EXPECT_FALSE(u.available);
  EXPECT_FALSE(u.message.empty());
  EXPECT_EQ(u.imagesUsed, 2);
}

} // namespace
} // namespace kavo
