// The report of a run, built in app from the run's result value for both front ends: the digests of
// the files as the run read them, the refined result in the report's pictures, and "Отчёт…".
#include "app_test_support.h"

#include "app/run_report.h"
#include "app/run_texts.h"
#include "report/file_digest.h"

#include <gmock/gmock.h>

namespace kavo::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// A file changed after the run does not change the report: its digest is the one taken on reading.
TEST(RunReport, DigestsAreThoseOfTheFilesAsTheRunReadThem) {
  Bench b;
  const std::string before = test::readBytes(b.series.sceneFile);
  b.run();
  ASSERT_TRUE(b.state.shownResult);
  test::TempFolder elsewhere;
  elsewhere.write("scene.crd", before + "0;0\r\n");
  std::filesystem::copy_file(elsewhere.file("scene.crd"), b.series.sceneFile,
                             std::filesystem::copy_options::overwrite_existing);
  const std::string path = b.folder.file("report.html");
  ASSERT_TRUE(writeRunReport(path, *b.state.shownResult).ok);
  const std::string page = test::readBytes(path);
  EXPECT_THAT(page, HasSubstr(sha256OfBytes(before)));
  EXPECT_THAT(page, Not(HasSubstr(sha256OfBytes(test::readBytes(b.series.sceneFile)))));
}

// The refined result reaches every picture: each image's distance on the listed steps' line, the
// image after a step the list gives wrongly marked, the per-image RMS and the worst image's points in
// image pixels with their residuals.
TEST(RunReport, RefinedResultFillsThePictures) {
  SynthOptions options;
  options.noise = 0.05;
  options.tiltDegrees = 4.0;
  options.images = 8;
  options.stepErrors = {{4, -2.0}};
  Bench b(options);
  b.run();
  ASSERT_TRUE(b.state.shownResult);
  const RunResult& r = *b.state.shownResult;
  ASSERT_NE(refinedOf(r), nullptr) << refinedAbsenceText(r);
  const ReportInput in = runReportInput(r, "10.12.2025 12:00");

  EXPECT_EQ(in.refined.status, RefinedStatus::Ok);
  EXPECT_EQ(in.refined.focal, refinedOf(r)->focal);
  ASSERT_EQ(in.refined.steps.size(), 7u);
  EXPECT_TRUE(in.refined.steps[3].suspect);
  EXPECT_TRUE(in.classic.uncertainty.present);
  EXPECT_THAT(in.classic.uncertainty.method, HasSubstr("исключении изображений"));
  EXPECT_EQ(in.classic.intervalNote, ""); // the normal mode
  EXPECT_NEAR(in.classic.focal, std::stod(r.focalText), 0.00005);
  EXPECT_EQ(in.distribution.valueCount, r.valueCount);

  // The line runs over the listed steps (the one after image 4 listed as 23 mm); the images after the
  // wrong step stand 2 mm off it, the first of them marked.
  ASSERT_EQ(in.scale.points.size(), 8u);
  double listed = 0.0;
  for (std::size_t i = 0; i < 8; ++i) {
    const ReportScalePoint& p = in.scale.points[i];
    EXPECT_EQ(p.image, static_cast<int>(i) + 1);
    EXPECT_NEAR(p.cumulativeStep, listed, 1e-9);
    EXPECT_NEAR(p.residual, p.scale - p.fitted, 1e-9);
    EXPECT_NEAR(std::fabs(p.residual), p.image >= 5 ? 2.0 : 0.0, 0.2) << p.image;
    EXPECT_EQ(p.suspect, p.image == 5) << p.image;
    if (i > 0) {
      EXPECT_NEAR(p.fitted - in.scale.points[i - 1].fitted,
                  p.cumulativeStep - in.scale.points[i - 1].cumulativeStep, 1e-6);
    }
    listed += i == 3 ? 23.0 : 25.0;
  }
  EXPECT_EQ(in.imageRms.size(), 8u);

  ASSERT_GT(in.worstImage.image, 0);
  EXPECT_EQ(in.worstImage.points.size(), 49u);
  double longest = 0.0;
  for (const ReportResidualPoint& p : in.worstImage.points) {
    EXPECT_GE(p.x, 0.0);
    EXPECT_LE(p.x, 2000.0);
    EXPECT_GE(p.y, 0.0);
    EXPECT_LE(p.y, 1500.0);
    longest = std::max(longest, std::hypot(p.dx, p.dy));
  }
  EXPECT_GT(longest, 0.0);
  EXPECT_LT(longest, 0.5); // residuals of points measured to 0.05 px, not positions
}

// The debug mode takes its result from the distribution window: the report says that the interval
// follows one clipping pass at the settings' factor, and that the window's result is not its centre.
TEST(RunReport, DebugModeSaysTheIntervalFollowsTheSettingsClipping) {
  SynthOptions options;
  options.noise = 0.1;
  Bench b(options);
  b.state.processingMode = 2;
  b.view.distributionAnswer = {false, 1790.0, 6.0, 0.5};
  b.run();
  ASSERT_TRUE(b.state.shownResult);
  const ReportInput in = runReportInput(*b.state.shownResult, "10.12.2025 12:00");
  EXPECT_THAT(in.classic.intervalNote, HasSubstr("прохода отсечения по настройкам (3 σ)"));
  EXPECT_THAT(in.classic.intervalNote, HasSubstr("результат окна от него отличается"));
  EXPECT_EQ(in.settings.mode, 2);
}

// "Отчёт…": the dialog proposes a name beside the list file, an existing file is replaced only after
// a yes, and a write that fails shows a box naming the file and leaves nothing behind.
TEST(RunReport, ReportCommandGoesThroughThePort) {
  Bench b;
  EXPECT_EQ(b.commands.saveReport().status, ReportOutcome::Status::NothingShown);
  EXPECT_FALSE(b.view.reportEnabled);
  b.run();
  ASSERT_TRUE(b.view.reportEnabled);

  const std::string path = b.folder.file("series-report.html");
  b.port.saveFiles = {path};
  ASSERT_EQ(b.commands.saveReport().status, ReportOutcome::Status::Written);
  ASSERT_EQ(b.port.saveRequests().size(), 1u);
  EXPECT_EQ(b.port.saveRequests()[0].proposedName, path);
  EXPECT_THAT(test::readBytes(path), HasSubstr(">1800.0000<"));

  b.port.saveFiles = {path};
  b.port.answers = {false};
  b.folder.write("series-report.html", "older");
  EXPECT_EQ(b.commands.saveReport().status, ReportOutcome::Status::Declined);
  EXPECT_EQ(test::readBytes(path), "older");

  const std::string missing = b.folder.file("no/such/folder/r.html");
  b.port.saveFiles = {missing};
  b.port.clear();
  const ReportOutcome failed = b.commands.saveReport();
  EXPECT_EQ(failed.status, ReportOutcome::Status::Failed);
  ASSERT_EQ(b.port.messages().size(), 1u);
  EXPECT_EQ(b.port.messages()[0].text, "Отчёт r.html не записан!");
  EXPECT_EQ(b.port.messages()[0].icon, BoxIcon::Error);
  EXPECT_THAT(b.port.messages()[0].detail, HasSubstr(missing));
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_EQ(b.port.unexpected, 0);
}

} // namespace
} // namespace kavo::testing
