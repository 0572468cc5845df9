// Progress and cancellation of the refined fit and the intervals.
#include "refine/series_assessment.h"
#include "refine_fixture.h"

#include <gtest/gtest.h>

namespace kavo {
namespace {

using testing::boardSeries;
using testing::refineInputFor;

TEST(RefineHooks, ProgressRisesFromZeroToOne) {
  const RefineInput in = refineInputFor(boardSeries(61));
  std::vector<double> seen;
  RefineHooks hooks;
  hooks.progress = [&](double f) { seen.push_back(f); };
  const SeriesAssessment a = assessSeries(in, hooks);
  ASSERT_TRUE(a.refined.ok);
  ASSERT_GE(seen.size(), 5u);
  EXPECT_DOUBLE_EQ(seen.front(), 0.0);
  EXPECT_DOUBLE_EQ(seen.back(), 1.0);
  for (std::size_t i = 1; i < seen.size(); ++i) {
    EXPECT_GE(seen[i], seen[i - 1]);
  }
}

// A stop request at any point of the work ends it at once with a cancelled run.
TEST(RefineHooks, AStopRequestEndsTheWorkPromptly) {
  const RefineInput in = refineInputFor(boardSeries(62));
  int total = 0;
  RefineHooks counting;
  counting.shouldStop = [&] {
    ++total;
    return false;
  };
  assessSeries(in, counting);
  ASSERT_GT(total, 20);

  for (const int stopAt : {1, 3, total / 4, total / 2, total - 1}) {
    SCOPED_TRACE("stop at poll " + std::to_string(stopAt));
    int polls = 0;
    int progressAfterStop = 0;
    RefineHooks hooks;
    hooks.shouldStop = [&] { return ++polls >= stopAt; };
    hooks.progress = [&](double) { progressAfterStop += polls >= stopAt ? 1 : 0; };
    try {
      assessSeries(in, hooks);
      ADD_FAILURE() << "the work did not stop";
    } catch (const RunAbandoned& e) {
      EXPECT_EQ(e.reason, AbandonReason::Cancelled);
    }
    EXPECT_EQ(polls, stopAt);
    EXPECT_LE(progressAfterStop, 1);
  }
}

} // namespace
} // namespace kavo
