// A run that no quadruple passes, as the window has it: the box says how far the series got and
// which settings would pass (and where they are set), and the refined value shown is a result that
// Save, the report and the closing question take like any other.
#include "app_test_support.h"

#include "app/settings_input.h"
#include "datafiles/camera_file.h"
#include "platform/number_text.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace kavo::testing {
namespace {

using ::testing::HasSubstr;

SynthOptions noisySeries() {
  SynthOptions options;
  options.noise = 0.05;
  return options;
}

// A board far off after the first photo (steps as long as the nearest distance): every image pair
// holds at least one small board, and the default settings pass no quadruple.
SynthOptions farSeries() {
  SynthOptions options = noisySeries();
  options.images = 4;
  options.step = 1600.0;
  return options;
}

TEST(RejectedRun, TheBoxSaysHowFarTheSeriesGotAndTheSuggestedSettingsGiveAValue) {
  Bench b(farSeries());
  b.run();
  ASSERT_EQ(b.last().status, RunStatus::NoValue);
  ASSERT_FALSE(b.port.messages().empty());
  const UserMessage box = b.port.messages().back();
  EXPECT_EQ(box.text, "Неправильные входные данные! Измените параметры!");
  EXPECT_THAT(box.detail, HasSubstr("Наибольшее расстояние между точками четвёрки"));
  EXPECT_THAT(box.detail, HasSubstr("(меню «Счёт» → «Настройки…»)"));
  EXPECT_THAT(box.detail, ::testing::Not(HasSubstr("--min-spacing")));
  ASSERT_TRUE(b.last().layout);
  const LayoutAdvice advice = *b.last().layout;
  EXPECT_LT(advice.largestSpacingPercent, 30.0);
  ASSERT_TRUE(advice.suggested);
  EXPECT_DOUBLE_EQ(advice.minAngleDegrees, 30.0); // the angle is not what stops this series
  EXPECT_LT(advice.minSpacingPercent, advice.largestSpacingPercent);
  EXPECT_THAT(box.detail,
              HasSubstr("расстояние между точками " + formatGeneral(advice.minSpacingPercent, '.') +
                        " %, угол между прямыми 30°"));

  // The suggestion entered as the settings dialog takes it gives a classic value.
  SettingsNumbers numbers = settingsNumbers(b.state);
  numbers.minPointSpacingPercent = advice.minSpacingPercent;
  numbers.minLineAngleDegrees = advice.minAngleDegrees;
  ASSERT_FALSE(applySettings(b.state, numbers));
  b.run();
  ASSERT_EQ(b.last().status, RunStatus::Done) << noClassicValueReason(b.last());
  EXPECT_GT(b.last().valueCount, 2);
  EXPECT_NE(b.view.focal, "old focal");
}

// Without a classic value, Save writes the refined value (line 4 with its "уточнённое" comment), the
// report files the refined result with the reason there is no classic one, and the closing question
// asks about it until it is saved. A status line follows every file written.
TEST(RejectedRun, AShownRefinedValueIsSavedReportedAndAskedAbout) {
  Bench b(noisySeries());
  b.state.minPointSpacing = 0.99;
  b.run();
  ASSERT_EQ(b.last().status, RunStatus::NoValue);
  const RefinedResult* refined = refinedOf(b.last());
  ASSERT_NE(refined, nullptr);
  EXPECT_TRUE(b.view.saveEnabled);
  EXPECT_TRUE(b.view.reportEnabled);

  // Closing asks; Отмена keeps the window open.
  b.port.threeWayAnswers = {Answer::Cancel};
  EXPECT_EQ(b.commands.closeDecision(), CloseDecision::KeepOpen);
  ASSERT_EQ(b.port.questions().size(), 1u);
  EXPECT_EQ(b.port.questions()[0].text, "Сохранить результат?");

  b.port.saveFiles = {b.folder.file("report.html")};
  ASSERT_EQ(b.commands.saveReport().status, ReportOutcome::Status::Written);
  EXPECT_EQ(b.view.status, "Отчёт записан: " + b.folder.file("report.html"));
  std::ifstream in(b.folder.file("report.html"));
  const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_THAT(page, HasSubstr("Фокусное расстояние не вычислено: Неправильные входные данные!"));
  EXPECT_THAT(page, HasSubstr(formatFixed(refined->focal, '.')));

  b.port.saveFiles = {b.folder.file("refined.cam")};
  ASSERT_EQ(b.commands.saveResult().status, SaveOutcome::Status::Written);
  EXPECT_EQ(b.view.status, "Результат сохранён: " + b.folder.file("refined.cam"));
  const auto copy = readLines(b.folder.file("refined.cam"));
  ASSERT_EQ(copy.size(), 8u);
  EXPECT_EQ(copy[3].rfind(formatFixed(refined->focal, '.') + " ; Фокусное расстояние(пикс.), уточнённое.", 0),
            0u)
      << copy[3];
  double cx = 0, cy = 0, focal = 0, width = 0, height = 0;
  std::vector<std::string> table;
  ASSERT_TRUE(ReadCameraFile(b.folder.file("refined.cam"), cx, cy, table, focal, width, height, '.').ok);
  EXPECT_NEAR(focal, refined->focal, 0.00005);
  EXPECT_FALSE(b.view.saveEnabled);
  EXPECT_EQ(b.commands.closeDecision(), CloseDecision::Close);
  EXPECT_EQ(b.port.questions().size(), 1u);
}

// A classic result still shown stays the one Save writes when a later run gives no value; a run
// without a value whose fit failed leaves nothing to save or ask about.
TEST(RejectedRun, WhatALaterRunWithoutAValueLeavesToSave) {
  Bench b(noisySeries());
  b.run();
  ASSERT_EQ(b.last().status, RunStatus::Done);
  b.state.minPointSpacing = 0.99;
  b.run();
  ASSERT_TRUE(b.state.shownResult);
  EXPECT_EQ(b.state.shownResult->status, RunStatus::Done);

  SynthOptions apart = noisySeries();
  apart.images = 2;
  apart.step = 0.5;
  apart.noise = 0.5;
  Bench failed(apart);
  failed.state.minPointSpacing = 0.99;
  failed.run();
  ASSERT_EQ(failed.last().status, RunStatus::NoValue);
  EXPECT_EQ(refinedOf(failed.last()), nullptr);
  EXPECT_FALSE(failed.state.shownResult);
  EXPECT_FALSE(failed.view.saveEnabled);
  EXPECT_EQ(failed.commands.closeDecision(), CloseDecision::Close);
  EXPECT_TRUE(failed.port.questions().empty());
}

} // namespace
} // namespace kavo::testing
