#include "datafiles/coordinate_files.h"

#include "datafiles/camera_file.h"
#include "temp_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kavo {
namespace {

using test::TempFolder;
using ::testing::HasSubstr;

const std::string kData = KAVO_TEST_DATA;
const char* const kScene = "Ошибка чтения файла сцены!";
const char* const kImage = "Ошибка чтения файла координат точек изображения!";
const std::vector<std::string> kIdentity = {"1", "-10000 -10000 10000 10000 X 0 1 - Y 0 1 - ; "};

std::vector<std::pair<double, double>> pointsOf(const VT_Points& list) {
  std::vector<std::pair<double, double>> out;
  for (int i = 0; i < list.Count(); ++i) {
    out.emplace_back(list.Get(i)->x, list.Get(i)->y);
  }
  return out;
}

using Points = std::vector<std::pair<double, double>>;

TEST(CoordinateFiles, ReadsFixtureFilesAsScenePoints) {
  struct Case {
    const char* file;
    char separator;
    bool ok;
    Points points;      // what the list holds afterwards
    const char* detail; // when not ok
  };
  const Case cases[] = {
      {"spaces.crd", '.', true, {{1, 2}, {3, 4}, {-5.5, 600}}, ""},
      {"comma.crd", ',', true, {{1.5, -2.25}, {1000, 0.5}}, ""},
      {"comma.crd", '.', false, {}, "comma.crd, строка 1: первое число: «1,5» не число"},
      {"cr_only.crd", '.', true, {{1, 2}, {3, 4}}, ""},
      {"empty.crd", '.', true, {}, ""},
      {"trailing_empty.crd", '.', false, {{1, 2}, {3, 4}}, "trailing_empty.crd, строка 3: строка пуста"},
      {"blank_middle.crd", '.', false, {{1, 2}}, "blank_middle.crd, строка 2: строка пуста"},
      {"three_values.crd", '.', false, {{1, 2}}, "three_values.crd, строка 2: в «3 ; 4 ; 5» вторая «;»"},
      {"missing.crd", '.', false, {}, "не удаётся открыть"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    VT_Points points(1);
    points.Add(new VT_Point(99, 99)); // a previous read's point must go
    const ReadStatus status = ReadScenePoints(kData + "/coordinates/" + c.file, points, c.separator);
    EXPECT_EQ(status.ok, c.ok) << status.detail;
    EXPECT_EQ(pointsOf(points), c.points);
    if (!c.ok) {
      EXPECT_EQ(status.message, kScene);
      EXPECT_EQ(status.caption, "Ошибка!");
      EXPECT_THAT(status.detail, HasSubstr(c.detail));
    }
  }
}

TEST(CoordinateFiles, RejectsMalformedLines) {
  struct Case {
    const char* line;
    const char* detail;
  };
  const Case cases[] = {
      {"1 2", "в «1 2» нет «;» между двумя числами"},
      {"1 ;", "второе число: нет числа"},
      {"; 2", "первое число: нет числа"},
      {"1 ; 2 3", "второе число: «2 3» не число"},
      {"1\t; 2", "первое число: «1\t» не число"},
      {"x ; 2", "первое число: «x» не число"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    TempFolder folder;
    const std::string path = folder.writeLines("s.crd", {"0 ; 0", c.line});
    VT_Points scene(1);
    const ReadStatus status = ReadScenePoints(path, scene, '.');
    EXPECT_FALSE(status.ok);
    EXPECT_THAT(status.detail, HasSubstr("s.crd, строка 2: " + std::string(c.detail)));
    EXPECT_EQ(scene.Count(), 1);
    VT_Points image(1);
    const ReadStatus imageStatus = ReadImagePoints(path, image, kIdentity, 0, 0, '.');
    EXPECT_FALSE(imageStatus.ok);
    EXPECT_EQ(imageStatus.message, kImage);
    EXPECT_THAT(imageStatus.detail, HasSubstr("s.crd, строка 2: " + std::string(c.detail)));
  }
}

TEST(CoordinateFiles, CorrectsEveryImagePoint) {
  TempFolder folder;
  const std::string path = folder.writeLines("i.crd", {"1100 ; 700", "1000 ; 750", "0 ; 1500"});
  const std::vector<std::string> scaled = {"2", "0 0 2000 2000 X 0 1 - Y 0 1 - ; "};
  VT_Points image(1);
  const ReadStatus status = ReadImagePoints(path, image, scaled, 1000, 750, '.');
  ASSERT_TRUE(status.ok) << status.detail;
  EXPECT_EQ(pointsOf(image), (Points{{100, 25}, {0, 0}, {-1000, -375}}));
}

TEST(CoordinateFiles, AFailedCorrectionFailsTheImageRead) {
  struct Case {
    std::vector<std::string> table;
    const char* line; // the second line of the file, after "1 ; 1"
    const char* detail;
    int kept; // points of the lines before the failing one
  };
  const std::vector<std::string> negative = {"1", "-10 -10 10 10 X 0 1 - 1 Y 0 1 - 1 ; "};
  const Case cases[] = {
      // A point in no range would enter every quadruple with a made-up coordinate.
      {kIdentity, "20000 ; 5", "строка 2: коррекция x: измеренный x = 20000 не лежит ни в одном диапазоне",
       1},
      {kIdentity, "5 ; -20000", "строка 2: коррекция y: измеренный y = -20000 не лежит ни в одном диапазоне",
       1},
      {negative, "0 ; 5", "строка 2: коррекция x: таблица коррекции, строка 2: измеренный x равен 0", 1},
      {negative, "5 ; 0", "строка 2: коррекция y: таблица коррекции, строка 2: измеренный y равен 0", 1},
      {{"0", kIdentity[1]},
       "5 ; 5",
       "строка 1: коррекция y: таблица коррекции, строка 1: вертикальный масштаб равен 0",
       0},
      {{"1", "-10000 -10000 10000 10000 X 0 1 - Y 0 1 - ;"},
       "5 ; 5",
       "строка 1: коррекция x: таблица коррекции, строка 2: строка кончается после «;», а ожидается пробел",
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.detail);
    TempFolder folder;
    const std::string path = folder.writeLines("i.crd", {"1 ; 1", c.line, "2 ; 2"});
    VT_Points image(1);
    const ReadStatus status = ReadImagePoints(path, image, c.table, 0, 0, '.');
    EXPECT_FALSE(status.ok);
    EXPECT_EQ(status.message, kImage);
    EXPECT_THAT(status.detail, HasSubstr("i.crd, " + std::string(c.detail)));
    EXPECT_EQ(image.Count(), c.kept);
  }
}

TEST(CoordinateFiles, ReadsTheSampleSeriesOntoTheTargetGrid) {
  double cx = 0, cy = 0, focal = 0, width = 0, height = 0;
  std::vector<std::string> table;
  const ReadStatus camera =
      ReadCameraFile(kData + "/series/camera.cam", cx, cy, table, focal, width, height, '.');
  ASSERT_TRUE(camera.ok) << camera.detail;
  VT_Points scene(1);
  ASSERT_TRUE(ReadScenePoints(kData + "/series/scene.crd", scene, '.').ok);
  VT_Points image(1);
  const ReadStatus status = ReadImagePoints(kData + "/series/img01.crd", image, table, cx, cy, '.');
  ASSERT_TRUE(status.ok) << status.detail;
  ASSERT_EQ(scene.Count(), 25);
  ASSERT_EQ(image.Count(), 25);
  // The first image is 1000 scene units from a 5 x 5 grid centred at (400, 400), seen with a focal
  // length of 1800 px: once corrected, each measured point lies on the grid within the noise.
  for (int i = 0; i < 25; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(image.Get(i)->x, 1.8 * (scene.Get(i)->x - 400), 1.0);
    EXPECT_NEAR(image.Get(i)->y, 1.8 * (scene.Get(i)->y - 400), 1.0);
  }
}

} // namespace
} // namespace kavo
