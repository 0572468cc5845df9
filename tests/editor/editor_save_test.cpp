#include "editor/editor_save.h"

#include "platform/cp1251.h"
#include "scripted_user_port.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace kavo {
namespace {

using test::ScriptedUserPort;
using test::TempFolder;

std::string cp1251(const std::string& utf8) {
  return *encodeCp1251(utf8, nullptr);
}

TEST(NormalizeNumber, EmptyOrOneBlankIsEmptyOtherTextMustConvert) {
  struct Case {
    std::string text;
    char separator;
    std::optional<std::string> written;
  };
  const Case cases[] = {
      {"", ',', ""},
      {" ", ',', ""},
      {"  ", ',', std::nullopt},
      {"1024 ", ',', "1024"},
      {" 2,50", ',', "2,5"},
      {"2.5", ',', std::nullopt},
      {"2.5", '.', "2.5"},
      {"1e-6", '.', "1E-6"},
      {"abc", '.', std::nullopt},
      {"12\t", '.', std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormalizeNumber(c.text, c.separator), c.written) << "'" << c.text << "'";
  }
}

EditorDocument loaded(const TempFolder& folder, const std::string& name, const std::string& bytes, int kind,
                      char separator) {
  EditorDocument document(separator);
  const int ready = document.LoadFile(folder.write(name, bytes), kind);
  EXPECT_EQ(ready, 1) << document.failureDetail();
  return document;
}

TEST(EditorLines, PointListIsWrittenInFormattedForm) {
  TempFolder folder("points");
  const EditorDocument document = loaded(folder, "scene.crd", "12;3,50\r\n-0,5 ; 1E3\r\n", 2, ',');
  const EditorLines built = buildEditorLines(document);
  ASSERT_TRUE(built.ok);
  EXPECT_EQ(built.lines, (std::vector<std::string>{"12 ; 3,5", "-0,5 ; 1000"}));
}

// A point list fails at its first bad row, named by its number; nothing else is reported.
TEST(EditorLines, PointListReportsTheFirstBadRow) {
  struct Case {
    const char* name;
    int row;
    std::string x;
    std::string y;
    std::string detail; // the file, the row and what was wrong
  };
  const Case cases[] = {
      {"letters", 2, "1", "abc", "файл точек сцены scene.crd, строка 2, y: «abc» не число"},
      {"blank", 3, " ", "1", "файл точек сцены scene.crd, строка 3, x: нет числа"},
      {"empty_x", 4, "", "1", "файл точек сцены scene.crd, строка 4, x: нет числа"},
      {"point", 2, "1.5", "1",
       "файл точек сцены scene.crd, строка 2, x: «1.5» не число (десятичный разделитель — запятая)"},
      {"emoji", 3, "1", "2\xF0\x9F\x98\x80",
       "файл точек сцены scene.crd, строка 3, y: «2\xF0\x9F\x98\x80» не число"},
  };
  for (const Case& c : cases) {
    TempFolder folder(c.name);
    EditorDocument document = loaded(folder, "scene.crd", "1;1\r\n2;2\r\n3;3\r\n4;4\r\n5;5\r\n", 2, ',');
    document.setCell(1, c.row, c.x);
    document.setCell(2, c.row, c.y);
    document.setCell(1, 5, "bad too");
    const EditorLines built = buildEditorLines(document);
    ASSERT_FALSE(built.ok) << c.name;
    EXPECT_EQ(built.failure.text, "Ошибка в " + std::to_string(c.row) + "-й строке координат изображения!");
    EXPECT_EQ(built.failure.caption, "Kavo");
    EXPECT_EQ(built.failure.detail, c.detail);
  }
}

TEST(EditorLines, InsertedEmptyRowFailsWithItsNumber) {
  TempFolder folder("inserted");
  EditorDocument document = loaded(folder, "scene.crd", "1;1\r\n2;2\r\n3;3\r\n", 2, '.');
  document.insertRow(2);
  const EditorLines built = buildEditorLines(document);
  ASSERT_FALSE(built.ok);
  EXPECT_EQ(built.failure.text, "Ошибка в 2-й строке координат изображения!");
}

const std::vector<std::string> kCameraComments = {
    " ; Координата X центра изображения",
    " ; Координата Y центра изображения",
    " ; Таблица коррекции",
    " ; Фокусное расстояние",
    " ; Размер изображения по горизонтали",
    " ; Размер изображения по вертикали",
    " ; Координата X главной точки",
    " ; Координата Y главной точки",
};

std::vector<std::string> commented(const std::vector<std::string>& values) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < values.size(); ++i) {
    lines.push_back(values[i] + kCameraComments[i]);
  }
  return lines;
}

