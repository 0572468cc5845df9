// The round trip on photographs: a series rendered through a lens with barrel distortion (k1 = −0.05)
// goes through kavo-cli detect and compute; the correction table written from the refined fit, named
// in a copy of the camera file, moves the classic result to within the classic interval's half width
// of the refined value. The OpenCV export of the same run holds the lens as rendered.
#include "cli_fixture.h"
#include "photo_renderer.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>
#include <opencv2/core/persistence.hpp>

#include <cmath>

namespace kavo::testing {
namespace {

TEST(CorrectionOnPhotos, RenderedBarrelDistortionRoundTrip) {
  TempFolder folder;
  test::PhotoScene first;
  first.target = {detect::TargetKind::Chessboard, 9, 6, 60.0};
  first.focal = 1000.0;
  first.distance = 520.0;
  first.k1 = -0.05;
  first.rollDegrees = 0.7;
  first.supersample = 2;
  const int count = 8;
  const double step = 30.0;
  const test::RenderedSeries photos = test::renderSeries(folder.path(), first, count, step);

  std::vector<std::string> detectArgs{
      "detect", "--pattern", "chessboard", "--size", "9x6",   "--square",           "60",
      "--step", "30",        "--threads",  "1",      "--out", folder.file("series")};
  detectArgs.insert(detectArgs.end(), photos.photos.begin(), photos.photos.end());
  const CliRun detected = cli(detectArgs);
  ASSERT_EQ(detected.status, 0) << detected.err;

  const std::string series = folder.file("series/");
  const auto compute = [&](const std::string& camera, std::vector<std::string> extra) {
    std::vector<std::string> args{"compute",
                                  "--camera",
                                  series + camera,
                                  "--scene",
                                  series + "scene.crd",
                                  "--list",
                                  series + "series.lst",
                                  "--decimal-separator",
                                  ".",
                                  "--json"};
    args.insert(args.end(), extra.begin(), extra.end());
    return cli(args);
  };
  const CliRun first_run = compute("camera.cam", {"--write-correction", series + "fitted.txt",
                                                  "--export-opencv", folder.file("camera.yml")});
  ASSERT_EQ(first_run.status, 0) << first_run.err;
  const auto a = nlohmann::json::parse(first_run.out);
  ASSERT_EQ(a["refined"]["status"], "ok") << a["refined"]["message"];
  const double refined = a["refined"]["focal"];
  const double halfWidth =
      (a["uncertainty"]["interval95"][1].get<double>() - a["uncertainty"]["interval95"][0].get<double>()) / 2;
  const double before = a["meanValue"];
  EXPECT_NEAR(refined, 1000.0, 1.0);
  EXPECT_NEAR(a["refined"]["distortion"]["k1"].get<double>(), -0.05, 0.005);
  EXPECT_GT(std::fabs(before - refined), 2 * halfWidth) << "the distortion should move the classic result";

  std::vector<std::string> camera = loadLines(series + "camera.cam").lines;
  camera[2] = "fitted.txt ; таблица коррекции из уточнённой подгонки";
  ASSERT_EQ(saveLines(series + "corrected.cam", camera), "");
  const CliRun second = compute("corrected.cam", {"--no-refine"});
  ASSERT_EQ(second.status, 0) << second.err;
  const double after = nlohmann::json::parse(second.out)["meanValue"];
  EXPECT_LE(std::fabs(after - refined), halfWidth)
      << "classic without the table " << before << ", with it " << after << ", refined " << refined;

  // The principal point in OpenCV's convention: the middle of the rendered photos, (W − 1) / 2.
  cv::FileStorage fs(folder.file("camera.yml"), cv::FileStorage::READ);
  cv::Mat k;
  fs["camera_matrix"] >> k;
  EXPECT_NEAR(k.at<double>(0, 2), (first.width - 1) / 2.0, 2.0);
  EXPECT_NEAR(k.at<double>(1, 2), (first.height - 1) / 2.0, 2.0);
}

} // namespace
} // namespace kavo::testing
