#include "detect/overlay.h"

#include "detect/photo_image.h"
#include "detect/subpixel.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace kavo::detect {

namespace {

const cv::Scalar kRowColours[] = {{0, 0, 255},   {0, 160, 255}, {0, 220, 0},   {255, 160, 0},
                                  {255, 0, 160}, {160, 0, 255}, {0, 200, 200}, {200, 200, 0}};

} // namespace

std::string writeOverlay(const PhotoDetection& photo, const std::string& path) {
  std::string why;
  const auto image = loadPhoto(photo.photo, why);
  if (!image) {
    return photo.photo + ": " + why;
  }
  cv::Mat canvas;
  cv::cvtColor(image->stretched, canvas, cv::COLOR_GRAY2BGR);

  std::vector<cv::Point2d> points;
  for (const auto& p : photo.points.points) {
    points.emplace_back(p.x, p.y);
  }
  const std::vector<double> nearest = nearestDistances(points);
  const double spacing = nearest.empty() ? 40.0 : *std::min_element(nearest.begin(), nearest.end());
  // Marks and numbers grow with the spacing of the points, so that they stay readable in any photo.
  const int ring = std::max(3, static_cast<int>(spacing * 0.18));
  const int thickness = std::max(1, static_cast<int>(spacing / 40.0));
  const double fontScale = std::clamp(spacing / 90.0, 0.35, 4.0);
  constexpr int shift = 4;
  auto fixed = [](const cv::Point2d& p) {
    return cv::Point(static_cast<int>(std::lround(p.x * (1 << shift))),
                     static_cast<int>(std::lround(p.y * (1 << shift))));
  };
  const auto& grid = photo.points.grid;
  for (std::size_t k = 0; k < points.size(); ++k) {
    const cv::Scalar colour = kRowColours[static_cast<std::size_t>(grid[k].row) % std::size(kRowColours)];
    if (k + 1 < points.size() && grid[k + 1].row == grid[k].row) {
      cv::line(canvas, fixed(points[k]), fixed(points[k + 1]), colour, thickness, cv::LINE_AA, shift);
    }
    cv::circle(canvas, fixed(points[k]), ring << shift, colour, thickness, cv::LINE_AA, shift);
    const std::string number = std::to_string(k + 1);
    const cv::Point at(static_cast<int>(points[k].x) + ring, static_cast<int>(points[k].y) - ring);
    cv::putText(canvas, number, at, cv::FONT_HERSHEY_SIMPLEX, fontScale, cv::Scalar(0, 0, 0), thickness + 2,
                cv::LINE_AA);
    cv::putText(canvas, number, at, cv::FONT_HERSHEY_SIMPLEX, fontScale, cv::Scalar(255, 255, 255), thickness,
                cv::LINE_AA);
  }
  try {
    if (!cv::imwrite(path, canvas, {cv::IMWRITE_JPEG_QUALITY, 90})) {
      return path + ": снимок с точками не записывается";
    }
  } catch (const cv::Exception& e) {
    return path + ": снимок с точками не записывается: " + e.what();
  }
  return {};
}

} // namespace kavo::detect
