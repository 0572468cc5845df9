#pragma once
#include "detect/series_detection.h"
#include "detect/series_plan.h"
#include "detect/target.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kavo::detect {

// Everything needed to turn photos of a series into the files the compute command reads.
struct PhotoSeriesRequest {
  std::vector<std::string> photos; // in the order they were taken
  TargetSpec target;
  double step = 0.0; // millimetres the camera moved along its axis after every photo
  std::string outFolder;
  std::string overlayFolder; // "" for no overlays
  bool skipUndetected = false;
  char decimalSeparator = '.';
  int threads = 0; // 0: one per core
};

struct PhotoSeriesProgress {
  enum class Stage { Searching, Drawing } stage = Stage::Searching;
  int done = 0;
  int total = 0;
  const PhotoDetection* photo = nullptr; // the photo just finished
};

struct PhotoSeriesOutcome {
  enum class Status { Written, Failed, Cancelled } status = Status::Failed;
  std::string error; // why nothing was written, naming the photo or file
  std::vector<std::string> warnings;
  // The focal length in pixels the photos' EXIF gives (to a tenth of a pixel), as camera.cam's line 9
  // records it; none when the photos do not say it or disagree.
  std::optional<double> exifFocalLength;
  SeriesDetection detection;
  SeriesPlan plan;
  // Where the files went (set when written).
  std::string cameraFile;
  std::string sceneFile;
  std::string listFile;
  std::vector<std::string> coordinateFiles; // one per photo; "" for a photo left out
  std::vector<std::string> overlayFiles;    // one per photo; "" for a photo left out or without overlays
};

// Checks the request and the output folders first, searches every photo, plans the series, writes its
// files (and the overlays) into hidden folders and moves them into place; on any failure or
// cancellation nothing is written and the output folders are as they were. progress is called from
// the working threads, one call at a time; stop is asked from them too and must be safe to call so.
PhotoSeriesOutcome writeSeriesFromPhotos(const PhotoSeriesRequest& request,
                                         const std::function<void(const PhotoSeriesProgress&)>& progress,
                                         const std::function<bool()>& stop);

// Why the request cannot be run ("" when it can): target, step, photos, folders.
std::string photoSeriesRequestProblem(const PhotoSeriesRequest& request);

} // namespace kavo::detect
