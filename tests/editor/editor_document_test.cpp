#include "editor/editor_document.h"

#include "platform/cp1251.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace kavo {
namespace {

using test::TempFolder;

std::string cp1251(const std::string& utf8) {
  return *encodeCp1251(utf8, nullptr);
}

// The rows below the header as "number:x:y", the form the tables below expect them in.
std::vector<std::string> dataRows(const EditorDocument& document) {
  std::vector<std::string> rows;
  for (int r = document.firstDataRow(); r < document.rowCount(); ++r) {
    rows.push_back(document.cell(0, r) + ":" + document.cell(1, r) + ":" + document.cell(2, r));
  }
  return rows;
}

struct PointListLoad {
  const char* name;
  std::string bytes;
  char separator;
  bool ok;
  std::vector<std::string> rows; // expected data rows when ok; otherwise a text the detail holds
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const PointListLoad& c, std::ostream* os) {
  *os << c.name;
}

class PointListLoadTest : public testing::TestWithParam<PointListLoad> {};

TEST_P(PointListLoadTest, FillsNumberedFormattedRowsOrFails) {
  const PointListLoad& c = GetParam();
  TempFolder folder(c.name);
  const std::string path = folder.write("scene.crd", c.bytes);
  EditorDocument document(c.separator);
  ASSERT_EQ(document.LoadFile(path, 2), c.ok ? 1 : 0) << document.failureDetail();
  if (c.ok) {
    EXPECT_EQ(dataRows(document), c.rows);
    EXPECT_EQ(document.cell(1, 0), "x");
    EXPECT_EQ(document.cell(2, 0), "y");
    EXPECT_EQ(document.cell(0, 0), "");
  } else {
    EXPECT_NE(document.failureDetail().find(path), std::string::npos) << document.failureDetail();
    for (const auto& part : c.rows) {
      EXPECT_NE(document.failureDetail().find(part), std::string::npos) << document.failureDetail();
    }
  }
  EXPECT_FALSE(document.modified());
}

INSTANTIATE_TEST_SUITE_P(
    Files, PointListLoadTest,
    testing::Values(
        PointListLoad{"spaced", "12 ; 3,5\r\n-4;0,25\r\n", ',', true, {"1:12:3,5", "2:-4:0,25"}},
        PointListLoad{"reformatted", "12;3,50\r\n2,50;1E3\r\n", ',', true, {"1:12:3,5", "2:2,5:1000"}},
        PointListLoad{"point", "12 ; 3.5\n0.00005;7", '.', true, {"1:12:3.5", "2:5E-5:7"}},
        PointListLoad{"cr_only", "1;2\r3;4\r", '.', true, {"1:1:2", "2:3:4"}},
        PointListLoad{"empty_file", "", ',', true, {}},
        PointListLoad{"second_semicolon", "1;2\r\n12;3,5;7\r\n", ',', false, {"строка 2", "3,5;7"}},
        PointListLoad{"foreign_separator", "12 ; 3.5\r\n", ',', false, {"строка 1", "3.5"}},
        PointListLoad{"no_semicolon", "12 3\r\n", '.', false, {"строка 1", "«;»"}},
        PointListLoad{"empty_line", "1;2\r\n\r\n3;4\r\n", '.', false, {"строка 2"}},
        PointListLoad{"two_final_breaks", "1;2\r\n\r\n", '.', false, {"строка 2"}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(EditorLoad, UntitledAndLayoutsPerKind) {
  EditorDocument points(',');
  ASSERT_EQ(points.LoadFile("", 2), 1);
  EXPECT_EQ(points.layout().title, "Untitled Реперные точки");
  EXPECT_EQ(points.layout().windowWidth, 300);
  EXPECT_EQ(points.layout().windowHeight, 500);
  EXPECT_EQ(points.layout().columnWidths, (std::vector<int>{50, 100, 100}));
  EXPECT_EQ(points.layout().fixedRows, 1);
  EXPECT_TRUE(points.layout().gridCommandsEnabled);
  EXPECT_EQ(dataRows(points), std::vector<std::string>{"1::"});

  EditorDocument camera(',');
  ASSERT_EQ(camera.LoadFile("", 5), 1);
  EXPECT_EQ(camera.layout().title, "Untitled Внутренняя геометрия");
  EXPECT_EQ(camera.layout().windowWidth, 520);
  EXPECT_EQ(camera.layout().windowHeight, 290);
  EXPECT_EQ(camera.layout().columnWidths, (std::vector<int>{290, 200}));
  EXPECT_EQ(camera.layout().fixedRows, 0);
  EXPECT_EQ(camera.layout().defaultRowHeight, 24);
  EXPECT_FALSE(camera.layout().gridCommandsEnabled);
  ASSERT_EQ(camera.rowCount(), 8);
  for (int l = 0; l < 8; ++l) {
    EXPECT_EQ(camera.cell(0, l), cameraRowCaptions()[l]);
    EXPECT_EQ(camera.cell(1, l), "");
  }
  EXPECT_EQ(camera.cell(0, 3), "Фокусное расстояние (пикс.)");
}

TEST(EditorLoad, DisplayNameCutsAtEitherSeparator) {
  EXPECT_EQ(editorDisplayName(""), "Untitled");
  EXPECT_EQ(editorDisplayName("/data/calib/scene.crd"), "scene.crd");
  EXPECT_EQ(editorDisplayName("C:\\calib\\Kalibr.cam"), "Kalibr.cam");
  EXPECT_EQ(editorDisplayName("scene.crd"), "scene.crd");
  EXPECT_EQ(editorDisplayName("/data/calib/"), "");
}

TEST(EditorLoad, UnreadableFileOrUnknownKindFails) {
  TempFolder folder("unreadable");
  EditorDocument missing('.');
  EXPECT_EQ(missing.LoadFile(folder.file("absent.crd"), 2), 0);
  EXPECT_NE(missing.failureDetail().find("absent.crd"), std::string::npos);

  EditorDocument directory('.');
  EXPECT_EQ(directory.LoadFile(folder.file(""), 5), 0);
  EXPECT_EQ(directory.layout().title, " Внутренняя геометрия");

  EditorDocument kind('.');
  EXPECT_EQ(kind.LoadFile("", 3), 0);
}

const std::string kCameraUtf8 =
    "512 ; Координата X центра изображения\r\n"
    "384,5 ; Координата Y центра изображения\r\n"
    "таблица.tab ; Таблица коррекции\r\n"
    "1523,0870 ; Фокусное расстояние(пикс.).  СКО = 12,4410;  Ст.откл. = 2,7860\r\n"
    "1024;\r\n"
    " 768 ; Размер изображения по вертикали\r\n"
    "512,250\r\n"
    "384 ; Координата Y главной точки\r\n";

TEST(EditorLoad, CameraCellsKeepTheFileTextBeforeTheFirstSemicolon) {
  TempFolder folder("camera");
  EditorDocument document(',');
  ASSERT_EQ(document.LoadFile(folder.write("Kalibr.cam", cp1251(kCameraUtf8 + "extra ; line\r\n")), 5), 1)
      << document.failureDetail();
  EXPECT_EQ(document.layout().title, "Kalibr.cam Внутренняя геометрия");
  const std::vector<std::string> expected = {"512 ",  "384,5 ", "таблица.tab ", "1523,0870 ", "1024",
                                             " 768 ", "",       "384 "};
  ASSERT_EQ(document.rowCount(), 8);
  for (int l = 0; l < 8; ++l) {
    EXPECT_EQ(document.cell(1, l), expected[l]) << "row " << l;
  }
}

TEST(EditorLoad, CameraFileOfSevenLinesFails) {
  TempFolder folder("camera7");
  const std::string seven = kCameraUtf8.substr(0, kCameraUtf8.rfind("384 ;"));
  EditorDocument document(',');
  EXPECT_EQ(document.LoadFile(folder.write("short.cam", cp1251(seven)), 5), 0);
  EXPECT_NE(document.failureDetail().find("7"), std::string::npos) << document.failureDetail();
}

// Grid commands: rows before, the selected row, the command, rows after.
enum class Command { Insert, Append, Delete, Clear, ClearThenAppend };

struct RowMove {
  const char* name;
  std::string file;
  Command command;
  int currentRow;
  std::vector<std::string> rows;
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const RowMove& c, std::ostream* os) {
  *os << c.name;
}

class RowMoveTest : public testing::TestWithParam<RowMove> {};

TEST_P(RowMoveTest, MovesValueColumnsAndKeepsNumbering) {
  const RowMove& c = GetParam();
  TempFolder folder(c.name);
  EditorDocument document('.');
  ASSERT_EQ(document.LoadFile(folder.write("scene.crd", c.file), 2), 1);
  switch (c.command) {
  case Command::Insert:
    document.insertRow(c.currentRow);
    break;
  case Command::Append:
    document.appendRow();
    break;
  case Command::Delete:
    document.deleteRow(c.currentRow);
    break;
  case Command::Clear:
    document.clearRows();
    break;
  case Command::ClearThenAppend:
    document.clearRows();
    document.appendRow();
    break;
  }
  EXPECT_EQ(dataRows(document), c.rows);
  EXPECT_TRUE(document.modified());
}

const std::string kThree = "1;10\r\n2;20\r\n3;30\r\n";

INSTANTIATE_TEST_SUITE_P(
    Commands, RowMoveTest,
    testing::Values(
        RowMove{"insert_middle", kThree, Command::Insert, 2, {"1:1:10", "2::", "3:2:20", "4:3:30"}},
        RowMove{"insert_last", kThree, Command::Insert, 3, {"1:1:10", "2:2:20", "3::", "4:3:30"}},
        RowMove{"insert_first", kThree, Command::Insert, 1, {"1::", "2:1:10", "3:2:20", "4:3:30"}},
        RowMove{"insert_into_empty_list", "", Command::Insert, -1, {"1::"}},
        RowMove{"append", kThree, Command::Append, 1, {"1:1:10", "2:2:20", "3:3:30", "4::"}},
        RowMove{"append_to_empty_list", "", Command::Append, -1, {"1::"}},
        RowMove{"delete_first", kThree, Command::Delete, 1, {"1:2:20", "2:3:30"}},
        RowMove{"delete_last", kThree, Command::Delete, 3, {"1:1:10", "2:2:20"}},
        RowMove{"delete_only_row_empties_it", "5;6\r\n", Command::Delete, 1, {"1::"}},
        RowMove{"delete_in_empty_list", "", Command::Delete, -1, {}},
        RowMove{"clear", kThree, Command::Clear, 2, {"1::"}},
        RowMove{"clear_empty_list", "", Command::Clear, -1, {"1::"}},
        RowMove{"clear_then_append", kThree, Command::ClearThenAppend, 2, {"1::", "2::"}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(EditorCommands, HiddenColumnThreeMovesWithItsRow) {
  TempFolder folder("hidden");
  EditorDocument document('.');
  ASSERT_EQ(document.LoadFile(folder.write("scene.crd", kThree), 2), 1);
  document.setCell(3, 2, "h2");
  document.insertRow(1);
  EXPECT_EQ(document.cell(3, 2), "");
  EXPECT_EQ(document.cell(3, 3), "h2");
  document.deleteRow(1);
  EXPECT_EQ(document.cell(3, 2), "h2");
  document.deleteRow(2);
  EXPECT_EQ(document.cell(3, 2), "");
}

TEST(EditorCommands, CameraLayoutIgnoresThemAndFixedCellsAreNotEditable) {
  EditorDocument document('.');
  ASSERT_EQ(document.LoadFile("", 5), 1);
  document.insertRow(1);
  document.appendRow();
  document.deleteRow(1);
  document.clearRows();
  EXPECT_EQ(document.rowCount(), 8);
  EXPECT_FALSE(document.modified());
  document.setCell(0, 2, "changed");
  EXPECT_EQ(document.cell(0, 2), "Таблица коррекции");
  document.setCell(1, 8, "beyond");
  EXPECT_EQ(document.rowCount(), 8);
  document.setCell(1, 2, "corr.tab");
  EXPECT_EQ(document.cell(1, 2), "corr.tab");

  EditorDocument points('.');
  ASSERT_EQ(points.LoadFile("", 2), 1);
  points.setCell(1, 0, "header");
  EXPECT_EQ(points.cell(1, 0), "x");
}

} // namespace
} // namespace kavo
