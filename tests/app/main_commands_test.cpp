// The main window's commands around a result: the enable rules, a pick clearing the shown result,
// and Save writing only what is shown.
#include "app_test_support.h"

#include "app/command_rules.h"
#include "app/run_texts.h"
#include "datafiles/camera_file.h"
#include "platform/number_text.h"

namespace kavo::testing {
namespace {

struct RuleCase {
  const char* name;
  bool filesNamed;
  bool resultShown;
  bool saved;
  bool running;
  bool compute;
  bool save;
  bool report;
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const RuleCase& c, std::ostream* os) {
  *os << c.name;
}

const RuleCase kRules[] = {
    {"AtStart", false, false, true, false, false, false, false},
    {"FilesNamed", true, false, true, false, true, false, false},
    {"ResultUnsaved", true, true, false, false, true, true, true},
    {"ResultSaved", true, true, true, false, true, false, true},
    {"RunUnderWayWithAnUnsavedResult", true, true, false, true, false, false, false},
    {"UnsavedFlagWithoutAShownResult", true, false, false, false, true, false, false},
};

class CommandRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(CommandRules, FollowTheStateAndTheRun) {
  const RuleCase& c = GetParam();
  CalibrationState state;
  if (c.filesNamed) {
    state.cameraFile = "/d/camera.cam";
    state.sceneFile = "/d/scene.crd";
    state.listFile = "/d/series.lst";
  }
  if (c.resultShown) {
    state.shownResult = RunResult{};
  }
  state.resultSaved = c.saved;
  EXPECT_EQ(computeAvailable(state, c.running), c.compute);
  EXPECT_EQ(saveAvailable(state, c.running), c.save);
  EXPECT_EQ(reportAvailable(state, c.running), c.report);
}

INSTANTIATE_TEST_SUITE_P(Table, CommandRules, ::testing::ValuesIn(kRules),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(MainCommands, AFieldWithoutAFileNameKeepsComputeUnavailable) {
  CalibrationState state;
  state.cameraFile = "/d/camera.cam";
  state.sceneFile = "/d/scene.crd";
  state.listFile = "/d/"; // a folder, no file name: the field shows nothing
  EXPECT_FALSE(computeAvailable(state, false));
}

// A result, then another list picked: the fields clear, and Save has nothing to write any more.
TEST(MainCommands, PickAfterAResultLeavesNothingToSave) {
  Bench b;
  b.run();
  ASSERT_EQ(b.view.focal, "1800.0000");
  ASSERT_TRUE(b.view.saveEnabled);
  const std::string otherList = b.folder.writeLines("other.lst", {"img01.crd", "img02.crd", "25"});
  b.commands.takeFile(FileField::List, otherList);
  EXPECT_EQ(b.view.focal, "");
  EXPECT_EQ(b.view.fileNames[static_cast<int>(FileField::List)], "other.lst");
  EXPECT_EQ(b.view.filePaths[static_cast<int>(FileField::List)], otherList);
  EXPECT_FALSE(b.state.shownResult);
  EXPECT_FALSE(b.view.saveEnabled);
  EXPECT_TRUE(b.view.computeEnabled);

  b.port.saveFiles = {b.folder.file("stale.cam")};
  EXPECT_EQ(b.commands.saveResult().status, SaveOutcome::Status::NothingShown);
  EXPECT_TRUE(b.port.shown.empty()); // no dialog offered
  EXPECT_FALSE(std::filesystem::exists(b.folder.file("stale.cam")));
  EXPECT_EQ(b.commands.closeDecision(), CloseDecision::Close); // nothing left to ask about
  EXPECT_TRUE(b.port.questions().empty());
}

// Save and the compute command are unavailable while a run is under way, even with an unsaved
// result shown from an earlier run.
TEST(MainCommands, NothingIsSavedWhileARunIsUnderWay) {
  SynthOptions options;
  options.noise = 0.2;
  Bench b(options);
  b.run();
  ASSERT_TRUE(b.view.saveEnabled);
  b.commands.startRun();
  ASSERT_TRUE(b.commands.running());
  EXPECT_FALSE(b.view.saveEnabled);
  EXPECT_FALSE(b.view.computeEnabled);
  EXPECT_EQ(b.commands.saveResult().status, SaveOutcome::Status::NothingShown);
  EXPECT_TRUE(b.port.shown.empty());
  b.finish();
  EXPECT_TRUE(b.view.saveEnabled);
  EXPECT_TRUE(b.view.computeEnabled);
}

// The copy Save writes: the shown texts on line 4 of the camera file as the run read it, even when
// another camera file was named after the run started and the camera file itself changed since.
TEST(MainCommands, SaveWritesTheShownResultIntoACopyOfItsCameraFile) {
  Bench b;
  const auto original = readLines(b.series.cameraFile);
  b.commands.startRun();
  const std::string otherCamera = b.folder.writeLines("other.cam", {"1", "2", "3", "", "5", "6", "7", "8"});
  b.state.cameraFile = otherCamera; // as the key-up rule may change it while the worker runs
  b.finish();
  ASSERT_TRUE(b.state.shownResult);
  EXPECT_EQ(b.state.shownResult->camera.file, b.series.cameraFile);
  auto edited = original;
  edited[0] = "999 ; edited after the run";
  writeLines(b.series.cameraFile, edited);

  b.port.saveFiles = {b.folder.file("saved.cam")};
  const SaveOutcome saved = b.commands.saveResult();
  ASSERT_EQ(saved.status, SaveOutcome::Status::Written);
  ASSERT_EQ(b.port.saveRequests().size(), 1u);
  EXPECT_EQ(b.port.saveRequests()[0].proposedName, b.folder.file("cameraF.cam"));
  const auto copy = readLines(b.folder.file("saved.cam"));
  ASSERT_EQ(copy.size(), original.size());
  EXPECT_EQ(copy[3], "1800.0000 ; Фокусное расстояние(пикс.).  СКО = 0.0000;  Ст.откл. = 0.0000");
  EXPECT_EQ(copy[0], original[0]);
  EXPECT_EQ(copy[7], original[7]);
  EXPECT_TRUE(b.state.resultSaved);
  EXPECT_FALSE(b.view.saveEnabled);
  EXPECT_EQ(b.port.unexpected, 0);
}

// With "Сохранять уточнённое значение" Save writes the refined focal length on line 4, with a comment
// saying so, and it reads back as the focal length; without a refined result it refuses before any
// dialog, and nothing is written.
TEST(MainCommands, SaveWritesTheRefinedValueWhenTheSettingsSaySo) {
  SynthOptions options;
  options.noise = 0.05;
  Bench b(options);
  b.run();
  ASSERT_TRUE(b.state.shownResult);
  const RefinedResult* refined = refinedOf(*b.state.shownResult);
  ASSERT_NE(refined, nullptr);
  b.state.saveRefinedValue = true;
  b.port.saveFiles = {b.folder.file("refined.cam")};
  ASSERT_EQ(b.commands.saveResult().status, SaveOutcome::Status::Written);
  const auto copy = readLines(b.folder.file("refined.cam"));
  ASSERT_EQ(copy.size(), 8u);
  EXPECT_EQ(copy[3], refinedFocalLengthLine(
                         formatFixed(refined->focal, '.'), formatFixed(refined->standardError, '.'),
                         formatFixed(refined->intervalLow, '.'), formatFixed(refined->intervalHigh, '.')));
  EXPECT_EQ(copy[3].rfind(formatFixed(refined->focal, '.') + " ; Фокусное расстояние(пикс.), уточнённое.", 0),
            0u);
  double cx = 0, cy = 0, focal = 0, width = 0, height = 0;
  std::vector<std::string> table;
  ASSERT_TRUE(ReadCameraFile(b.folder.file("refined.cam"), cx, cy, table, focal, width, height, '.').ok);
  EXPECT_NEAR(focal, refined->focal, 0.00005);
  EXPECT_TRUE(b.state.resultSaved);

  SynthOptions apart;
  apart.images = 2;
  apart.step = 0.5;
  apart.noise = 0.5;
  Bench failed(apart);
  failed.state.saveRefinedValue = true;
  failed.run();
  ASSERT_TRUE(failed.state.shownResult);
  failed.port.saveFiles = {failed.folder.file("refined.cam")};
  EXPECT_EQ(failed.commands.saveResult().status, SaveOutcome::Status::Failed);
  EXPECT_TRUE(failed.port.saveRequests().empty());
  ASSERT_EQ(failed.port.messages().size(), 1u);
  EXPECT_EQ(failed.port.messages()[0].text, "Уточнённое значение не получено: сохранять нечего!");
  EXPECT_FALSE(std::filesystem::exists(failed.folder.file("refined.cam")));
  EXPECT_FALSE(failed.state.resultSaved);
}

} // namespace
} // namespace kavo::testing