TEST(EditorLines, CameraLinesCarryNormalizedValuesAndTheirComments) {
  EditorDocument document(',');
  ASSERT_EQ(document.LoadFile("", 5), 1);
  const std::vector<std::string> cells = {"512 ", "384,50", "corr.tab  ", "", "1024", " ", "512,25", "384"};
  for (int l = 0; l < 8; ++l) {
    document.setCell(1, l, cells[l]);
  }
  const EditorLines built = buildEditorLines(document);
  ASSERT_TRUE(built.ok) << built.failure.detail;
  EXPECT_EQ(built.lines, commented({"512", "384,5", "corr.tab", "", "1024", "", "512,25", "384"}));
  EXPECT_EQ(built.lines[3], " ; Фокусное расстояние");
}

// The message names no row; the detail names the file, the line with its caption, and what was wrong.
TEST(EditorLines, CameraFailureDetailNamesTheLine) {
  struct Case {
    int row;
    std::string text;
    std::string detail;
  };
  const Case cases[] = {
      {0, "  ", "строка 1 («Координата X центра изображения (пикс.)»): нет числа"},
      {3, "abc", "строка 4 («Фокусное расстояние (пикс.)»): «abc» не число"},
      {4, "1.5",
       "строка 5 («Ширина изображения (пикс.)»): «1.5» не число (десятичный разделитель — запятая)"},
      {2, "таблица\xF0\x9F\x98\x80.tab",
       "строка 3 («Таблица коррекции»): символ «\xF0\x9F\x98\x80» нельзя записать в Windows-1251"},
      {2, "a;b.tab",
       "строка 3 («Таблица коррекции»): «a;b.tab» не может быть именем файла: в значении есть «;»"},
      {2, "a\r\nb.tab",
       "строка 3 («Таблица коррекции»): «a\r\nb.tab» не может быть именем файла: в значении есть перевод "
       "строки"},
  };
  for (const Case& c : cases) {
    EditorDocument document(',');
    ASSERT_EQ(document.LoadFile("", 5), 1);
    document.setCell(1, c.row, c.text);
    const EditorLines built = buildEditorLines(document);
    ASSERT_FALSE(built.ok) << c.text;
    EXPECT_EQ(built.failure.text, "Ошибка в калибровочных данных!");
    EXPECT_EQ(built.failure.caption, "Kavo");
    EXPECT_NE(built.failure.detail.find("Untitled, " + c.detail), std::string::npos) << built.failure.detail;
  }
}

TEST(EditorSaveDialog, SettingsPerKind) {
  TempFolder folder("dialog");
  const EditorDocument points = loaded(folder, "scene.crd", "1;2\r\n", 2, '.');
  const FileDialogRequest pointDialog = editorSaveDialog(points);
  EXPECT_EQ(pointDialog.filter, "Coordinate Files|*.crd|All Files|*.*");
  EXPECT_EQ(pointDialog.defaultExtension, "*.crd");
  EXPECT_EQ(pointDialog.proposedName, folder.file("scene.crd"));
  EXPECT_FALSE(pointDialog.askBeforeOverwrite);

  EditorDocument camera('.');
  ASSERT_EQ(camera.LoadFile("", 5), 1);
  const FileDialogRequest cameraDialog = editorSaveDialog(camera);
  EXPECT_EQ(cameraDialog.filter, "Cam Files|*.cam|All Files|*.*");
  EXPECT_EQ(cameraDialog.defaultExtension, "*.cam");
  EXPECT_EQ(cameraDialog.proposedName, "");
}

// The save command's outcomes and what each leaves of modified, the file and the boxes shown.
TEST(EditorSave, ModifiedIsClearedOnlyByAWrittenFile) {
  TempFolder folder("save");
  const std::string original = "1;2\r\n3;4\r\n";
  EditorDocument document = loaded(folder, "scene.crd", original, 2, '.');
  const std::string path = folder.file("scene.crd");

  document.setCell(1, 1, "oops");
  document.setModified(true);
  ScriptedUserPort invalid;
  EXPECT_EQ(runEditorSave(document, invalid), EditorSaveOutcome::Invalid);
  EXPECT_TRUE(invalid.saveRequests().empty());
  ASSERT_EQ(invalid.messages().size(), 1u);
  EXPECT_EQ(invalid.messages()[0].text, "Ошибка в 1-й строке координат изображения!");
  EXPECT_TRUE(document.modified());

  document.setCell(1, 1, "5");
  ScriptedUserPort cancelled;
  cancelled.saveFiles = {std::nullopt};
  EXPECT_EQ(runEditorSave(document, cancelled), EditorSaveOutcome::Cancelled);
  EXPECT_TRUE(document.modified());
  EXPECT_EQ(test::readBytes(path), original);

  ScriptedUserPort unwritable;
  unwritable.saveFiles = {folder.file("no-such-folder/scene.crd")};
  EXPECT_EQ(runEditorSave(document, unwritable), EditorSaveOutcome::WriteFailed);
  ASSERT_EQ(unwritable.messages().size(), 1u);
  EXPECT_NE(unwritable.messages()[0].detail.find("no-such-folder"), std::string::npos);
  EXPECT_TRUE(document.modified());

  ScriptedUserPort written;
  written.saveFiles = {path};
  EXPECT_EQ(runEditorSave(document, written), EditorSaveOutcome::Written);
  EXPECT_TRUE(written.messages().empty());
  EXPECT_FALSE(document.modified());
  EXPECT_EQ(test::readBytes(path), "5 ; 2\r\n3 ; 4\r\n");
  EXPECT_EQ(written.unexpected + cancelled.unexpected + invalid.unexpected + unwritable.unexpected, 0);
}

