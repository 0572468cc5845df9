#include "detect/photo_detection.h"

#include "detect/charuco_finder.h"
#include "detect/chessboard_finder.h"
#include "detect/circle_grid_finder.h"
#include "detect/photo_image.h"

#include <exception>

namespace kavo::detect {

PhotoDetection detectPhoto(const std::string& photo, const TargetSpec& targetSpec) {
  PhotoDetection d;
  d.photo = photo;
  try {
    std::string why;
    const auto image = loadPhoto(photo, why);
    if (!image) {
      d.status = PhotoStatus::Failed;
      d.problem = why;
      return d;
    }
    d.width = image->width;
    d.height = image->height;
    const FinderOutcome found = targetSpec.kind == TargetKind::Chessboard ? findChessboard(*image, targetSpec)
                                : targetSpec.kind == TargetKind::Charuco  ? findCharuco(*image, targetSpec)
                                                                         : findCircleGrid(*image, targetSpec);
    if (!found.found) {
      d.status = PhotoStatus::NotFound;
      d.problem = found.why;
      return d;
    }
    // The places of identified points stay those of the whole board, whatever part the photo shows.
    const GridExtent board{targetSpec.columns - 1, targetSpec.rows - 1};
    auto ordered =
        orderByPosition(found.points, found.grid, why, nullptr, found.identified ? &board : nullptr);
    if (!ordered) {
      d.status = PhotoStatus::NotFound;
      d.problem = "найденные точки не складываются в ряды: " + why;
      return d;
    }
    d.points = std::move(*ordered);
    d.status = PhotoStatus::Found;
  } catch (const std::exception& e) {
    // OpenCV reports its failures (and a photo too large for memory) as exceptions.
    d.status = PhotoStatus::Failed;
    d.problem = std::string("ошибка поиска мишени: ") + e.what();
  }
  return d;
}

} // namespace kavo::detect
