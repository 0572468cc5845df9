// A run in the background through the main window's commands: cancellation, degenerate data, the
// debug mode, the guard against a second run, and an owner that goes away during a run.
#include "app_test_support.h"

#include "app/abandon_text.h"
#include "app/memo_lines.h"

namespace kavo::testing {
namespace {

using namespace std::chrono_literals;

// Serves the worker's steps until the progress bar has moved at least `steps` times.
void serveUntilProgress(Bench& b, int steps) {
  ASSERT_TRUE(b.dispatcher.processUntil([&] { return b.view.highestPosition >= steps; }, 120s));
}

TEST(WorkerRun, SecondRunIsRefusedWhileOneRuns) {
  SynthOptions options;
  options.noise = 0.2;
  Bench b(options);
  b.commands.startRun();
  ASSERT_TRUE(b.commands.running());
  EXPECT_FALSE(b.view.computeEnabled);
  const auto firstJob = b.commands.runExit();
  b.view.memo.push_back("kept");

  b.commands.startRun();

  // No second job, nothing cleared, nothing asked or shown; the status line says why.
  EXPECT_EQ(b.commands.runExit(), firstJob);
  EXPECT_EQ(b.view.memo.size(), 1u);
  EXPECT_TRUE(b.port.messages().empty());
  EXPECT_FALSE(b.view.status.empty());
  b.finish();
  EXPECT_EQ(b.last().status, RunStatus::Done);
  EXPECT_EQ(b.view.signals, std::vector<int>{1});
  EXPECT_TRUE(b.view.computeEnabled);
}

// A larger series: stopping after a few progress steps ends the run without a result.
TEST(WorkerRun, CancellationMidRunEndsWithoutAResult) {
  SynthOptions options;
  options.rows = 8;
  options.cols = 8;
  options.images = 20;
  options.noise = 0.3;
  Bench b(options);
  b.commands.startRun();
  serveUntilProgress(b, 2);
  b.commands.requestStop();
  b.finish();
  EXPECT_EQ(b.last().status, RunStatus::Abandoned);
  EXPECT_EQ(b.last().end.reason, AbandonReason::Cancelled);
  EXPECT_LT(b.view.highestPosition, 64 - 3);
  EXPECT_EQ(b.view.progressPosition, 0);
  EXPECT_EQ(b.view.status, abandonText(b.last().end));
  EXPECT_EQ(b.view.focal, "old focal");
  EXPECT_FALSE(b.view.saveEnabled);
  EXPECT_TRUE(b.view.computeEnabled);
  EXPECT_TRUE(b.port.messages().empty()); // the window stays silent
  EXPECT_TRUE(b.view.signals.empty());
}

// Runs that end without a result on their data: the reason is kept and put on the status line.
struct DegenerateCase {
  const char* name;
  std::function<void(Bench&)> spoil;
  AbandonReason reason;
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const DegenerateCase& c, std::ostream* os) {
  *os << c.name;
}

const DegenerateCase kDegenerate[] = {
    {"TwoIdenticalImages",
     [](Bench& b) {
       writeLines(b.series.listFile, {"img01.crd", "img01.crd", "25"});
     },
     AbandonReason::ZeroDivisor},
    {"ImageShorterThanTheScene",
     [](Bench& b) {
       auto lines = readLines(b.folder.file("img02.crd"));
       lines.resize(10);
       writeLines(b.folder.file("img02.crd"), lines);
     },
     AbandonReason::RangeError},
    {"NothingInsideTheClippingBand", [](Bench& b) { b.state.clipSigmaCount = 0.0; },
     AbandonReason::NothingInBand},
};

class DegenerateRun : public ::testing::TestWithParam<DegenerateCase> {};

TEST_P(DegenerateRun, IsAbandonedWithItsReason) {
  SynthOptions options;
  options.noise = 0.2;
  Bench b(options);
  GetParam().spoil(b);
  b.run();
  EXPECT_EQ(b.last().status, RunStatus::Abandoned);
  EXPECT_EQ(b.last().end.reason, GetParam().reason) << b.last().end.detail;
  EXPECT_FALSE(b.view.status.empty());
  EXPECT_TRUE(b.port.messages().empty());
  EXPECT_EQ(b.view.focal, "old focal");
  EXPECT_EQ(b.view.progressPosition, 0);
}

INSTANTIATE_TEST_SUITE_P(Table, DegenerateRun, ::testing::ValuesIn(kDegenerate),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(WorkerRun, DebugModeListsTheValuesAndTakesTheWindowsNumbers) {
  SynthOptions options;
  options.rows = 4;
  options.cols = 4;
  options.images = 3;
  options.noise = 0.2;
  Bench b(options);
  b.state.processingMode = 2;
  b.state.clipSigmaCount = 2.5;
  b.view.distributionAnswer = {false, -1234.5, 6.0, 0.5};
  b.run();
  ASSERT_EQ(b.last().status, RunStatus::Done);
  EXPECT_EQ(b.view.distributionsShown, 1);
  EXPECT_EQ(b.view.distributionClip, 2.5);
  const int count = static_cast<int>(b.last().valueCount);
  ASSERT_GT(count, 2);
  ASSERT_LT(count, 2000);
  // Heading, one line per value, then the summary block of the result display.
  ASSERT_EQ(b.view.memo.size(), static_cast<std::size_t>(count) + 1 + 5);
  EXPECT_EQ(b.view.memo[0], "-------Результаты счёта-------");
  EXPECT_NEAR(std::stod(b.view.memo[1]), 1800.0, 30.0);
  EXPECT_EQ(b.view.memo[static_cast<std::size_t>(count) + 2], "Среднее значение: -1234.5000");
  EXPECT_EQ(b.view.focal, "1234.5000");
  EXPECT_EQ(b.view.deviation, "6.0000");
  EXPECT_EQ(b.view.stddev, "0.5000");
}

TEST(WorkerRun, ExitInTheDistributionWindowAbandonsTheRun) {
  SynthOptions options;
  options.rows = 4;
  options.cols = 4;
  options.images = 3;
  options.noise = 0.2;
  Bench b(options);
  b.state.processingMode = 2;
  b.view.distributionAnswer = {true, 1.0, 2.0, 3.0};
  b.run();
  EXPECT_EQ(b.last().status, RunStatus::Abandoned);
  EXPECT_EQ(b.last().end.reason, AbandonReason::ExitPressed);
  EXPECT_EQ(b.view.focal, "old focal");
  EXPECT_TRUE(b.view.signals.empty());
  EXPECT_TRUE(b.port.messages().empty());
}

TEST(WorkerRun, ListingFollowsThe2000Rule) {
  const auto lines1999 = listValuesLines(FocalValues::fromVector(std::vector<double>(1999, -2.5)), ',');
  ASSERT_EQ(lines1999.size(), 2000u);
  EXPECT_EQ(lines1999[0], "-------Результаты счёта-------");
  EXPECT_EQ(lines1999[1999], "-2,5000");
  const auto lines2000 = listValuesLines(FocalValues::fromVector(std::vector<double>(2000, 1.0)), '.');
  EXPECT_EQ(lines2000, (std::vector<std::string>{"Количество значений слишком велико.",
                                                 "Будет выведен лишь конечный результат."}));
}

// Settings edited while the worker runs do not reach it: it took its copy when it was created.
TEST(WorkerRun, SettingsChangedDuringTheRunDoNotReachIt) {
  SynthOptions options;
  options.noise = 0.2;
  Bench reference(options);
  reference.run();
  Bench b(options);
  b.commands.startRun();
  b.state.clipSigmaCount = 0.0; // would abandon the run if the worker saw it
  b.state.processingMode = 2;
  b.finish();
  ASSERT_EQ(b.last().status, RunStatus::Done);
  EXPECT_EQ(b.view.focal, reference.view.focal);
  EXPECT_EQ(b.view.distributionsShown, 0);
}

// The owner (commands, view and state) goes away in the middle of a run: the job finishes on its
// own and touches none of them (AddressSanitizer would see it).
TEST(WorkerRun, OwnerGoingAwayMidRunLeavesTheJobToEndQuietly) {
  SynthOptions options;
  options.rows = 8;
  options.cols = 8;
  options.images = 12;
  options.noise = 0.3;
  TempFolder folder;
  const SynthSeries series = writeSyntheticSeries(folder.path(), options);
  QueuedDispatcher dispatcher;
  std::shared_ptr<WorkerExit> exit;
  {
    auto state = std::make_unique<CalibrationState>();
    auto view = std::make_unique<RecordingView>();
    ScriptedUserPort port;
    state->cameraFile = series.cameraFile;
    state->sceneFile = series.sceneFile;
    state->listFile = series.listFile;
    auto commands = std::make_unique<MainCommands>(*state, port, *view, dispatcher, '.');
    view->commands = commands.get();
    commands->setImageFolder(folder.path());
    commands->startRun();
    ASSERT_TRUE(commands->running());
    exit = commands->runExit();
    ASSERT_TRUE(dispatcher.processUntil([&] { return view->highestPosition >= 1; }, 120s));
    commands.reset();
    view.reset();
    state.reset();
  }
  ASSERT_TRUE(dispatcher.processUntil([&] { return exit->finished(); }, 120s));
}

} // namespace
} // namespace kavo::testing