// A file written under another name becomes the file being edited: the title and the next save's
// proposal follow it. A save that wrote nothing changes neither.
TEST(EditorSave, AWrittenFileBecomesTheDocumentsFile) {
  for (const int kind : {2, 5}) {
    SCOPED_TRACE(kind);
    TempFolder folder(kind == 2 ? "renamed-points" : "renamed-camera");
    EditorDocument document('.');
    ASSERT_EQ(document.LoadFile("", kind), 1);
    const std::string suffix = kind == 2 ? " Реперные точки" : " Внутренняя геометрия";
    if (kind == 2) {
      document.setCell(1, 1, "1");
      document.setCell(2, 1, "2");
    } else {
      document.setCell(1, 2, "corr.tab");
    }
    ScriptedUserPort cancelled;
    cancelled.saveFiles = {std::nullopt};
    EXPECT_EQ(runEditorSave(document, cancelled), EditorSaveOutcome::Cancelled);
    EXPECT_EQ(document.layout().title, "Untitled" + suffix);

    ScriptedUserPort written;
    written.saveFiles = {folder.file("new name.dat")};
    ASSERT_EQ(runEditorSave(document, written), EditorSaveOutcome::Written);
    EXPECT_EQ(document.layout().title, "new name.dat" + suffix);
    EXPECT_EQ(document.filePath(), folder.file("new name.dat"));
    EXPECT_EQ(editorSaveDialog(document).proposedName, folder.file("new name.dat"));
  }
}

TEST(EditorSave, PointListWithoutRowsIsAnEmptyFile) {
  TempFolder folder("emptied");
  EditorDocument document = loaded(folder, "none.crd", "", 2, '.');
  folder.write("none.crd", "old");
  ScriptedUserPort port;
  port.saveFiles = {folder.file("none.crd")};
  EXPECT_EQ(runEditorSave(document, port), EditorSaveOutcome::Written);
  EXPECT_EQ(test::readBytes(folder.file("none.crd")), "");
}

// The close question: when it is asked, and whether the window may close after each answer.
TEST(EditorClose, KeepsTheWindowOpenUnlessNothingIsLost) {
  struct Case {
    const char* name;
    bool modified;
    std::string cell; // the x of row 1
    std::deque<Answer> answers;
    std::deque<std::optional<std::string>> saveAs; // "" stands for the loaded file
    bool mayClose;
    bool modifiedAfter;
  };
  const std::vector<Case> cases = {
      {"unchanged", false, "1", {}, {}, true, false},
      {"answer_no", true, "1", {Answer::No}, {}, true, true},
      // Cancel is also what Escape and the box's close answer: nothing is lost.
      {"answer_cancel", true, "7", {Answer::Cancel}, {}, false, true},
      {"yes_and_saved", true, "7", {Answer::Yes}, {""}, true, false},
      {"yes_then_cancelled", true, "7", {Answer::Yes}, {std::nullopt}, false, true},
      {"yes_but_invalid", true, "x", {Answer::Yes}, {}, false, true},
  };
  for (const Case& c : cases) {
    TempFolder folder(c.name);
    EditorDocument document = loaded(folder, "scene.crd", "1;2\r\n", 2, '.');
    document.setCell(1, 1, c.cell);
    document.setModified(c.modified);
    ScriptedUserPort port;
    port.threeWayAnswers = c.answers;
    for (const auto& answer : c.saveAs) {
      port.saveFiles.push_back(answer && answer->empty() ? folder.file("scene.crd") : answer);
    }
    EXPECT_EQ(confirmEditorClose(document, port), c.mayClose) << c.name;
    EXPECT_EQ(document.modified(), c.modifiedAfter) << c.name;
    EXPECT_EQ(port.questions().size(), c.modified ? 1u : 0u) << c.name;
    if (!port.questions().empty()) {
      EXPECT_EQ(port.questions()[0].text, "Данные не сохранены. Сохранить?");
      EXPECT_EQ(port.questions()[0].caption, "Предупреждение");
      EXPECT_EQ(port.questions()[0].owner, BoxOwner::Editor);
    }
    EXPECT_EQ(port.unexpected, 0) << c.name;
    EXPECT_TRUE(port.threeWayAnswers.empty() && port.saveFiles.empty()) << c.name;
  }
}

