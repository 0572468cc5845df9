#include "detect/series_plan.h"

namespace kavo::detect {

SeriesPlan planSeries(const std::vector<PhotoDetection>& photos, double step, bool skipUndetected) {
  SeriesPlan plan;
  for (std::size_t i = 0; i < photos.size(); ++i) {
    const PhotoDetection& p = photos[i];
    switch (p.status) {
    case PhotoStatus::Found:
      plan.kept.push_back(i);
      break;
    case PhotoStatus::NotFound:
      if (!skipUndetected) {
        plan.error = p.photo + ": " + p.problem;
        return plan;
      }
      plan.warnings.push_back(p.photo + ": снимок пропущен — " + p.problem);
      break;
    case PhotoStatus::NotRun:
      plan.error = p.photo + ": поиск прерван до этого снимка";
      return plan;
    case PhotoStatus::Failed:
    case PhotoStatus::WrongSize:
    case PhotoStatus::Inconsistent:
      plan.error = p.photo + ": " + p.problem;
      return plan;
    }
  }
  if (plan.kept.size() < 2) {
    plan.error = "мишень найдена на " + std::to_string(plan.kept.size()) + " снимках из " +
                 std::to_string(photos.size()) + ", а для серии нужно хотя бы два";
    return plan;
  }
  if (plan.kept.size() > kMaxSeriesPhotos) {
    plan.error = "в серии может быть не больше " + std::to_string(kMaxSeriesPhotos) + " снимков, а их " +
                 std::to_string(plan.kept.size());
    return plan;
  }
  // The camera moves by `step` after every photo taken, kept or not.
  for (std::size_t k = 0; k + 1 < plan.kept.size(); ++k) {
    plan.steps.push_back(step * static_cast<double>(plan.kept[k + 1] - plan.kept[k]));
  }
  return plan;
}

} // namespace kavo::detect
