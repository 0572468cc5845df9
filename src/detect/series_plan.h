#pragma once
#include "detect/photo_detection.h"

#include <string>
#include <vector>

namespace kavo::detect {

// Which photos of a searched series go into the series files, and the camera's travel between them.
struct SeriesPlan {
  std::string error;                 // why no series can be written, naming the photo; "" when it can
  std::vector<std::string> warnings; // photos left out, each naming the photo
  std::vector<std::size_t> kept;     // indexes of the photos kept, in the order given
  std::vector<double> steps;         // steps[k]: the camera's travel from photo kept[k] to kept[k + 1]
  // Of a target whose points are identified: the places seen in every photo kept, row by row; the
  // series files hold these only, since compute needs the same points in every photo. Empty for
  // other targets, whose photos all hold every point.
  std::vector<GridPosition> shared;
};

// The fewest points a series needs in every photo.
constexpr std::size_t kMinSharedPoints = 4;

// The most photos a series may keep: a list file holds at most 101 names.
constexpr std::size_t kMaxSeriesPhotos = 101;

// A photo whose file cannot be read, whose size differs or whose points cannot be numbered as in the
// others stops the series. A photo without the target stops it too, unless skipUndetected: then the
// photo is left out with a warning and its travel is added to the photo before it, so the distances
// between the photos kept stay right (a first photo left out simply starts the series later; a last
// one ends it earlier). At least two photos must be kept, and at most 101.
// Photos of a target whose points are identified may show different parts of it: the points seen in
// all of them go into the series, and fewer than kMinSharedPoints stop it, naming the first photo
// that brings them below.
SeriesPlan planSeries(const std::vector<PhotoDetection>& photos, double step, bool skipUndetected);

// A photo's points as the series files hold them: with plan.shared, those places only, in its order.
OrderedPoints pointsInSeries(const OrderedPoints& points, const SeriesPlan& plan);

} // namespace kavo::detect
