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

// A stop request at any point of the work ends it at once with a cancelled run: the request is the
// last poll, and at most one progress report follows it.
//
// Where a stop point lies is counted in progress reports, which come in the same number and order on
// every run; the polls themselves do not: the classic runs inside the work also poll while they wait
// for their worker, so a loaded machine polls more often. The stop comes at the first poll after the
// chosen number of progress reports, from the very first poll to the last one of the counting run.
TEST(RefineHooks, AStopRequestEndsTheWorkPromptly) {
  const RefineInput in = refineInputFor(boardSeries(62));
  int reports = 0;
  int reportsBeforeLastPoll = -1;
  RefineHooks counting;
  counting.shouldStop = [&] {
    reportsBeforeLastPoll = reports;
    return false;
  };
  counting.progress = [&](double) { ++reports; };
  assessSeries(in, counting);
  ASSERT_GT(reportsBeforeLastPoll, 20);

  for (const int stopAfter :
       {0, 1, reportsBeforeLastPoll / 4, reportsBeforeLastPoll / 2, reportsBeforeLastPoll}) {
    SCOPED_TRACE("stop after " + std::to_string(stopAfter) + " progress reports");
    int seen = 0;
    bool stopped = false;
    int pollsAfterStop = 0;
    int progressAfterStop = 0;
    RefineHooks hooks;
    hooks.shouldStop = [&] {
      if (stopped) {
        ++pollsAfterStop;
      }
      stopped = stopped || seen >= stopAfter;
      return stopped;
    };
    hooks.progress = [&](double) {
      ++seen;
      progressAfterStop += stopped ? 1 : 0;
    };
    try {
      assessSeries(in, hooks);
      ADD_FAILURE() << "the work did not stop";
    } catch (const RunAbandoned& e) {
      EXPECT_EQ(e.reason, AbandonReason::Cancelled);
    }
    EXPECT_TRUE(stopped);
    EXPECT_EQ(pollsAfterStop, 0);
    EXPECT_LE(progressAfterStop, 1);
  }
}

} // namespace
} // namespace kavo
