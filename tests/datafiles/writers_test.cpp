// The writers of every data file format: what they write reads back through the program's own
// readers to the numbers given, in the exact bytes of the format, and what would not read back is
// refused with a reason naming the file.
#include "datafiles/camera_file.h"
#include "datafiles/coordinate_files.h"
#include "datafiles/correction_table.h"
#include "datafiles/list_file.h"
#include "platform/cp1251.h"
#include "temp_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace kavo {
namespace {

using test::readBytes;
using test::TempFolder;
using ::testing::HasSubstr;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string cp1251(const std::string& utf8) {
  return *encodeCp1251(utf8, nullptr);
}

CameraGeometry sampleCamera() {
  CameraGeometry camera;
  camera.imageCentreX = 1000.5;
  camera.imageCentreY = 750;
  camera.correctionTable = "tables/correction.txt";
  camera.imageWidth = 2001;
  camera.imageHeight = 1500;
  camera.principalPointX = 1001.25;
  camera.principalPointY = -0.00005;
  return camera;
}

class WrittenSeries : public testing::TestWithParam<char> {};

// A whole series written by the writers is read by the readers the compute command uses.
TEST_P(WrittenSeries, ReadsBackThroughTheReaders) {
  const char separator = GetParam();
  TempFolder folder;
  std::filesystem::create_directories(folder.path() + "tables");

  for (const std::optional<double> focal : {std::optional<double>(), std::optional<double>(1523.087)}) {
    CameraGeometry camera = sampleCamera();
    camera.focalLength = focal;
    const std::string cameraPath = folder.path() + "camera.cam";
    ASSERT_EQ(writeCameraFile(cameraPath, camera, separator), "");
    ASSERT_EQ(writeUndistortedCorrectionTable(folder.path() + "tables/correction.txt", camera.imageWidth,
                                              camera.imageHeight, separator),
              "");
    double cx = 0, cy = 0, f = 0, width = 0, height = 0;
    std::vector<std::string> table;
    const ReadStatus read = ReadCameraFile(cameraPath, cx, cy, table, f, width, height, separator);
    ASSERT_TRUE(read.ok) << read.detail;
    EXPECT_EQ(cx, 1000.5);
    EXPECT_EQ(cy, 750);
    EXPECT_EQ(f, focal.value_or(-1.0));
    EXPECT_EQ(width, 2001);
    EXPECT_EQ(height, 1500);

    // The table leaves every point of the image where it was measured, corners and centre included.
    for (const auto& [x, y] : {std::pair{0.0, 0.0}, {2001.0, 1500.0}, {1000.5, 750.0}, {17.25, 1499.0}}) {
      EXPECT_DOUBLE_EQ(CorrectX(x, table, cx, separator), x - cx);
      EXPECT_DOUBLE_EQ(CorrectY(y, table, cy, separator), cy - y);
    }
  }

  const std::vector<CoordinatePair> points = {{0, 0}, {-0.25, 1e-5}, {1e20, 7}, {1234.5678901234, -1024}};
  const std::string scenePath = folder.path() + "scene.crd";
  ASSERT_EQ(writeCoordinateFile(scenePath, points, separator), "");
  VT_Points scene(1);
  const ReadStatus sceneRead = ReadScenePoints(scenePath, scene, separator);
  ASSERT_TRUE(sceneRead.ok) << sceneRead.detail;
  ASSERT_EQ(scene.Count(), static_cast<int>(points.size()));
  for (int i = 0; i < scene.Count(); ++i) {
    EXPECT_EQ(scene.Get(i)->x, points[i].first) << i;
    EXPECT_EQ(scene.Get(i)->y, points[i].second) << i;
  }

  const std::vector<std::string> names = {"img01.crd", "снимок 2.crd", "scan_crd_03.txt"};
  const std::string listPath = folder.path() + "series.lst";
  for (const std::vector<double>& steps : {std::vector<double>{12.5}, std::vector<double>{10, 20.25, 0.5}}) {
    ASSERT_EQ(writeListFile(listPath, names, steps, separator), "");
    std::array<std::string, 101> imageFiles;
    std::array<double, 101> imageValues{};
    int imageCount = 0;
    ReadListFile(listPath, imageFiles, imageValues, imageCount, separator);
    ASSERT_EQ(imageCount, 3);
    EXPECT_EQ(std::vector<std::string>(imageFiles.begin(), imageFiles.begin() + 3), names);
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_EQ(imageValues[k], steps.size() == 1 ? steps[0] : steps[k]) << k;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Separators, WrittenSeries, testing::Values('.', ','),
                         [](const auto& caseInfo) { return caseInfo.param == ',' ? "comma" : "point"; });

// The bytes of each format: Windows-1251, CR LF after every line, numbers in the general form.
TEST(Writers, WriteTheExactBytesOfEachFormat) {
  TempFolder folder;
  CameraGeometry camera = sampleCamera();
  camera.correctionTable = "corr.txt";
  ASSERT_EQ(writeCameraFile(folder.path() + "a.cam", camera, ','), "");
  EXPECT_EQ(readBytes(folder.path() + "a.cam"), cp1251("1000,5 ; Координата X центра изображения\r\n"
                                                       "750 ; Координата Y центра изображения\r\n"
                                                       "corr.txt ; Таблица коррекции\r\n"
                                                       " ; Фокусное расстояние\r\n"
                                                       "2001 ; Размер изображения по горизонтали\r\n"
                                                       "1500 ; Размер изображения по вертикали\r\n"
                                                       "1001,25 ; Координата X главной точки\r\n"
                                                       "-5E-5 ; Координата Y главной точки\r\n"));

  // The EXIF focal length, where detect has one, on a ninth line.
  camera.exifFocalLength = 1000.5;
  ASSERT_EQ(writeCameraFile(folder.path() + "b.cam", camera, ','), "");
  EXPECT_EQ(readBytes(folder.path() + "b.cam"),
            readBytes(folder.path() + "a.cam") + cp1251("1000,5 ; Фокусное расстояние по EXIF (пикс.)\r\n"));

  ASSERT_EQ(writeCoordinateFile(folder.path() + "s.crd", {{12, 3.5}, {-0.5, 1000}}, ','), "");
  EXPECT_EQ(readBytes(folder.path() + "s.crd"), "12 ; 3,5\r\n-0,5 ; 1000\r\n");
  ASSERT_EQ(writeCoordinateFile(folder.path() + "empty.crd", {}, '.'), "");
  EXPECT_EQ(readBytes(folder.path() + "empty.crd"), "");

  ASSERT_EQ(writeListFile(folder.path() + "l.lst", {"a.crd", "b.crd"}, {25, 2.5}, ','), "");
  EXPECT_EQ(readBytes(folder.path() + "l.lst"), "a.crd\r\nb.crd\r\n25\r\n2,5\r\n");

  ASSERT_EQ(writeUndistortedCorrectionTable(folder.path() + "t.txt", 2000, 1500.5, ','), "");
  EXPECT_EQ(readBytes(folder.path() + "t.txt"),
            cp1251("1\r\n-2000 -1500,5 4000 3001 X 0 1 - Y 0 1 - ; без искажений\r\n"));
}

// What would not read back as given is refused, and an old file of that name stays as it was.
TEST(Writers, RefuseWhatWouldNotReadBack) {
  struct Case {
    const char* name;
    std::function<std::string(const std::string& path)> write;
    const char* reason;
  };
  const auto camera = [](auto change) {
    return [change](const std::string& path) {
      CameraGeometry c = sampleCamera();
      change(c);
      return writeCameraFile(path, c, '.');
    };
  };
  const std::vector<Case> cases = {
      {"camera_nan_centre", camera([](CameraGeometry& c) { c.imageCentreX = kNaN; }), "строка 1"},
      {"camera_infinite_focal", camera([](CameraGeometry& c) { c.focalLength = kInf; }), "строка 4"},
      {"camera_nan_exif_focal", camera([](CameraGeometry& c) { c.exifFocalLength = kNaN; }), "строка 9"},
      {"camera_zero_exif_focal", camera([](CameraGeometry& c) { c.exifFocalLength = 0.0; }), "строка 9"},
      {"camera_unnamed_table", camera([](CameraGeometry& c) { c.correctionTable.clear(); }),
       "строка 3: таблица коррекции не названа"},
      {"camera_table_with_semicolon", camera([](CameraGeometry& c) { c.correctionTable = "a;b.txt"; }),
       "строка 3"},
      {"camera_table_with_line_break", camera([](CameraGeometry& c) { c.correctionTable = "a\nb.txt"; }),
       "строка 3"},
      {"camera_unencodable_table", camera([](CameraGeometry& c) { c.correctionTable = "中.txt"; }),
       "Windows-1251"},
      {"points_nan",
       [](const std::string& p) {
         return writeCoordinateFile(p, {{1, 2}, {kNaN, 0}}, '.');
       },
       "строка 2"},
      {"points_infinite",
       [](const std::string& p) {
         return writeCoordinateFile(p, {{1, -kInf}}, '.');
       },
       "строка 1"},
      {"list_name_without_crd",
       [](const std::string& p) {
         return writeListFile(p, {"a.crd", "b.txt"}, {1}, '.');
       },
       "строка 2"},
      {"list_name_with_line_break",
       [](const std::string& p) { return writeListFile(p, {"a\r\nb.crd"}, {1}, '.'); }, "строка 1"},
      {"list_infinite_step", [](const std::string& p) { return writeListFile(p, {"a.crd"}, {kInf}, '.'); },
       "строка 2"},
      {"list_too_many_names",
       [](const std::string& p) {
         return writeListFile(p, std::vector<std::string>(102, "a.crd"), {1}, '.');
       },
       "а их 102 и 1"},
      {"list_too_many_steps",
       [](const std::string& p) { return writeListFile(p, {"a.crd"}, std::vector<double>(102, 1), '.'); },
       "а их 1 и 102"},
      {"table_zero_width",
       [](const std::string& p) { return writeUndistortedCorrectionTable(p, 0, 10, '.'); },
       "размер изображения 0 × 10"},
      {"table_nan_height",
       [](const std::string& p) { return writeUndistortedCorrectionTable(p, 10, kNaN, '.'); },
       "размер изображения 10 × NAN"},
      {"table_huge_width",
       [](const std::string& p) { return writeUndistortedCorrectionTable(p, 1e308, 10, '.'); },
       "размер изображения 1E308 × 10"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string path = folder.write("old.file", "old\r\n");
    const std::string reason = c.write(path);
    EXPECT_THAT(reason, HasSubstr(path));
    EXPECT_THAT(reason, HasSubstr(c.reason));
    EXPECT_EQ(readBytes(path), "old\r\n");
  }
  // A folder that does not exist: the platform's reason, naming the file.
  TempFolder folder;
  const std::string missing = folder.path() + "no/such/folder/scene.crd";
  EXPECT_THAT(writeCoordinateFile(missing, {{1, 2}}, '.'), HasSubstr(folder.path() + "no/such/folder"));
}

} // namespace
} // namespace kavo
