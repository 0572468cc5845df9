#include "detect/charuco_finder.h"

#include "detect/corner_subpixel.h"

#include <opencv2/aruco/charuco.hpp>

#include <algorithm>

namespace kavo::detect {

namespace {

constexpr int kSearchSides[] = {1600, 3200};
constexpr int kMinCorners = 4;

struct Seen {
  std::vector<cv::Point2f> corners;
  std::vector<int> ids;
  std::size_t markers = 0;
  ReducedImage image;
};

Seen search(const cv::Mat& stretched, const cv::Ptr<cv::aruco::CharucoBoard>& board) {
  Seen best;
  const int longer = std::max(stretched.cols, stretched.rows);
  for (const int side : kSearchSides) {
    Seen s;
    s.image = reduced(stretched, side);
    std::vector<std::vector<cv::Point2f>> markerCorners;
    std::vector<int> markerIds;
    cv::aruco::detectMarkers(s.image.image, board->dictionary, markerCorners, markerIds);
    s.markers = markerIds.size();
    if (!markerIds.empty()) {
      cv::aruco::interpolateCornersCharuco(markerCorners, markerIds, s.image.image, board, s.corners, s.ids);
    }
    if (s.ids.size() > best.ids.size() || (best.ids.empty() && s.markers > best.markers)) {
      best = std::move(s);
    }
    if (static_cast<int>(best.ids.size()) >= kMinCorners || side >= longer) {
      break;
    }
  }
  return best;
}

} // namespace

FinderOutcome findCharuco(const PhotoImage& photo, const TargetSpec& targetSpec) {
  FinderOutcome out;
  out.identified = true;
  if (photo.flat) {
    out.why = "снимок пуст: на нём нет перепадов яркости";
    return out;
  }
  const auto board = cv::aruco::CharucoBoard::create(
      targetSpec.columns, targetSpec.rows, static_cast<float>(targetSpec.pitch),
      static_cast<float>(targetSpec.markerSize),
      cv::aruco::getPredefinedDictionary(
          static_cast<cv::aruco::PREDEFINED_DICTIONARY_NAME>(targetSpec.dictionary)));
  const Seen seen = search(photo.stretched, board);
  if (static_cast<int>(seen.ids.size()) < kMinCorners) {
    out.why = seen.markers == 0
                  ? "маркеры доски ChArUco (" + charucoDictionaryName(targetSpec.dictionary) + ") не найдены"
                  : "найдено маркеров: " + std::to_string(seen.markers) +
                        ", углов доски между ними: " + std::to_string(seen.ids.size()) +
                        ", а нужно хотя бы " + std::to_string(kMinCorners);
    return out;
  }
  const int perRow = targetSpec.columns - 1;
  std::vector<cv::Point2d> corners;
  for (std::size_t k = 0; k < seen.ids.size(); ++k) {
    corners.push_back(seen.image.toPhoto(seen.corners[k]));
    out.grid.push_back({seen.ids[k] % perRow, seen.ids[k] / perRow});
  }
  // The light border between a square's corner and its marker, in squares.
  const CornerWindow window{(targetSpec.pitch - targetSpec.markerSize) / (2.0 * targetSpec.pitch)};
  refineCorners(photo.grey, corners, out.grid, window);
  for (const auto& c : corners) {
    out.points.push_back({c.x, c.y});
  }
  out.found = true;
  return out;
}

} // namespace kavo::detect
