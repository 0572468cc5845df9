#include "refine/series_data.h"

#include <algorithm>
#include <cmath>

namespace kavo {

SeriesData collectSeries(const RefineInput& input) {
  SeriesData data;
  const auto& scene = input.points.scene;
  const std::size_t imageCount = input.points.images.size();
  for (std::size_t i = 0; i < imageCount; ++i) {
    ImageObservations obs;
    obs.image = static_cast<int>(i);
    const auto& pts = input.points.images[i];
    const std::size_t n = std::min(pts.size(), scene.size());
    for (std::size_t j = 0; j < n; ++j) {
      const Point2 s = scene[j];
      const Point2 p = pts[j];
      if (std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(p.x) && std::isfinite(p.y)) {
        obs.points.push_back({static_cast<int>(j), s.x, s.y, p.x, p.y});
      }
    }
    data.images.push_back(std::move(obs));
  }
  double sum = 0.0;
  for (std::size_t i = 0; i < imageCount; ++i) {
    data.cumulative.push_back(sum);
    if (i + 1 < imageCount) {
      const double step = i < input.settings.imageValues.size() ? input.settings.imageValues[i] : 0.0;
      data.steps.push_back(step);
      sum += step;
    }
  }
  return data;
}

} // namespace kavo
