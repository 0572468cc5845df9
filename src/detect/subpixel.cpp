#include "detect/subpixel.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace kavo::detect {

std::vector<double> nearestDistances(const std::vector<cv::Point2d>& points) {
  std::vector<double> nearest(points.size(), std::numeric_limits<double>::max());
  for (std::size_t i = 0; i < points.size(); ++i) {
    for (std::size_t j = i + 1; j < points.size(); ++j) {
      const double d = std::hypot(points[i].x - points[j].x, points[i].y - points[j].y);
      nearest[i] = std::min(nearest[i], d);
      nearest[j] = std::min(nearest[j], d);
    }
  }
  return nearest;
}

std::vector<double> refineCircleCentres(const cv::Mat& grey, std::vector<cv::Point2d>& centres,
                                        const std::vector<double>& radii, bool darkCircles) {
  const std::vector<double> nearest = nearestDistances(centres);
  std::vector<double> areas(centres.size(), 0.0);
  for (std::size_t i = 0; i < centres.size(); ++i) {
    // The disc reaches past the circle's blurred edge but stays clear of its neighbours; the fewer
    // pixels of ground it holds, the less their noise weighs.
    const double radius = std::min(nearest[i] / 2.0, 2.0 * radii[i] + 2.0);
    if (!(radius >= 3.0) || !std::isfinite(radius)) {
      continue;
    }
    cv::Point2d centre = centres[i];
    // A few rounds: each centres the disc on the last centroid.
    for (int round = 0; round < 3; ++round) {
      const int r = static_cast<int>(std::ceil(radius));
      const cv::Rect box = cv::Rect(static_cast<int>(std::lround(centre.x)) - r,
                                    static_cast<int>(std::lround(centre.y)) - r, 2 * r + 1, 2 * r + 1) &
                           cv::Rect(cv::Point(0, 0), grey.size());
      if (box.width < 3 || box.height < 3) {
        break;
      }
      cv::Mat patch;
      grey(box).convertTo(patch, CV_32F);
      if (!darkCircles) {
        patch = 255.0 - patch;
      }
      // The circle's level and the ground's, from the darkest and lightest tenth of the disc's pixels.
      std::vector<float> levels;
      for (int y = 0; y < patch.rows; ++y) {
        for (int x = 0; x < patch.cols; ++x) {
          if (std::hypot(box.x + x - centre.x, box.y + y - centre.y) <= radius) {
            levels.push_back(patch.at<float>(y, x));
          }
        }
      }
      if (levels.size() < 9) {
        break;
      }
      const auto tenth = static_cast<std::ptrdiff_t>(levels.size() / 10);
      std::nth_element(levels.begin(), levels.begin() + tenth, levels.end());
      const double ink = levels[static_cast<std::size_t>(tenth)];
      std::nth_element(levels.begin(), levels.end() - 1 - tenth, levels.end());
      const double ground = levels[levels.size() - 1 - static_cast<std::size_t>(tenth)];
      if (!(ground - ink > 1.0)) {
        break;
      }
      // Every pixel weighs by how far it lies on the ink's side of the middle level, over a ramp half
      // the contrast wide: the inside weighs 1, the ground 0 even with its noise, and the blurred
      // edge in between weighs as much outside the middle level as inside, so the centroid is the
      // centre of the circle's outline at the middle level and the weights add up to its area.
      const double middle = (ground + ink) / 2.0;
      const double half = (ground - ink) / 4.0;
      double sum = 0.0, sx = 0.0, sy = 0.0;
      for (int y = 0; y < patch.rows; ++y) {
        for (int x = 0; x < patch.cols; ++x) {
          const double px = box.x + x, py = box.y + y;
          if (std::hypot(px - centre.x, py - centre.y) > radius) {
            continue;
          }
          const double w = std::clamp((middle + half - patch.at<float>(y, x)) / (2.0 * half), 0.0, 1.0);
          sum += w;
          sx += w * px;
          sy += w * py;
        }
      }
      if (!(sum > 0.0)) {
        break;
      }
      centre = {sx / sum, sy / sum};
      areas[i] = sum;
    }
    centres[i] = centre;
  }
  return areas;
}

void correctEllipseCentres(std::vector<cv::Point2d>& centres, const std::vector<cv::Point2d>& places,
                           const std::vector<double>& areas) {
  if (centres.size() < 4 || places.size() != centres.size() || areas.size() != centres.size()) {
    return;
  }
  const cv::Mat fitted = cv::findHomography(places, centres, 0);
  if (fitted.empty()) {
    return;
  }
  const cv::Matx33d h(fitted);
  const cv::Matx33d inverse = h.inv();
  // Every circle of the target has the same radius: the median over the circles, in pitches, from
  // each area divided by the map's local magnification.
  std::vector<double> radii;
  for (std::size_t i = 0; i < places.size(); ++i) {
    const cv::Vec3d p(places[i].x, places[i].y, 1.0);
    const cv::Vec3d q = h * p;
    const double w = q[2];
    // The Jacobian of the map at the place: (H_rows_xy * w - q_xy * H_row_z) / w².
    const double a = (h(0, 0) * w - q[0] * h(2, 0)) / (w * w), b = (h(0, 1) * w - q[0] * h(2, 1)) / (w * w);
    const double c = (h(1, 0) * w - q[1] * h(2, 0)) / (w * w), d = (h(1, 1) * w - q[1] * h(2, 1)) / (w * w);
    const double magnification = std::abs(a * d - b * c);
    if (areas[i] > 0.0 && magnification > 0.0) {
      radii.push_back(std::sqrt(areas[i] / (magnification * CV_PI)));
    }
  }
  if (radii.size() < centres.size() / 2) {
    return;
  }
  std::nth_element(radii.begin(), radii.begin() + static_cast<std::ptrdiff_t>(radii.size() / 2), radii.end());
  const double r = radii[radii.size() / 2];
  for (std::size_t i = 0; i < centres.size(); ++i) {
    const double x = places[i].x, y = places[i].y;
    const cv::Matx33d circle(1, 0, -x, 0, 1, -y, -x, -y, x * x + y * y - r * r);
    const cv::Matx33d seen = inverse.t() * circle * inverse;
    const cv::Matx22d quadratic(seen(0, 0), seen(0, 1), seen(1, 0), seen(1, 1));
    const double det = quadratic(0, 0) * quadratic(1, 1) - quadratic(0, 1) * quadratic(1, 0);
    if (!(std::abs(det) > 0.0)) {
      continue;
    }
    const cv::Vec2d ellipseCentre = quadratic.inv() * cv::Vec2d(-seen(0, 2), -seen(1, 2));
    const cv::Vec3d image = h * cv::Vec3d(x, y, 1.0);
    const cv::Point2d shift(image[0] / image[2] - ellipseCentre[0], image[1] / image[2] - ellipseCentre[1]);
    if (std::isfinite(shift.x) && std::isfinite(shift.y)) {
      centres[i] += shift;
    }
  }
}

} // namespace kavo::detect
