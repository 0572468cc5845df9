#pragma once
#include "detect/photo_detection.h"

#include <functional>
#include <string>
#include <vector>

namespace kavo::detect {

struct SeriesOptions {
  int threads = 0; // 0: one per core
  // Called once for every photo that was searched, as soon as it is done; calls come from the
  // working threads one at a time. done counts the photos finished so far.
  std::function<void(const PhotoDetection& photo, int done, int total)> progress;
  // Asked before every photo, from the working threads; true stops the run after the photos in hand.
  std::function<bool()> stopRequested;
};

struct SeriesDetection {
  std::vector<PhotoDetection> photos; // in the order given
  bool cancelled = false;
};

// Searches every photo for the target on all cores, then checks the series: every photo as large as
// the first one read, and the points of every photo numbered as in the first photo where the target
// was found (a target seen nearly diagonally is renumbered to match it; a target turned or mirrored
// between photos marks the photo Inconsistent).
SeriesDetection detectSeries(const std::vector<std::string>& photos, const TargetSpec& targetSpec,
                             const SeriesOptions& options);

// Applies the series checks to photos already searched; part of detectSeries.
void checkSeries(std::vector<PhotoDetection>& photos);

} // namespace kavo::detect
