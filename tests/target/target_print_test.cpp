// A target printed: its PDF rendered at 200 dpi as a printer would put it on paper (pdftoppm, from
// poppler-utils) is found by OpenCV, measures its nominal pitch within 0.5 %, and kavo-cli detect run
// with the command read from the page's margin (pdftotext) makes a series of photos of it.
#include "cli/cli.h"
#include "detect/photo_detection.h"
#include "target/target_drawing.h"
#include "target/target_page.h"

#include "temp_folder.h"

#include <gmock/gmock.h>
#include <opencv2/calib3d.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdio>
#include <sstream>

namespace kavo {
namespace {

using detect::TargetKind;
using detect::TargetSpec;

constexpr double kDpi = 200.0;

std::string commandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
      out.append(buffer, n);
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
  }
  return out;
}

// The page as pixels at the given resolution, grey.
cv::Mat rendered(const std::string& pdf, double dpi, const std::string& stem) {
  const std::string dpiText = std::to_string(static_cast<int>(dpi));
  commandOutput("pdftoppm -r " + dpiText + " -gray -png -singlefile '" + pdf + "' '" + stem + "'");
  return cv::imread(stem + ".png", cv::IMREAD_GRAYSCALE);
}

// Pixels per millimetre of the board as the points found measure it: every pair of points, their
// distance in the photo over their distance on the board.
double measuredScale(const detect::OrderedPoints& found, const TargetSpec& t) {
  double pixels = 0.0, millimetres = 0.0;
  for (std::size_t i = 0; i < found.points.size(); ++i) {
    for (std::size_t j = i + 1; j < found.points.size(); ++j) {
      pixels += std::hypot(found.points[i].x - found.points[j].x, found.points[i].y - found.points[j].y);
      millimetres += t.pitch * std::hypot(found.grid[i].column - found.grid[j].column,
                                          found.grid[i].row - found.grid[j].row);
    }
  }
  return pixels / millimetres;
}

struct Printed {
  const char* name;
  TargetSpec target;
  const char* paper;
};

void PrintTo(const Printed& p, std::ostream* os) {
  *os << p.name;
}

class PrintedTarget : public ::testing::TestWithParam<Printed> {};

TEST_P(PrintedTarget, FoundAtItsPitchAndReadByTheCommandInItsMargin) {
  const Printed& p = GetParam();
  const TargetSpec& t = p.target;
  test::TempFolder folder;
  const std::string pdf = folder.file("target.pdf");
  ASSERT_EQ(writeTargetPage(t, *paperFromName(p.paper), pdf), "");
  const cv::Mat page = rendered(pdf, kDpi, folder.file("page"));
  ASSERT_FALSE(page.empty());

  // OpenCV's own finders on the page.
  std::vector<cv::Point2f> corners;
  // Circles printed large are larger blobs than the finder's default detector takes.
  cv::SimpleBlobDetector::Params blobs;
  blobs.maxArea = static_cast<float>(page.total());
  const auto detector = cv::SimpleBlobDetector::create(blobs);
  const cv::Size size(t.columns, t.rows);
  switch (t.kind) {
  case TargetKind::Chessboard:
    EXPECT_TRUE(cv::findChessboardCornersSB(page, size, corners));
    break;
  case TargetKind::Circles:
    EXPECT_TRUE(cv::findCirclesGrid(page, size, corners, cv::CALIB_CB_SYMMETRIC_GRID, detector));
    break;
  case TargetKind::AsymmetricCircles:
    EXPECT_TRUE(cv::findCirclesGrid(page, size, corners, cv::CALIB_CB_ASYMMETRIC_GRID, detector));
    break;
  case TargetKind::Charuco:
    break; // through detect below, which finds its markers with OpenCV's aruco module
  }

  // The pitch as the points measure it.
  const detect::PhotoDetection found = detect::detectPhoto(folder.file("page.png"), t);
  ASSERT_EQ(found.status, detect::PhotoStatus::Found) << found.problem;
  const double nominal = kDpi / 25.4;
  EXPECT_NEAR(measuredScale(found.points, t) / nominal, 1.0, 0.005);

  // The command in the margin, as the page's text says it, over photos of the page from three
  // distances (the page drawn smaller on a sheet of the same size).
  const std::string text = commandOutput("pdftotext -layout '" + pdf + "' -");
  const std::size_t start = text.find("kavo-cli detect ");
  ASSERT_NE(start, std::string::npos) << text;
  std::istringstream words(text.substr(start, text.find('\n', start) - start));
  std::vector<std::string> args;
  for (std::string w; words >> w;) {
    args.push_back(w);
  }
  ASSERT_GE(args.size(), 7u);
  ASSERT_EQ(std::vector<std::string>(args.end() - 5, args.end()),
            (std::vector<std::string>{"--step", "MM", "--out", "DIR", "PHOTO..."}));
  args.erase(args.begin()); // "kavo-cli"
  args.resize(args.size() - 5);
  EXPECT_EQ(args, [&] {
    std::vector<std::string> expected{"detect"};
    for (const std::string& a : detectTargetArguments(t)) {
      expected.push_back(a);
    }
    return expected;
  }());
  args.insert(args.end(), {"--step", "10", "--out", folder.file("series")});
  for (int k = 0; k < 3; ++k) {
    const double dpi = kDpi - 15.0 * k;
    cv::Mat small = rendered(pdf, dpi, folder.file("small"));
    cv::Mat photo(page.size(), CV_8U, cv::Scalar(255));
    small.copyTo(
        photo(cv::Rect((page.cols - small.cols) / 2, (page.rows - small.rows) / 2, small.cols, small.rows)));
    const std::string name = folder.file("photo" + std::to_string(k + 1) + ".png");
    ASSERT_TRUE(cv::imwrite(name, photo));
    args.push_back(name);
  }
  std::ostringstream out, err;
  ASSERT_EQ(runCli(args, out, err), 0) << err.str();
  EXPECT_THAT(out.str(), ::testing::HasSubstr("series.lst"));
}

const Printed kPrinted[] = {
    {"Chessboard", {TargetKind::Chessboard, 9, 6, 20.0}, "A4"},
    {"ChessboardBandAtTheSide", {TargetKind::Chessboard, 9, 6, 25.0}, "A4"},
    {"Circles", {TargetKind::Circles, 7, 5, 25.0}, "A4"},
    {"StaggeredCircles", {TargetKind::AsymmetricCircles, 4, 11, 15.0}, "A4"},
    {"Charuco", {TargetKind::Charuco, 7, 5, 30.0, 22.0, 5}, "A4"},
};
INSTANTIATE_TEST_SUITE_P(Pages, PrintedTarget, ::testing::ValuesIn(kPrinted),
                         [](const auto& test) { return std::string(test.param.name); });

} // namespace
} // namespace kavo
