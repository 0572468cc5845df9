// The synthetic series writer: the files it has always written stay byte for byte the same, the new
// geometry options reach the points, the list and truth.json, and a written series read back
// through the data file readers gives the refined fit its truth.
#include "core/vt_point.h"
#include "datafiles/camera_file.h"
#include "datafiles/coordinate_files.h"
#include "datafiles/list_file.h"
#include "refine/refine_series.h"
#include "synth/synthetic_series.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace kavo {
namespace {

namespace fs = std::filesystem;

std::string fileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class SynthFolder : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("kavo-synth-test-" + std::to_string(getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  fs::path dir;
};

// tests/data/synth holds what the writer wrote before the geometry options existed.
TEST_F(SynthFolder, DefaultGeometryWritesTheSameFilesAsBefore) {
  SynthOptions o;
  o.rows = 3;
  o.cols = 4;
  o.pitch = 150;
  o.focal = 1750;
  o.images = 3;
  o.step = 22.5;
  o.noise = 0.2;
  o.seed = 5;
  o.decimalSeparator = ',';
  writeSyntheticSeries(dir.string(), o);
  for (const char* name :
       {"camera.cam", "correction.txt", "scene.crd", "img01.crd", "img02.crd", "img03.crd", "series.lst"}) {
    EXPECT_EQ(fileText(dir / name), fileText(fs::path(KAVO_TEST_DATA) / "synth" / name)) << name;
  }
}

TEST(SynthTexts, ReadTheOptionsGivenAsText) {
  SynthOptions o;
  EXPECT_EQ(applySynthTexts(o, "y", "12.5,-8", {"4:-2", "7:0.5"}), "");
  EXPECT_EQ(o.tiltAxis, 'y');
  EXPECT_DOUBLE_EQ(o.principalOffsetX, 12.5);
  EXPECT_DOUBLE_EQ(o.principalOffsetY, -8.0);
  ASSERT_EQ(o.stepErrors.size(), 2u);
  EXPECT_EQ(o.stepErrors[0].after, 4);
  EXPECT_DOUBLE_EQ(o.stepErrors[0].error, -2.0);

  const struct {
    const char* axis;
    const char* offset;
    const char* step;
    const char* problem;
  } bad[] = {{"z", "", "", "--tilt-axis"},
             {"", "12.5", "", "--principal-offset"},
             {"", "1,2,3", "", "--principal-offset"},
             {"", "", "4", "--step-error"},
             {"", "", "0:-2", "--step-error"},
             {"", "", "2.5:1", "--step-error"},
             {"", "", "4:x", "--step-error"}};
  for (const auto& c : bad) {
    SynthOptions spoiled;
    std::vector<std::string> steps;
    if (*c.step != '\0') {
      steps.push_back(c.step);
    }
    EXPECT_EQ(applySynthTexts(spoiled, c.axis, c.offset, steps).rfind(c.problem, 0), 0u) << c.problem;
  }
  SynthOptions o2;
  o2.images = 4;
  o2.stepErrors.push_back({4, 1.0});
  EXPECT_NE(synthOptionsProblem(o2), ""); // there is no step after the last image
  o2.stepErrors = {{2, -25.0}};
  EXPECT_NE(synthOptionsProblem(o2), ""); // a step of zero length or less
  o2.stepErrors.clear();
  o2.tiltDegrees = 75.0;
  EXPECT_NE(synthOptionsProblem(o2), "");
}

TEST_F(SynthFolder, AWrittenSeriesGivesTheRefinedFitItsTruth) {
  SynthOptions o;
  o.rows = 7;
  o.cols = 8;
  o.pitch = 30.0;
  o.focal = 1600.0;
  o.images = 10;
  o.step = 20.0;
  o.noise = 0.04;
  o.imageWidth = 1920.0;
  o.imageHeight = 1080.0;
  o.decimalSeparator = ',';
  o.tiltDegrees = 6.0;
  o.tiltAxis = 'y';
  o.k1 = -0.05;
  o.principalOffsetX = 25.0;
  o.principalOffsetY = -15.0;
  o.stepErrors.push_back({4, -2.0});
  const SynthSeries series = writeSyntheticSeries(dir.string(), o);

  const std::string truth = fileText(dir / "truth.json");
  EXPECT_NE(truth.find("\"principalPoint\": [985, 525]"), std::string::npos) << truth;
  EXPECT_NE(truth.find("\"listedSteps\": [20, 20, 20, 18, 20"), std::string::npos);
  EXPECT_NE(truth.find("\"trueSteps\": [20, 20, 20, 20, 20"), std::string::npos);
  EXPECT_NE(truth.find("\"k1\": -0.05,"), std::string::npos);
  EXPECT_NE(truth.find("\"tiltAxis\": \"y\""), std::string::npos);

  RefineInput in;
  std::vector<std::string> table;
  double focal = 0.0;
  ASSERT_TRUE(ReadCameraFile(series.cameraFile, in.imageCentreX, in.imageCentreY, table, focal,
                             in.settings.imageWidth, in.settings.imageHeight, ',')
                  .ok);
  VT_Points scene(1);
  ASSERT_TRUE(ReadScenePoints(series.sceneFile, scene, ',').ok);
  for (int i = 0; i < scene.Count(); ++i) {
    in.points.scene.push_back({scene.Get(i)->x, scene.Get(i)->y});
  }
  std::array<std::string, 101> names{};
  std::array<double, 101> steps{};
  int count = 0;
  ReadListFile(series.listFile, names, steps, count, ',');
  ASSERT_EQ(count, 10);
  for (int j = 0; j < count; ++j) {
    VT_Points pts(1);
    ASSERT_TRUE(ReadImagePoints((dir / names[static_cast<std::size_t>(j)]).string(), pts, table,
                                in.imageCentreX, in.imageCentreY, ',')
                    .ok);
    std::vector<Point2> image;
    for (int i = 0; i < pts.Count(); ++i) {
      image.push_back({pts.Get(i)->x, pts.Get(i)->y});
    }
    in.points.images.push_back(image);
    in.settings.imageValues.push_back(steps[static_cast<std::size_t>(j)]);
  }
  const RefinedResult r = refineSeries(in);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_NEAR(r.focal, 1600.0, 0.0005 * 1600.0);
  EXPECT_NEAR(r.principalPointX, 985.0, 2.0);
  EXPECT_NEAR(r.principalPointY, 525.0, 2.0);
  EXPECT_NEAR(r.k1, -0.05, 0.005);
  EXPECT_NEAR(r.tiltDegrees, 6.0, 0.5);
  EXPECT_TRUE(r.steps[3].suspect);
}

} // namespace
} // namespace kavo
