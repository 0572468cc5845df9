#include "datafiles/camera_file.h"

#include "platform/paths.h"
#include "platform/text_file.h"
#include "temp_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kavo {
namespace {

using test::readBytes;
using test::TempFolder;
using ::testing::HasSubstr;

const std::string kData = KAVO_TEST_DATA;

// What ReadCameraFile gave; the outputs start at sentinels so that untouched ones show.
struct Camera {
  ReadStatus status;
  double cx = -7, cy = -7, focal = -7, width = -7, height = -7;
  std::vector<std::string> table = {"old"};
};

Camera readCamera(const std::string& path, char separator = '.') {
  Camera c;
  c.status = ReadCameraFile(path, c.cx, c.cy, c.table, c.focal, c.width, c.height, separator);
  return c;
}

std::vector<std::string> cameraLines() {
  return {"1024 ; X", "768 ; Y",  "t.txt ; table", " ; Фокусное расстояние",
          "2048 ; w", "1536 ; h", "1 ; px",        "2 ; py"};
}

TEST(CameraFile, ReadsTheSampleSeriesCamera) {
  const Camera c = readCamera(kData + "/series/camera.cam");
  ASSERT_TRUE(c.status.ok) << c.status.detail;
  EXPECT_EQ(c.cx, 1000);
  EXPECT_EQ(c.cy, 750);
  EXPECT_EQ(c.focal, -1);
  EXPECT_EQ(c.width, 2000);
  EXPECT_EQ(c.height, 1500);
  ASSERT_EQ(c.table.size(), 3u);
  EXPECT_EQ(c.table[0], "1");
  EXPECT_THAT(c.table[2], HasSubstr("; диапазон 2"));
}

TEST(CameraFile, ReadsRealFilesInEveryLayout) {
  // CR-only line ends and a table named with '\\' in a subfolder.
  const Camera cr = readCamera(kData + "/camera/cr_only.cam");
  ASSERT_TRUE(cr.status.ok) << cr.status.detail;
  EXPECT_EQ(cr.cx, 1024);
  EXPECT_EQ(cr.height, 1536);
  EXPECT_EQ(cr.table.size(), 2u);
  // Exactly six lines, LF only, no final line break.
  const Camera six = readCamera(kData + "/camera/six_lines.cam");
  ASSERT_TRUE(six.status.ok) << six.status.detail;
  EXPECT_EQ(six.height, 6);
  // "," as the separator, with a focal length written by the main window.
  const Camera comma = readCamera(kData + "/camera/comma.cam", ',');
  ASSERT_TRUE(comma.status.ok) << comma.status.detail;
  EXPECT_EQ(comma.cx, 1000.5);
  EXPECT_EQ(comma.cy, 750.25);
  EXPECT_EQ(comma.focal, 1523.087);
  // The same file read with "." fails on its first line.
  const Camera point = readCamera(kData + "/camera/comma.cam", '.');
  EXPECT_FALSE(point.status.ok);
  EXPECT_THAT(point.status.detail, HasSubstr("comma.cam, строка 1: «1000,5» не число"));
}

TEST(CameraFile, ReadsEachLineByItsValueBeforeTheFirstSemicolon) {
  struct Case {
    std::size_t line; // 0-based line to replace
    const char* text;
    bool ok;
    double focal;       // when ok
    const char* detail; // when not
  };
  const Case cases[] = {
      {3, " ; Фокусное расстояние", true, -1, ""},
      {3, "; comment", true, -1, ""},
      {3, "1523.5", true, -1, ""}, // no ';': the value is empty
      {3, "1523.5 ; f", true, 1523.5, ""},
      {3, " 1523.5 ; f", true, 1523.5, ""},
      {3, "1523.5;1;2", true, 1523.5, ""},
      {3, "  ; two spaces are not blank", false, 0, "строка 4: нет числа"},
      {3, "1 523 ; f", false, 0, "строка 4: «1 523» не число"},
      {0, " 1024 ; X", true, -1, ""},
      {0, "1 024 ; X", false, 0, "строка 1: «1 024» не число"},
      {0, "1024", false, 0, "строка 1: после значения нет «;»"},
      {1, "\t768 ; Y", false, 0, "строка 2: «\t768» не число"},
      {1, " ; Y", false, 0, "строка 2: нет числа"},
      {4, "wide ; w", false, 0, "строка 5: «wide» не число"},
      {5, "1536,0 ; h", false, 0, "строка 6: «1536,0» не число (десятичный разделитель — точка)"},
      {6, "not read ; px", true, -1, ""},
      {7, "", true, -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TempFolder folder;
    folder.writeLines("t.txt", {"1"});
    auto lines = cameraLines();
    lines[c.line] = c.text;
    // Lines are written as UTF-8 here; only ASCII matters to the reader's values.
    const Camera cam = readCamera(folder.writeLines("a.cam", lines));
    EXPECT_EQ(cam.status.ok, c.ok) << cam.status.detail;
    if (c.ok) {
      EXPECT_EQ(cam.focal, c.focal);
    } else {
      EXPECT_EQ(cam.status.message, "Ошибка чтения cam-файла!");
      EXPECT_EQ(cam.status.caption, "Ошибка!");
      EXPECT_THAT(cam.status.detail, HasSubstr("a.cam, " + std::string(c.detail)));
    }
  }
}

// Line 9, the focal length the photos' EXIF gives, counts when it holds a positive number; with it
// or without it every other value reads as it did.
TEST(CameraFile, ReadsTheExifFocalLengthOfLine9AndTheRestAsBefore) {
  struct Case {
    const char* line9; // nullptr: a file of eight lines
    char separator;
    std::optional<double> exif;
  };
  const Case cases[] = {
      {nullptr, '.', std::nullopt},        {"1000.5 ; EXIF", '.', 1000.5},
      {"1000,5 ; EXIF", ',', 1000.5},      {"1000,5 ; EXIF", '.', std::nullopt},
      {"0 ; EXIF", '.', std::nullopt},     {"-1000 ; EXIF", '.', std::nullopt},
      {"1000.5", '.', std::nullopt}, // no ';': no value
      {"a ninth line", '.', std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line9 ? c.line9 : "eight lines");
    TempFolder folder;
    folder.writeLines("t.txt", {"1"});
    auto lines = cameraLines();
    if (c.separator == ',') {
      lines[6] = "1,5 ; px";
    }
    if (c.line9 != nullptr) {
      lines.push_back(c.line9);
    }
    CameraFileValues values;
    const ReadStatus status = parseCameraFile(
        readFileBytes(folder.writeLines("a.cam", lines)), values,
        [](const std::string&) { return std::string(); }, c.separator);
    ASSERT_TRUE(status.ok) << status.detail;
    EXPECT_EQ(values.exifFocalLength, c.exif);
    EXPECT_EQ(values.imageCentreX, 1024);
    EXPECT_EQ(values.focalLength, -1);
    EXPECT_EQ(values.imageHeight, 1536);
    EXPECT_TRUE(values.hasPrincipalPoint);
    EXPECT_EQ(values.principalPointX, c.separator == ',' ? 1.5 : 1.0);
    EXPECT_EQ(values.principalPointY, 2);
    // The reader of lines 1 to 6 reads the file as it reads one of eight lines.
    const Camera classic = readCamera(folder.file("a.cam"), c.separator);
    ASSERT_TRUE(classic.status.ok) << classic.status.detail;
    EXPECT_EQ(classic.cx, 1024);
    EXPECT_EQ(classic.focal, -1);
    EXPECT_EQ(classic.height, 1536);
    EXPECT_EQ(classic.table, std::vector<std::string>{"1"});
  }
  // A file of six lines has no EXIF focal length either.
  CameraFileValues six;
  ASSERT_TRUE(parseCameraFile(
                  readFileBytes(kData + "/camera/six_lines.cam"), six,
                  [](const std::string&) { return std::string(); }, '.')
                  .ok);
  EXPECT_FALSE(six.exifFocalLength.has_value());
}

TEST(CameraFile, AssignsTheOutputsUpToTheFailingLine) {
  TempFolder folder;
  folder.writeLines("t.txt", {"1", "range"});
  auto lines = cameraLines();
  lines.resize(5);
  const Camera five = readCamera(folder.writeLines("five.cam", lines));
  EXPECT_FALSE(five.status.ok);
  EXPECT_THAT(five.status.detail, HasSubstr("строка 6: в файле 5 строк, а нужно не меньше 6"));
  EXPECT_EQ(five.cx, 1024);
  EXPECT_EQ(five.focal, -1);
  EXPECT_EQ(five.width, 2048);
  EXPECT_EQ(five.height, -7);
  EXPECT_EQ(five.table, (std::vector<std::string>{"1", "range"}));

  lines = cameraLines();
  lines[1] = "y ; Y";
  const Camera early = readCamera(folder.writeLines("early.cam", lines));
  EXPECT_FALSE(early.status.ok);
  EXPECT_EQ(early.cx, 1024);
  EXPECT_EQ(early.cy, -7);
  EXPECT_EQ(early.table, std::vector<std::string>{"old"});
}

TEST(CameraFile, FindsTheTableInTheCameraFilesFolder) {
  struct Case {
    const char* line3;
    bool ok;
    const char* detail;
  };
  const Case cases[] = {
      {"t.txt ; table", true, ""},
      {"t.txt    ; trailing blanks are not part of the name", true, ""},
      {"sub/u.txt ; subfolder", true, ""},
      {"sub\\u.txt ; written on another system", true, ""},
      {"missing.txt ; table", false, "строка 3: таблица коррекции: не удаётся открыть "},
      {" ; no name", false, "строка 3: таблица коррекции не названа"},
      {"sub ; a folder", false, "это папка"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line3);
    TempFolder folder;
    folder.writeLines("cams/t.txt", {"1", "t"});
    folder.writeLines("cams/sub/u.txt", {"1", "u"});
    folder.writeLines("t.txt", {"not", "this", "one"});
    auto lines = cameraLines();
    lines[2] = c.line3;
    const Camera cam = readCamera(folder.writeLines("cams/a.cam", lines));
    EXPECT_EQ(cam.status.ok, c.ok) << cam.status.detail;
    if (c.ok) {
      EXPECT_EQ(cam.table.size(), 2u);
    } else {
      EXPECT_THAT(cam.status.detail, HasSubstr(c.detail));
    }
  }
}

TEST(CameraFile, ReportsAMissingCameraFileByName) {
  TempFolder folder;
  const Camera cam = readCamera(folder.path() + "none.cam");
  EXPECT_FALSE(cam.status.ok);
  EXPECT_EQ(cam.status.message, "Ошибка чтения cam-файла!");
  EXPECT_THAT(cam.status.detail, HasSubstr(folder.path() + "none.cam"));
}

TEST(CameraFile, PathsCutAtEitherSeparator) {
  struct Case {
    const char* path;
    const char* name;
    const char* folder;
    const char* proposed;
  };
  const Case cases[] = {
      {"/calib/Kalibr.cam", "Kalibr.cam", "/calib/", "/calib/KalibrF.cam"},
      {"/calib/Kalibr.v2.cam", "Kalibr.v2.cam", "/calib/", "/calib/KalibrF.cam"},
      {"/calib/Kalibr", "Kalibr", "/calib/", "/calib/KalibrF.cam"},
      {"/my.dir/Kalibr", "Kalibr", "/my.dir/", "/my.dir/KalibrF.cam"},
      {"Kalibr.cam", "Kalibr.cam", "", "KalibrF.cam"},
      {"C:\\calib\\Kalibr.cam", "Kalibr.cam", "C:\\calib\\", "C:\\calib\\KalibrF.cam"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(fileNameOf(c.path), c.name);
    EXPECT_EQ(folderOf(c.path), c.folder);
    EXPECT_EQ(proposedFocalFileName(c.path), c.proposed);
  }
  EXPECT_EQ(nativePath("tables\\sub\\t.txt"), "tables/sub/t.txt");
}

TEST(CameraFile, BuildsTheFocalLengthLine) {
  EXPECT_EQ(focalLengthLine("1523.0870", "12.4410", "2.7860"),
            "1523.0870 ; Фокусное расстояние(пикс.).  СКО = 12.4410;  Ст.откл. = 2.7860");
  EXPECT_EQ(focalLengthLine("1523,0870", "-", "-"),
            "1523,0870 ; Фокусное расстояние(пикс.).  СКО = -;  Ст.откл. = -");
}

std::vector<std::string> rawLines(const std::string& path) {
  // Byte lines as on disk (Windows-1251), cut at CR LF only.
  const std::string bytes = readBytes(path);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(bytes.substr(start, end - start));
  }
  EXPECT_EQ(start, bytes.size()) << "every line ends in CR LF";
  return lines;
}

TEST(CameraFile, CopyWithTheFocalLengthReadsBackAndKeepsEveryOtherLine) {
  TempFolder folder;
  for (const char* name : {"camera.cam", "correction.txt"}) {
    std::filesystem::copy_file(kData + "/series/" + name, folder.path() + name);
  }
  const std::string source = folder.path() + "camera.cam";
  const std::string target = folder.path() + proposedFocalFileName("camera.cam");
  const ReadStatus written = writeFocalLengthCopy(source, target, "1523.0870", "12.4410", "2.7860");
  ASSERT_TRUE(written.ok) << written.detail;

  const Camera back = readCamera(target);
  ASSERT_TRUE(back.status.ok) << back.status.detail;
  EXPECT_EQ(back.focal, 1523.087);
  const auto before = rawLines(source);
  const auto after = rawLines(target);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (i != 3) {
      EXPECT_EQ(after[i], before[i]) << "line " << i + 1;
    }
  }
  // Line 4 on disk is Windows-1251: "Фокусное" is 8 bytes.
  EXPECT_EQ(after[3], "1523.0870 ; \xD4\xEE\xEA\xF3\xF1\xED\xEE\xE5 \xF0\xE0\xF1\xF1\xF2\xEE\xFF\xED\xE8\xE5"
                      "(\xEF\xE8\xEA\xF1.).  \xD1\xCA\xCE = 12.4410;  \xD1\xF2.\xEE\xF2\xEA\xEB. = 2.7860");
}

// Save writes line 4 and keeps the EXIF focal length of line 9 as it keeps every other line.
TEST(CameraFile, CopyKeepsTheExifFocalLengthOfLine9) {
  TempFolder folder;
  folder.writeLines("t.txt", {"1"});
  auto lines = cameraLines();
  lines.push_back("1000.5 ; EXIF");
  const std::string source = folder.writeLines("camera.cam", lines);
  const std::string target = folder.file("cameraF.cam");
  ASSERT_TRUE(writeFocalLengthCopy(source, target, "1523.0870", "12.4410", "2.7860").ok);
  const TextLines after = loadLines(target);
  ASSERT_EQ(after.lines.size(), 9u);
  EXPECT_EQ(after.lines[8], lines[8]);
  CameraFileValues values;
  ASSERT_TRUE(parseCameraFile(
                  readFileBytes(target), values, [](const std::string&) { return std::string(); }, '.')
                  .ok);
  EXPECT_EQ(values.focalLength, 1523.087);
  EXPECT_EQ(values.exifFocalLength, 1000.5);
}

TEST(CameraFile, SavingOverTheCameraFileItselfReplacesOnlyLine4) {
  TempFolder folder;
  std::filesystem::copy_file(kData + "/camera/cr_only.cam", folder.path() + "cr.cam");
  const std::string path = folder.path() + "cr.cam";
  const TextLines before = loadLines(path);
  ASSERT_TRUE(writeFocalLengthCopy(path, path, "1800.0000", "-", "-").ok);
  const TextLines after = loadLines(path);
  ASSERT_EQ(after.lines.size(), before.lines.size());
  for (std::size_t i = 0; i < before.lines.size(); ++i) {
    EXPECT_EQ(after.lines[i], i == 3 ? focalLengthLine("1800.0000", "-", "-") : before.lines[i]);
  }
  // The file now ends its lines in CR LF, and no temporary file is left beside it.
  EXPECT_NE(readBytes(path).find("\r\n"), std::string::npos);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(CameraFile, AFailedCopyLeavesTheTargetAsItWas) {
  struct Case {
    const char* source; // content of the camera file, or nullptr for none
    const char* target; // name inside the folder
    const char* focal;
    const char* detail;
  };
  const Case cases[] = {
      {"1 ; a\r\n2 ; b\r\nt ; c\r\n", "out.cam", "1.0000", "в файле 3 строки"},
      {nullptr, "out.cam", "1.0000", "не удаётся открыть"},
      {"1\r\n2\r\n3\r\n4\r\n", "no/such/folder/out.cam", "1.0000", "no/such/folder"},
      {"1\r\n2\r\n3\r\n4\r\n", "out.cam", "1.0000 \xE4\xB8\xAD", "нельзя записать в Windows-1251"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.detail);
    TempFolder folder;
    const std::string source = folder.path() + "a.cam";
    if (c.source != nullptr) {
      folder.write("a.cam", c.source);
    }
    const std::string old = folder.write("out.cam", "old content\r\n");
    const ReadStatus status = writeFocalLengthCopy(source, folder.path() + c.target, c.focal, "-", "-");
    EXPECT_FALSE(status.ok);
    EXPECT_EQ(status.message, "Ошибка записи cam-файла!");
    EXPECT_THAT(status.detail, HasSubstr(c.detail));
    EXPECT_EQ(readBytes(old), "old content\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), c.source ? 2 : 1);
  }
}

} // namespace
} // namespace kavo
