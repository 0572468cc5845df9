// The main window's commands around a result: the enable rules, a pick clearing the shown result,
// and Save writing only what is shown.
#include "app_test_support.h"

#include "app/command_rules.h"

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
};

const RuleCase kRules[] = {
    {"AtStart", false, false, true, false, false, false},
    {"FilesNamed", true, false, true, false, true, false},
    {"ResultUnsaved", true, true, false, false, true, true},
    {"ResultSaved", true, true, true, false, true, false},
    {"RunUnderWayWithAnUnsavedResult", true, true, false, true, false, false},
    {"UnsavedFlagWithoutAShownResult", true, false, false, false, true, false},
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
  EXPECT_EQ(b.commands.SaveFocalLength().status, SaveOutcome::Status::NothingShown);
  EXPECT_TRUE(b.port.shown.empty()); // no dialog offered
  EXPECT_FALSE(std::filesystem::exists(b.folder.file("stale.cam")));
  EXPECT_EQ(b.commands.FormClose(), CloseDecision::Close); // nothing left to ask about
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
  b.command.N10Click();
  ASSERT_TRUE(b.command.running());
  EXPECT_FALSE(b.view.saveEnabled);
  EXPECT_FALSE(b.view.computeEnabled);
  EXPECT_EQ(b.commands.SaveFocalLength().status, SaveOutcome::Status::NothingShown);
  EXPECT_TRUE(b.port.shown.empty());
  b.finish();
  EXPECT_TRUE(b.view.saveEnabled);
  EXPECT_TRUE(b.view.computeEnabled);
}

// The copy Save writes: the shown texts on line 4 of the camera file the run read, even when
// another camera file was named after the run started.
TEST(MainCommands, SaveWritesTheShownResultIntoACopyOfItsCameraFile) {
  Bench b;
  b.command.N10Click();
  const std::string otherCamera = b.folder.writeLines("other.cam", {"1", "2", "3", "", "5", "6", "7", "8"});
  b.state.cameraFile = otherCamera; // as the key-up rule may change it while the worker runs
  b.finish();
  ASSERT_TRUE(b.state.shownResult);
  EXPECT_EQ(b.state.shownResult->cameraFile, b.series.cameraFile);

  b.port.saveFiles = {b.folder.file("saved.cam")};
  const SaveOutcome saved = b.commands.SaveFocalLength();
  ASSERT_EQ(saved.status, SaveOutcome::Status::Written);
  ASSERT_EQ(b.port.saveRequests().size(), 1u);
  EXPECT_EQ(b.port.saveRequests()[0].proposedName, b.folder.file("cameraF.cam"));
  const auto original = readLines(b.series.cameraFile);
  const auto copy = readLines(b.folder.file("saved.cam"));
  ASSERT_EQ(copy.size(), original.size());
  EXPECT_EQ(copy[3], "1800.0000 ; Фокусное расстояние(пикс.).  СКО = 0.0000;  Ст.откл. = 0.0000");
  EXPECT_EQ(copy[0], original[0]);
  EXPECT_EQ(copy[7], original[7]);
  EXPECT_TRUE(b.state.resultSaved);
  EXPECT_FALSE(b.view.saveEnabled);
  EXPECT_EQ(b.port.unexpected, 0);
}

} // namespace
} // namespace kavo::testing
