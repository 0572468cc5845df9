#include "detect/series_detection.h"
#include "photo_renderer.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <opencv2/imgcodecs.hpp>
#include <set>

namespace kavo::detect {
namespace {

double rmsError(const OrderedPoints& found, const std::vector<cv::Point2d>& truth) {
  double sum = 0.0;
  for (std::size_t i = 0; i < truth.size(); ++i) {
    sum += std::pow(found.points[i].x - truth[i].x, 2) + std::pow(found.points[i].y - truth[i].y, 2);
  }
  return std::sqrt(sum / static_cast<double>(truth.size()));
}

test::PhotoScene sceneOf(const TargetSpec& target, double roll) {
  test::PhotoScene scene;
  scene.target = target;
  scene.rollDegrees = roll;
  scene.distance = 520.0;
  return scene;
}

struct SeriesCase {
  const char* name;
  TargetSpec target;
  double roll;
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const SeriesCase& c, std::ostream* os) {
  *os << c.name;
}

class SeriesOrder : public ::testing::TestWithParam<SeriesCase> {};

// The camera moves away along its axis: every photo numbers the same points alike, in reading order as
// the target is seen, whichever end the finder started from in each photo.
TEST_P(SeriesOrder, NumbersEveryPhotoAlike) {
  test::TempFolder folder;
  const auto rendered =
      test::renderSeries(folder.path(), sceneOf(GetParam().target, GetParam().roll), 4, 60.0);
  std::set<int> reported;
  std::atomic<int> calls{0};
  SeriesOptions options;
  options.threads = 2;
  options.progress = [&](const PhotoDetection&, int done, int total) {
    reported.insert(done);
    EXPECT_EQ(total, 4);
    ++calls;
  };
  const SeriesDetection series = detectSeries(rendered.photos, GetParam().target, options);
  EXPECT_FALSE(series.cancelled);
  EXPECT_EQ(calls.load(), 4);
  EXPECT_EQ(reported, (std::set<int>{1, 2, 3, 4}));
  ASSERT_EQ(series.photos.size(), 4u);
  for (std::size_t k = 0; k < 4; ++k) {
    const PhotoDetection& p = series.photos[k];
    ASSERT_EQ(p.status, PhotoStatus::Found) << p.photo << ": " << p.problem;
    EXPECT_EQ(p.photo, rendered.photos[k]) << "results stay in the order of the photos";
    EXPECT_EQ(p.points.grid, series.photos[0].points.grid);
    EXPECT_LE(rmsError(p.points, rendered.truth[k]), 0.1) << p.photo;
  }
}

const SeriesCase kSeriesCases[] = {
    {"Chessboard", {TargetKind::Chessboard, 9, 6, 20.0}, 2},
    {"ChessboardHalfTurn", {TargetKind::Chessboard, 8, 5, 22.0}, 182},
    {"Circles", {TargetKind::Circles, 7, 5, 25.0}, -2},
    {"StaggeredHalfTurn", {TargetKind::AsymmetricCircles, 4, 11, 15.0}, 179},
};
INSTANTIATE_TEST_SUITE_P(Targets, SeriesOrder, ::testing::ValuesIn(kSeriesCases),
                         [](const auto& p) { return std::string(p.param.name); });

// A photo that cannot belong to the series is marked and says which photo it was compared with.
TEST(SeriesChecks, MarksPhotosOfAnotherSizeOrAnotherWayRound) {
  const TargetSpec target{TargetKind::AsymmetricCircles, 4, 5, 20.0};
  test::TempFolder folder;
  auto rendered = test::renderSeries(folder.path(), sceneOf(target, 1), 2, 50.0);
  test::PhotoScene small = sceneOf(target, 1);
  small.width = 1000;
  small.height = 750;
  const std::string smaller = folder.path() + "small.png";
  cv::imwrite(smaller, test::storedPhoto(test::renderPhoto(small).image, 8, false));
  test::PhotoScene mirrored = sceneOf(target, 1);
  mirrored.mirrored = true;
  const std::string flipped = folder.path() + "mirrored.png";
  cv::imwrite(flipped, test::storedPhoto(test::renderPhoto(mirrored).image, 8, false));
  test::PhotoScene turned = sceneOf(target, 40);
  const std::string turnedPath = folder.path() + "turned.png";
  cv::imwrite(turnedPath, test::storedPhoto(test::renderPhoto(turned).image, 8, false));

  const SeriesDetection series =
      detectSeries({rendered.photos[0], smaller, flipped, turnedPath, rendered.photos[1]}, target, {});
  EXPECT_EQ(series.photos[0].status, PhotoStatus::Found);
  EXPECT_EQ(series.photos[1].status, PhotoStatus::WrongSize);
  EXPECT_NE(series.photos[1].problem.find("1000 × 750"), std::string::npos) << series.photos[1].problem;
  EXPECT_NE(series.photos[1].problem.find(rendered.photos[0]), std::string::npos);
  EXPECT_EQ(series.photos[2].status, PhotoStatus::Inconsistent);
  EXPECT_NE(series.photos[2].problem.find("сдвинуты"), std::string::npos) << series.photos[2].problem;
  EXPECT_EQ(series.photos[3].status, PhotoStatus::Inconsistent);
  EXPECT_NE(series.photos[3].problem.find("повёрнута на 39°"), std::string::npos) << series.photos[3].problem;
  EXPECT_EQ(series.photos[4].status, PhotoStatus::Found);
}

TEST(SeriesChecks, StopsTakingPhotosWhenAsked) {
  test::TempFolder folder;
  std::vector<std::string> photos;
  for (int i = 0; i < 5; ++i) {
    photos.push_back(test::writeBlankPhoto(folder.path() + "blank" + std::to_string(i) + ".png", 320, 240));
  }
  std::atomic<bool> stop{false};
  SeriesOptions options;
  options.threads = 1;
  options.progress = [&](const PhotoDetection&, int done, int) { stop = done >= 2; };
  options.stopRequested = [&] { return stop.load(); };
  const SeriesDetection series = detectSeries(photos, {TargetKind::Chessboard, 9, 6, 20.0}, options);
  EXPECT_TRUE(series.cancelled);
  EXPECT_EQ(series.photos[1].status, PhotoStatus::NotFound);
  EXPECT_EQ(series.photos[2].status, PhotoStatus::NotRun);
  EXPECT_EQ(series.photos[4].status, PhotoStatus::NotRun);
}

} // namespace
} // namespace kavo::detect
