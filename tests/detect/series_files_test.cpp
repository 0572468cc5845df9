#include "datafiles/camera_file.h"
#include "datafiles/coordinate_files.h"
#include "datafiles/list_file.h"
#include "detect/series_files.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

namespace kavo::detect {
namespace {

TEST(PhotoBaseNames, KeepThePhotosNamesWhenTheyCanNameDataFiles) {
  const struct {
    std::vector<std::string> photos;
    std::vector<std::string> names;
  } cases[] = {
      {{"/a/IMG_0001.JPG", "IMG_0002.tif", "dir.v2/снимок 3.png"}, {"IMG_0001", "IMG_0002", "снимок 3"}},
      // Two photos of one name in different folders would share a coordinate file.
      {{"/a/x.png", "/b/x.jpg"}, {"photo01", "photo02"}},
      {{"IMG.png", "img.jpg"}, {"photo01", "photo02"}},
      // The scene file is scene.crd.
      {{"scene.png", "b.png"}, {"photo01", "photo02"}},
      // No Windows-1251 form.
      {{"写真.png", "b.png"}, {"photo01", "photo02"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(photoBaseNames(c.photos), c.names) << c.photos.front();
  }
  EXPECT_EQ(photoBaseNames(std::vector<std::string>(120, "same.png"))[99], "photo100");
}

PhotoDetection found(const std::string& name, double shift) {
  PhotoDetection p;
  p.photo = name;
  p.status = PhotoStatus::Found;
  p.width = 1201;
  p.height = 900;
  // A 3 × 2 grid as seen: rows top to bottom.
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 3; ++c) {
      p.points.points.push_back({100.25 + 50 * c + shift, 200.5 + 40 * r});
      p.points.grid.push_back({c, r});
    }
  }
  p.points.columns = 3;
  p.points.rows = 2;
  return p;
}

// The files are read back by the very readers compute uses, with a comma as the decimal separator.
TEST(SeriesFiles, ReadBackByTheReadersAsWritten) {
  test::TempFolder folder;
  std::vector<PhotoDetection> photos = {found("a.png", 0), {}, found("c.png", 0.5)};
  photos[0].points.points[0] = {100.250004, 200.49999};
  SeriesPlan plan;
  plan.kept = {0, 2};
  plan.steps = {37.5};
  const TargetSpec targetSpec{TargetKind::Chessboard, 3, 2, 12.5};
  ASSERT_EQ(writeSeriesFiles(folder.path(), photos, plan, {"a", "b", "c"}, targetSpec, ','), "");

  double cx = 0, cy = 0, focal = 0, width = 0, height = 0;
  std::vector<std::string> table;
  const ReadStatus camera =
      ReadCameraFile(folder.path() + kCameraFileName, cx, cy, table, focal, width, height, ',');
  ASSERT_TRUE(camera.ok) << camera.detail;
  EXPECT_EQ(cx, 600.0) << "the middle of 1201 pixel columns counted from 0";
  EXPECT_EQ(cy, 449.5);
  EXPECT_EQ(focal, -1.0) << "a blank focal length: compute asks nothing";
  EXPECT_EQ(width, 1201.0);
  EXPECT_EQ(height, 900.0);

  VT_Points scene(1);
  ASSERT_TRUE(ReadScenePoints(folder.path() + kSceneFileName, scene, ',').ok);
  ASSERT_EQ(scene.Count(), 6);
  // Y grows upwards: the top row of the photo is the target's upper row.
  EXPECT_EQ(scene.Get(0)->x, 0.0);
  EXPECT_EQ(scene.Get(0)->y, 12.5);
  EXPECT_EQ(scene.Get(5)->x, 25.0);
  EXPECT_EQ(scene.Get(5)->y, 0.0);

  VT_Points measured(1);
  ASSERT_TRUE(ReadImagePoints(folder.path() + "c.crd", measured, table, cx, cy, ',').ok);
  // Corrected coordinates are relative to the centre, y upwards.
  EXPECT_DOUBLE_EQ(measured.Get(0)->x, 100.75 - 600.0);
  EXPECT_DOUBLE_EQ(measured.Get(0)->y, 449.5 - 200.5);
  // Positions are written to a ten-thousandth of a pixel.
  EXPECT_EQ(test::readBytes(folder.path() + "a.crd").substr(0, 17), "100,25 ; 200,5\r\n1");

  std::array<std::string, 101> names;
  std::array<double, 101> steps{};
  int count = 0;
  ReadListFile(folder.path() + kListFileName, names, steps, count, ',');
  EXPECT_EQ(count, 2);
  EXPECT_EQ(names[0], "a.crd");
  EXPECT_EQ(names[1], "c.crd");
  EXPECT_EQ(steps[0], 37.5);
  EXPECT_FALSE(std::filesystem::exists(folder.path() + "b.crd"));
}

// An earlier run's files are replaced; Kavo's report and camera copies beside them are kept; anything
// else is the user's.
TEST(SeriesFiles, OwnWhatAnEarlierRunWroteAndKeepReportsAndCameraCopies) {
  test::TempFolder folder;
  folder.writeLines(kListFileName, {"a.crd", "b.crd", "25"});
  const OwnedEntry owned = seriesFilesOf(folder.path());
  const OwnedEntry kept = keptBesideSeries();
  const struct {
    const char* relative;
    bool folder;
    bool owned;
    bool kept;
  } cases[] = {
      {"camera.cam", false, true, false},
      {"series.lst", false, true, false},
      {"a.crd", false, true, false},
      {"c.crd", false, false, false},
      {"sub/a.crd", false, false, false},
      {"img01_points.jpg", false, true, false},
      {"overlays", true, true, false},
      {"overlays/img01_points.jpg", false, true, false},
      {"overlays/notes.txt", false, false, false},
      {"a/b/img01_points.jpg", false, false, false},
      {"notes.txt", false, false, false},
      {"series-report.html", false, false, true},
      {"REPORT.HTM", false, false, true},
      {"cameraF.cam", false, false, true},
      {"sub/report.html", false, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(owned(c.relative, c.folder), c.owned) << c.relative;
    EXPECT_EQ(kept(c.relative, c.folder), c.kept) << c.relative;
  }
}

} // namespace
} // namespace kavo::detect
