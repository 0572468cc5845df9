#include "app/file_fields.h"

#include <gtest/gtest.h>

namespace kavo {
namespace {

struct KeyUpCase {
  const char* stored;
  const char* field;
  const char* expected;
};

class KeyUpPath : public ::testing::TestWithParam<KeyUpCase> {};

TEST_P(KeyUpPath, RebuildsTheFullPath) {
  EXPECT_EQ(keyUpPath(GetParam().stored, GetParam().field), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, KeyUpPath,
                         ::testing::Values(KeyUpCase{"/calib/a.cam", "b.cam", "/calib/b.cam"},
                                           KeyUpCase{"/calib/a.cam", "", "/calib/a.cam"},
                                           KeyUpCase{"a.cam", "b.cam", "b.cam"},
                                           KeyUpCase{"", "b.cam", "b.cam"},
                                           KeyUpCase{"C:\\calib\\a.cam", "b.cam", "C:\\calib\\b.cam"},
                                           KeyUpCase{"/calib/sub/a.cam", "x/b.cam", "/calib/sub/x/b.cam"}));

TEST(FileFields, PickedFileIsStoredWholeAndShownByName) {
  CalibrationState state;
  state.startDirectory = "/home/user";
  EXPECT_EQ(applyPickedFile(state, FileField::Scene, "/data/run 1/scene.crd"), "scene.crd");
  EXPECT_EQ(state.sceneFile, "/data/run 1/scene.crd");
  EXPECT_EQ(state.startDirectory, ""); // later pickers open in the current directory
  EXPECT_EQ(applyPickedFile(state, FileField::Camera, "k.cam"), "k.cam");
  EXPECT_EQ(state.cameraFile, "k.cam");
  EXPECT_EQ(state.listFile, "");
}

} // namespace
} // namespace kavo
