// A run goes on to the refined fit after its classic result: what the result then carries, the
// status line while it works, a stop during it, and a fit that fails.
#include "app_test_support.h"

#include "app/abandon_text.h"
#include "app/run_texts.h"

#include <regex>

namespace kavo::testing {
namespace {

TEST(RefinedRun, ResultCarriesTheRefinedFitTheInputsAndTheValues) {
  SynthOptions options;
  options.noise = 0.05;
  options.tiltDegrees = 5.0;
  Bench b(options);
  b.run();
  ASSERT_EQ(b.last().status, RunStatus::Done);
  ASSERT_TRUE(b.state.shownResult);
  const RunResult& r = *b.state.shownResult;
  ASSERT_TRUE(r.assessment);
  const RefinedResult* refined = refinedOf(r);
  ASSERT_NE(refined, nullptr) << refinedAbsenceText(r);
  EXPECT_NEAR(refined->focal, 1800.0, 1800.0 * 0.0005);
  EXPECT_NE(classicIntervalOf(r), nullptr);
  // The classic numbers are those the run reduced, whatever came after.
  EXPECT_EQ(r.focalText, b.view.focal);
  EXPECT_EQ(r.valueCount, b.last().valueCount);
  ASSERT_TRUE(r.values);
  EXPECT_EQ(r.values->size(), r.valueCount);
  EXPECT_EQ(r.assessment->points.images.size(), 6u);

  // Camera, scene and list file, the correction table, then the images, each with its digest.
  ASSERT_EQ(r.inputs.files.size(), 4u + 6u);
  EXPECT_EQ(r.inputs.files[0].path, b.series.cameraFile);
  EXPECT_EQ(r.inputs.files[1].path, b.series.sceneFile);
  EXPECT_EQ(r.inputs.files[2].path, b.series.listFile);
  EXPECT_EQ(r.inputs.files[3].path, b.folder.file("correction.txt"));
  EXPECT_EQ(r.inputs.files[9].role, "Изображение 6");
  for (const RunInputFile& f : r.inputs.files) {
    EXPECT_TRUE(std::regex_match(f.sha256, std::regex("[0-9a-f]{64}"))) << f.path;
  }
  EXPECT_EQ(r.inputs.imageCount, 6);
  EXPECT_EQ(r.inputs.scenePointCount, 49);
  EXPECT_EQ(r.inputs.measuredPointCount, 6 * 49);

  // The status line said that the work went on, then showed the tilt warning.
  EXPECT_NE(std::find(b.view.statuses.begin(), b.view.statuses.end(), "Уточнение…"), b.view.statuses.end());
  EXPECT_EQ(b.view.status.rfind("Предупреждение: Мишень наклонена на 5", 0), 0u) << b.view.status;
  EXPECT_EQ(b.view.progressPosition, 0);
  EXPECT_TRUE(b.view.reportEnabled);
}

// Spacing settings that no quadruple passes: the classic result is the error box as ever and the
// classic fields keep what they showed, but the refined fit, which needs no classic value, is shown
// in its own field and is the result Save and the report take; the classic interval says why it is
// missing.
TEST(RefinedRun, NoClassicValueStillGivesTheRefinedFocalLength) {
  SynthOptions options;
  options.noise = 0.05;
  options.tiltDegrees = 5.0;
  Bench b(options);
  b.state.minPointSpacing = 0.99;
  b.run();
  ASSERT_EQ(b.last().status, RunStatus::NoValue);
  ASSERT_EQ(b.port.messages().size(), 1u);
  EXPECT_EQ(b.port.messages()[0].text, "Неправильные входные данные! Измените параметры!");
  EXPECT_EQ(b.view.focal, "old focal");
  ASSERT_TRUE(b.state.shownResult);
  EXPECT_EQ(b.state.shownResult->status, RunStatus::NoValue);
  EXPECT_TRUE(b.view.saveEnabled);
  EXPECT_TRUE(b.view.reportEnabled);

  const std::optional<RunResult> r = b.last();
  ASSERT_TRUE(r->assessment);
  const RefinedResult* refined = refinedOf(*r);
  ASSERT_NE(refined, nullptr) << refinedAbsenceText(*r);
  EXPECT_NEAR(refined->focal, 1800.0, 1800.0 * 0.0005);
  EXPECT_EQ(b.view.refined, refinedFocalText(*r));
  EXPECT_EQ(classicIntervalOf(*r), nullptr);
  EXPECT_EQ(r->valueCount, 0);
  EXPECT_EQ(b.view.status.rfind("Предупреждение: Мишень наклонена на 5", 0), 0u) << b.view.status;

  // The same series with settings that pass: the refined fit is the same to the last bit.
  Bench passing(options);
  passing.run();
  ASSERT_TRUE(passing.state.shownResult);
  const RefinedResult* same = refinedOf(*passing.state.shownResult);
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(same->focal, refined->focal);

  // Then strict settings again: the result shown stays whole, its refined value with it, and the
  // status line no longer says that the fit is under way.
  const std::string shownFocal = passing.view.focal;
  const std::string shownRefined = passing.view.refined;
  passing.state.minPointSpacing = 0.99;
  passing.run();
  ASSERT_EQ(passing.last().status, RunStatus::NoValue);
  EXPECT_TRUE(passing.last().assessment);
  EXPECT_EQ(passing.view.focal, shownFocal);
  EXPECT_EQ(passing.view.refined, shownRefined);
  EXPECT_TRUE(passing.view.saveEnabled);
  EXPECT_EQ(passing.view.status, runFigures(*passing.state.shownResult).statusLine);
}

// A stop asked for while the refined fit works abandons the run as a stop before it would.
TEST(RefinedRun, AStopDuringTheRefinedFitAbandonsTheRun) {
  SynthOptions options;
  options.noise = 0.05;
  Bench b(options);
  b.view.onStatus = [&](const std::string& status) {
    if (status == "Уточнение…") {
      b.commands.requestStop();
    }
  };
  b.run();
  EXPECT_EQ(b.last().status, RunStatus::Abandoned);
  EXPECT_EQ(b.last().end.reason, AbandonReason::Cancelled);
  EXPECT_EQ(b.view.focal, "old focal");
  EXPECT_FALSE(b.state.shownResult);
  EXPECT_FALSE(b.view.saveEnabled);
  EXPECT_FALSE(b.view.reportEnabled);
  EXPECT_EQ(b.view.status, abandonText(b.last().end));
  EXPECT_TRUE(b.port.messages().empty());
}

// Two images barely apart: the refined fit fails with its message, the classic result is shown and
// saved as ever; switched off, the fit does not run at all and the values are still kept.
TEST(RefinedRun, AFailedOrSkippedFitLeavesTheClassicResult) {
  SynthOptions options;
  options.images = 2;
  options.step = 0.5;
  options.noise = 0.5;
  for (const bool refine : {true, false}) {
    SCOPED_TRACE(refine ? "failed" : "skipped");
    Bench b(options);
    b.commands.setRefine(refine);
    b.run();
    ASSERT_EQ(b.last().status, RunStatus::Done);
    ASSERT_TRUE(b.state.shownResult);
    const RunResult& r = *b.state.shownResult;
    EXPECT_EQ(refinedOf(r), nullptr);
    EXPECT_EQ(r.assessment.has_value(), refine);
    ASSERT_TRUE(r.values);
    EXPECT_EQ(r.values->size(), r.valueCount);
    if (refine) {
      EXPECT_EQ(b.view.status.rfind("Уточнение не выполнено: ", 0), 0u) << b.view.status;
    } else {
      EXPECT_EQ(b.view.status, "");
      EXPECT_EQ(std::find(b.view.statuses.begin(), b.view.statuses.end(), "Уточнение…"),
                b.view.statuses.end());
    }
    b.port.saveFiles = {b.folder.file("saved.cam")};
    ASSERT_EQ(b.commands.saveResult().status, SaveOutcome::Status::Written);
    EXPECT_EQ(
        readLines(b.folder.file("saved.cam"))[3].rfind(r.focalText + " ; Фокусное расстояние(пикс.).", 0),
        0u);
  }
}

// In the debug mode the fit follows the distribution window's "OK"; "Выход" abandons the run before.
TEST(RefinedRun, DebugModeRefinesAfterTheDistributionWindow) {
  SynthOptions options;
  options.rows = 5;
  options.cols = 5;
  options.images = 4;
  options.noise = 0.1;
  for (const bool exitPressed : {false, true}) {
    Bench b(options);
    b.state.processingMode = 2;
    b.view.distributionAnswer = {exitPressed, 1800.5, 6.0, 0.5};
    b.view.onStatus = [&](const std::string& status) {
      if (status == "Уточнение…") {
        EXPECT_EQ(b.view.distributionsShown, 1); // the window has closed by now
      }
    };
    b.run();
    const bool refined =
        std::find(b.view.statuses.begin(), b.view.statuses.end(), "Уточнение…") != b.view.statuses.end();
    EXPECT_EQ(refined, !exitPressed);
    EXPECT_EQ(b.last().status, exitPressed ? RunStatus::Abandoned : RunStatus::Done);
    if (!exitPressed) {
      ASSERT_TRUE(b.state.shownResult);
      EXPECT_EQ(b.view.focal, "1800.5000");
      EXPECT_NE(refinedOf(*b.state.shownResult), nullptr);
    }
  }
}

} // namespace
} // namespace kavo::testing