TEST(EditorLoadFailure, InternalErrorMessageWithoutOwner) {
  EditorDocument document('.');
  ASSERT_EQ(document.LoadFile("/nonexistent/kavo/scene.crd", 2), 0);
  const UserMessage message = editorLoadFailure(document);
  EXPECT_EQ(message.text, "Внутренняя ошибка. Обратитесь к разработчику.");
  EXPECT_EQ(message.caption, "Ошибка!");
  EXPECT_EQ(message.owner, BoxOwner::None);
  EXPECT_NE(message.detail.find("/nonexistent/kavo/scene.crd"), std::string::npos);
}

// A camera file saved by the main window (annotated focal length, a ninth line, blanks before the
// separators) is rewritten once into the editor's form; from then on load and save change no byte.
TEST(EditorSave, CameraFileIsByteStableFromTheFirstSave) {
  TempFolder folder("stable");
  const std::string source =
      cp1251("512 ; Координата X центра изображения\r\n"
             "384,50 ; Координата Y центра изображения\r\n"
             "таблица.tab ; Таблица коррекции\r\n"
             "1523,0870 ; Фокусное расстояние(пикс.).  СКО = 12,4410;  Ст.откл. = 2,7860\r\n"
             "1024 ; Размер изображения по горизонтали\r\n"
             "768 ; Размер изображения по вертикали\r\n"
             "512 ; Координата X главной точки\r\n"
             "384 ; Координата Y главной точки\r\n"
             "a ninth line\r\n");
  std::string previous = folder.write("Kalibr.cam", source);
  std::vector<std::string> saved;
  for (int round = 0; round < 3; ++round) {
    EditorDocument document(',');
    ASSERT_EQ(document.LoadFile(previous, 5), 1) << document.failureDetail();
    ScriptedUserPort port;
    const std::string target = folder.file("round" + std::to_string(round) + ".cam");
    port.saveFiles = {target};
    ASSERT_EQ(runEditorSave(document, port), EditorSaveOutcome::Written);
    saved.push_back(test::readBytes(target));
    previous = target;
  }
  EXPECT_EQ(saved[0], cp1251("512 ; Координата X центра изображения\r\n"
                             "384,5 ; Координата Y центра изображения\r\n"
                             "таблица.tab ; Таблица коррекции\r\n"
                             "1523,087 ; Фокусное расстояние\r\n"
                             "1024 ; Размер изображения по горизонтали\r\n"
                             "768 ; Размер изображения по вертикали\r\n"
                             "512 ; Координата X главной точки\r\n"
                             "384 ; Координата Y главной точки\r\n"));
  EXPECT_EQ(saved[1], saved[0]);
  EXPECT_EQ(saved[2], saved[0]);
}

// The ninth line that holds the EXIF focal length detect wrote is not on the grid, but a save keeps
// it; an edit of the grid does not lose it.
TEST(EditorSave, CameraFileKeepsTheExifFocalLength) {
  TempFolder folder("exif");
  const std::string eight = cp1251("512 ; Координата X центра изображения\r\n"
                                   "384 ; Координата Y центра изображения\r\n"
                                   "таблица.tab ; Таблица коррекции\r\n"
                                   " ; Фокусное расстояние\r\n"
                                   "1024 ; Размер изображения по горизонтали\r\n"
                                   "768 ; Размер изображения по вертикали\r\n"
                                   "512 ; Координата X главной точки\r\n"
                                   "384 ; Координата Y главной точки\r\n");
  const std::string ninth = cp1251("1000,5 ; Фокусное расстояние по EXIF (пикс.)\r\n");
  EditorDocument document(',');
  ASSERT_EQ(document.LoadFile(folder.write("camera.cam", eight + ninth), 5), 1) << document.failureDetail();
  document.setCell(1, 4, "1025");
  ScriptedUserPort port;
  port.saveFiles = {folder.file("edited.cam")};
  ASSERT_EQ(runEditorSave(document, port), EditorSaveOutcome::Written);
  std::string expected = eight + ninth;
  expected.replace(expected.find("1024"), 4, "1025");
  EXPECT_EQ(test::readBytes(folder.file("edited.cam")), expected);
}

} // namespace
} // namespace kavo
