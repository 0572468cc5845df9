#include "detect/series_detection.h"

#include "detect/parallel.h"

#include <mutex>

namespace kavo::detect {

void checkSeries(std::vector<PhotoDetection>& photos) {
  const PhotoDetection* sized = nullptr;
  const PhotoDetection* reference = nullptr;
  for (auto& p : photos) {
    if (p.status == PhotoStatus::Failed || p.status == PhotoStatus::NotRun) {
      continue;
    }
    if (sized == nullptr) {
      sized = &p;
    } else if (p.width != sized->width || p.height != sized->height) {
      p.status = PhotoStatus::WrongSize;
      p.problem = "снимок " + std::to_string(p.width) + " × " + std::to_string(p.height) +
                  " пикселей, а первый снимок (" + sized->photo + ") — " + std::to_string(sized->width) +
                  " × " + std::to_string(sized->height);
      continue;
    }
    if (p.status != PhotoStatus::Found) {
      continue;
    }
    if (reference == nullptr) {
      reference = &p;
      continue;
    }
    std::string why;
    const GridExtent board{p.points.columns, p.points.rows};
    auto renumbered = orderByPosition(p.points.points, p.points.grid, why, &reference->points.axes,
                                      p.points.identified ? &board : nullptr);
    const std::string mismatch = renumbered ? orderMismatch(reference->points, *renumbered) : why;
    if (!mismatch.empty()) {
      p.status = PhotoStatus::Inconsistent;
      p.problem = "точки нельзя пронумеровать так же, как на снимке " + reference->photo + ": " + mismatch;
      continue;
    }
    p.points = std::move(*renumbered);
  }
}

SeriesDetection detectSeries(const std::vector<std::string>& photos, const TargetSpec& targetSpec,
                             const SeriesOptions& options) {
  SeriesDetection series;
  series.photos.resize(photos.size());
  for (std::size_t i = 0; i < photos.size(); ++i) {
    series.photos[i].photo = photos[i];
  }
  std::mutex reporting;
  int done = 0;
  const int total = static_cast<int>(photos.size());
  const int run = forEachInParallel(
      total, options.threads,
      [&](int i) {
        PhotoDetection d = detectPhoto(photos[static_cast<std::size_t>(i)], targetSpec);
        const std::lock_guard<std::mutex> lock(reporting);
        series.photos[static_cast<std::size_t>(i)] = std::move(d);
        ++done;
        if (options.progress) {
          options.progress(series.photos[static_cast<std::size_t>(i)], done, total);
        }
      },
      options.stopRequested);
  series.cancelled = run < total;
  checkSeries(series.photos);
  return series;
}

} // namespace kavo::detect
