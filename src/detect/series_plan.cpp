#include "detect/series_plan.h"

#include <algorithm>
#include <set>
#include <utility>

namespace kavo::detect {

namespace {

using Place = std::pair<int, int>; // row, column: sorted row by row

std::set<Place> placesOf(const OrderedPoints& points) {
  std::set<Place> places;
  for (const auto& g : points.grid) {
    places.emplace(g.row, g.column);
  }
  return places;
}

// The places every kept photo shows, when the points are identified; "" or why too few.
std::string sharePoints(const std::vector<PhotoDetection>& photos, SeriesPlan& plan) {
  if (plan.kept.empty() || !photos[plan.kept.front()].points.identified) {
    return {};
  }
  std::set<Place> shared = placesOf(photos[plan.kept.front()].points);
  for (const std::size_t i : plan.kept) {
    std::set<Place> both;
    const std::set<Place> here = placesOf(photos[i].points);
    std::set_intersection(shared.begin(), shared.end(), here.begin(), here.end(),
                          std::inserter(both, both.end()));
    if (both.size() < kMinSharedPoints) {
      return photos[i].photo + ": с предыдущими снимками у него общих точек мишени " +
             std::to_string(both.size()) + ", а во всех снимках серии их должно быть хотя бы " +
             std::to_string(kMinSharedPoints);
    }
    shared = std::move(both);
  }
  for (const auto& [row, column] : shared) {
    plan.shared.push_back({column, row});
  }
  return {};
}

} // namespace

OrderedPoints pointsInSeries(const OrderedPoints& points, const SeriesPlan& plan) {
  if (plan.shared.empty()) {
    return points;
  }
  OrderedPoints out = points;
  out.points.clear();
  out.grid.clear();
  for (const GridPosition& g : plan.shared) {
    const auto at = std::find(points.grid.begin(), points.grid.end(), g);
    if (at != points.grid.end()) {
      out.points.push_back(points.points[static_cast<std::size_t>(at - points.grid.begin())]);
      out.grid.push_back(g);
    }
  }
  return out;
}

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
  if (std::string why = sharePoints(photos, plan); !why.empty()) {
    plan.error = why;
    return plan;
  }
  // The camera moves by `step` after every photo taken, kept or not.
  for (std::size_t k = 0; k + 1 < plan.kept.size(); ++k) {
    plan.steps.push_back(step * static_cast<double>(plan.kept[k + 1] - plan.kept[k]));
  }
  return plan;
}

} // namespace kavo::detect
