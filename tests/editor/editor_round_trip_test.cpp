// Files written by the editor read back through the program's own readers to the numbers the grid
// showed, and a second save of an unedited file changes no byte.
#include "datafiles/camera_file.h"
#include "datafiles/coordinate_files.h"
#include "editor/editor_save.h"
#include "scripted_user_port.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace kavo {
namespace {

using test::ScriptedUserPort;
using test::TempFolder;

std::string saveAs(EditorDocument& document, const std::string& path) {
  ScriptedUserPort port;
  port.saveFiles = {path};
  EXPECT_EQ(runEditorSave(document, port), EditorSaveOutcome::Written);
  EXPECT_TRUE(port.messages().empty());
  return test::readBytes(path);
}

class EditorRoundTrip : public testing::TestWithParam<char> {};

TEST_P(EditorRoundTrip, ScenePointsReadBackToTheSameNumbers) {
  const char separator = GetParam();
  const std::string comma(1, separator);
  TempFolder folder(std::string("scene-round-trip-") + (separator == ',' ? "comma" : "point"));
  EditorDocument document(separator);
  ASSERT_EQ(document.LoadFile("", 2), 1);
  const std::vector<std::pair<std::string, std::string>> cells = {{"12", "3" + comma + "50"},
                                                                  {"-0" + comma + "25", "1E-5"},
                                                                  {" 1e20 ", "7"},
                                                                  {"0" + comma + "1", "-1024"}};
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) {
      document.appendRow();
    }
    document.setCell(1, static_cast<int>(i) + 1, cells[i].first);
    document.setCell(2, static_cast<int>(i) + 1, cells[i].second);
  }
  const std::string path = folder.file("scene.crd");
  const std::string first = saveAs(document, path);

  VT_Points points(true);
  const ReadStatus status = ReadScenePoints(path, points, separator);
  ASSERT_TRUE(status.ok) << status.detail;
  const std::vector<std::pair<double, double>> expected = {{12, 3.5}, {-0.25, 1e-5}, {1e20, 7}, {0.1, -1024}};
  ASSERT_EQ(points.Count(), static_cast<int>(expected.size()));
  for (int i = 0; i < points.Count(); ++i) {
    EXPECT_EQ(points.Get(i)->x, expected[i].first) << i;
    EXPECT_EQ(points.Get(i)->y, expected[i].second) << i;
  }

  EditorDocument reloaded(separator);
  ASSERT_EQ(reloaded.LoadFile(path, 2), 1);
  EXPECT_EQ(saveAs(reloaded, folder.file("again.crd")), first);
}

TEST_P(EditorRoundTrip, CameraFileReadsBackAndKeepsItsBytes) {
  const char separator = GetParam();
  const std::string comma(1, separator);
  TempFolder folder(std::string("camera-round-trip-") + (separator == ',' ? "comma" : "point"));
  folder.write("corr.tab", "table line\r\n");
  EditorDocument document(separator);
  ASSERT_EQ(document.LoadFile("", 5), 1);
  const std::vector<std::string> cells = {
      "511" + comma + "5", "384 ", "corr.tab ", "1523" + comma + "087", "1024", "768", "512", "384"};
  for (int l = 0; l < 8; ++l) {
    document.setCell(1, l, cells[l]);
  }
  const std::string path = folder.file("Kalibr.cam");
  const std::string first = saveAs(document, path);

  double centreX = 0, centreY = 0, focal = 0, width = 0, height = 0;
  std::vector<std::string> table;
  const ReadStatus status = ReadCameraFile(path, centreX, centreY, table, focal, width, height, separator);
  ASSERT_TRUE(status.ok) << status.detail;
  EXPECT_EQ(centreX, 511.5);
  EXPECT_EQ(centreY, 384);
  EXPECT_EQ(focal, 1523.087);
  EXPECT_EQ(width, 1024);
  EXPECT_EQ(height, 768);
  EXPECT_EQ(table, std::vector<std::string>{"table line"});
  EditorDocument reread(separator);
  ASSERT_EQ(reread.LoadFile(path, 5), 1);
  EXPECT_EQ(saveAs(reread, folder.file("again.cam")), first);

  // The main window's copy with the annotated focal length goes through the editor unchanged in
  // meaning, then stays byte for byte.
  const std::string copy = folder.file("KalibrF.cam");
  const std::string deviation = "12" + comma + "4410";
  ASSERT_TRUE(writeFocalLengthCopy(path, copy, "1600" + comma + "2500", deviation, "-").ok);
  EditorDocument annotated(separator);
  ASSERT_EQ(annotated.LoadFile(copy, 5), 1);
  const std::string rewritten = saveAs(annotated, copy);
  ASSERT_TRUE(ReadCameraFile(copy, centreX, centreY, table, focal, width, height, separator).ok);
  EXPECT_EQ(focal, 1600.25);
  EditorDocument unedited(separator);
  ASSERT_EQ(unedited.LoadFile(copy, 5), 1);
  EXPECT_EQ(saveAs(unedited, copy), rewritten);

  EditorDocument blankFocal(separator);
  ASSERT_EQ(blankFocal.LoadFile(path, 5), 1);
  blankFocal.setCell(1, 3, "");
  saveAs(blankFocal, path);
  ASSERT_TRUE(ReadCameraFile(path, centreX, centreY, table, focal, width, height, separator).ok);
  EXPECT_EQ(focal, -1);
}

INSTANTIATE_TEST_SUITE_P(Separators, EditorRoundTrip, testing::Values(',', '.'),
                         [](const auto& caseInfo) { return caseInfo.param == ',' ? "comma" : "point"; });

} // namespace
} // namespace kavo
