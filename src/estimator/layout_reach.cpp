#include "estimator/layout_reach.h"

#include "estimator/quadruple_layout.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <queue>
#include <vector>

namespace kavo {
namespace {

constexpr double kNone = -std::numeric_limits<double>::infinity();
constexpr double kAll = std::numeric_limits<double>::infinity();
// Quadruples a suggestion should let through for a value that rests on more than one of them.
constexpr int kEnoughQuadruples = 10;

double distance(Point2 p, Point2 q) {
  const double dx = p.x - q.x;
  const double dy = p.y - q.y;
  return std::sqrt(dx * dx + dy * dy);
}

// Points spread over the target, in list order (the angle test depends on it): each next point the
// one farthest from those already taken.
std::vector<int> spreadPoints(const std::vector<Point2>& scene, int count, int limit) {
  std::vector<int> chosen;
  if (count <= limit) {
    for (int i = 0; i < count; ++i) {
      chosen.push_back(i);
    }
    return chosen;
  }
  std::vector<double> nearest(static_cast<std::size_t>(count), kAll);
  int next = 0;
  for (int c = 0; c < limit; ++c) {
    chosen.push_back(next);
    const Point2 taken = scene[static_cast<std::size_t>(next)];
    double farthest = -1.0;
    for (int i = 0; i < count; ++i) {
      double& d = nearest[static_cast<std::size_t>(i)];
      d = std::min(d, distance(scene[static_cast<std::size_t>(i)], taken));
      if (d > farthest) {
        farthest = d;
        next = i;
      }
    }
  }
  std::sort(chosen.begin(), chosen.end());
  return chosen;
}

// The wanted best scores offered, to find the score that many quadruples reach.
class BestScores {
public:
  explicit BestScores(int wanted) : want(static_cast<std::size_t>(std::max(1, wanted))) {}
  void offer(double score) {
    if (!(score > 0.0) || !std::isfinite(score)) {
      return;
    }
    if (heap.size() < want) {
      heap.push(score);
    } else if (score > heap.top()) {
      heap.pop();
      heap.push(score);
    }
  }
  bool any() const { return !heap.empty(); }
  double weakest() const { return heap.top(); }
  int count() const { return static_cast<int>(heap.size()); }

private:
  std::size_t want;
  std::priority_queue<double, std::vector<double>, std::greater<double>> heap;
};

// The pairwise facts of one image over the chosen points.
struct ImageFacts {
  std::vector<double> spacing; // distance over the diagonal
  std::vector<double> incline;
  std::vector<char> far; // far enough apart for the run's own spacing, exactly as the enumeration says
};

// One measure of a quadruple per image, and its best over the admissible image pairs, each pair
// counting by the weaker of its two images.
struct PairScore {
  int firstBase = 0;
  int lastBase = 0;
  int gap = 1;
  int images = 0;
  std::vector<double> suffix;

  double best(const std::vector<double>& perImage) {
    suffix.assign(static_cast<std::size_t>(images) + 1, kNone);
    for (int m = images - 1; m >= firstBase; --m) {
      suffix[static_cast<std::size_t>(m)] =
          std::max(suffix[static_cast<std::size_t>(m) + 1], perImage[static_cast<std::size_t>(m)]);
    }
    double score = kNone;
    for (int b = firstBase; b <= lastBase && b + gap < images; ++b) {
      score = std::max(
          score, std::min(perImage[static_cast<std::size_t>(b)], suffix[static_cast<std::size_t>(b + gap)]));
    }
    return score;
  }
};

struct Candidate {
  bool present = false;
  double spacing = 0.0;
  double angle = 0.0;
  double ratio = 0.0; // how much of the run's settings it keeps: the product of the kept fractions
  int count = 0;
  bool keptSpacing = false;
  bool keptAngle = false;
};

// Of the candidates that let enough quadruples through (the wanted number, or as many as the one
// letting most through, when that is fewer), the one that keeps most of the run's settings.
Candidate choose(const std::vector<Candidate>& candidates, int wanted) {
  int most = 0;
  for (const Candidate& c : candidates) {
    most = c.present ? std::max(most, c.count) : most;
  }
  const int enough = std::min(std::min(wanted, kEnoughQuadruples), most);
  Candidate best;
  for (const Candidate& c : candidates) {
    if (c.present && c.count >= enough && (!best.present || c.ratio > best.ratio)) {
      best = c;
    }
  }
  return best;
}

} // namespace

LayoutReach layoutReach(const EstimatorInput& input, const EstimatorSettings& settings, int wanted,
                        const std::function<bool()>& shouldStop) {
  LayoutReach reach;
  const int images = static_cast<int>(input.images.size());
  PairScore pairs;
  pairs.images = images;
  pairs.firstBase = settings.firstImageNumber - 1;
  pairs.gap = settings.secondImageNumber - settings.firstImageNumber;
  pairs.lastBase = std::min(images - pairs.gap, images - 1);
  const double diagonal =
      std::sqrt(settings.imageWidth * settings.imageWidth + settings.imageHeight * settings.imageHeight);
  if (pairs.firstBase < 0 || pairs.gap < 1 || pairs.lastBase < pairs.firstBase || !(diagonal > 0.0)) {
    return reach;
  }
  // Only points every image of the pairs holds: an image short of a point ends a run otherwise.
  int count = static_cast<int>(input.scene.size());
  for (int m = pairs.firstBase; m < images; ++m) {
    count = std::min(count, static_cast<int>(input.images[static_cast<std::size_t>(m)].size()));
  }
  const std::vector<int> chosen = spreadPoints(input.scene, count, kLayoutReachPoints);
  const int n = static_cast<int>(chosen.size());
  if (n < 4) {
    return reach;
  }
  reach.sampled = n < count;

  const double minDistance = diagonal * settings.minPointSpacing;
  const double a0 = settings.minLineAngle;
  const double s0 = settings.minPointSpacing;
  const auto cell = [n](int i, int j) {
    return static_cast<std::size_t>(i) * static_cast<std::size_t>(n) + static_cast<std::size_t>(j);
  };
  std::vector<ImageFacts> facts(static_cast<std::size_t>(images));
  for (int m = pairs.firstBase; m < images; ++m) {
    const std::vector<Point2>& pts = input.images[static_cast<std::size_t>(m)];
    ImageFacts& f = facts[static_cast<std::size_t>(m)];
    f.spacing.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(n), 0.0);
    f.incline.assign(f.spacing.size(), 0.0);
    f.far.assign(f.spacing.size(), 0);
    for (int i = 0; i < n; ++i) {
      for (int j = i + 1; j < n; ++j) {
        const Point2 p = pts[static_cast<std::size_t>(chosen[static_cast<std::size_t>(i)])];
        const Point2 q = pts[static_cast<std::size_t>(chosen[static_cast<std::size_t>(j)])];
        const double d = distance(p, q);
        f.spacing[cell(i, j)] = d / diagonal;
        f.incline[cell(i, j)] = lineInclination(p, q);
        f.far[cell(i, j)] = d >= minDistance ? 1 : 0;
      }
    }
  }

  const auto perImage = [images] { return std::vector<double>(static_cast<std::size_t>(images), kNone); };
  std::vector<double> spacingOf = perImage(), angleOf = perImage(), spacingAtAngle = perImage(),
                      angleAtSpacing = perImage(), scaled = perImage();
  BestScores lowerSpacing(wanted), lowerAngle(wanted), lowerBoth(wanted);
  double largestSpacing = kNone, largestAngle = kNone;
  const auto diff = [](double a, double b) { return a > b ? a - b : b - a; };
  for (int i = 0; i < n; ++i) {
    if (shouldStop && shouldStop()) {
      throw RunAbandoned(AbandonReason::Cancelled, "счёт остановлен по запросу");
    }
    for (int j = i + 1; j < n; ++j) {
      for (int k = j + 1; k < n; ++k) {
        for (int l = k + 1; l < n; ++l) {
          for (int m = pairs.firstBase; m < images; ++m) {
            const ImageFacts& f = facts[static_cast<std::size_t>(m)];
            const double s = std::min({f.spacing[cell(i, j)], f.spacing[cell(i, k)], f.spacing[cell(i, l)],
                                       f.spacing[cell(j, k)], f.spacing[cell(j, l)], f.spacing[cell(k, l)]});
            const double ij = f.incline[cell(i, j)], ik = f.incline[cell(i, k)], il = f.incline[cell(i, l)];
            const double a = std::min({diff(ij, ik), diff(ij, il), diff(ik, il),
                                       diff(f.incline[cell(j, k)], f.incline[cell(j, l)])});
            const bool farEnough = f.far[cell(i, j)] && f.far[cell(i, k)] && f.far[cell(i, l)] &&
                                   f.far[cell(j, k)] && f.far[cell(j, l)] && f.far[cell(k, l)];
            const auto at = static_cast<std::size_t>(m);
            spacingOf[at] = s;
            angleOf[at] = a;
            spacingAtAngle[at] = a >= a0 ? s : kNone;
            angleAtSpacing[at] = farEnough ? a : kNone;
            scaled[at] = std::min(s0 > 0.0 ? s / s0 : kAll, a0 > 0.0 ? a / a0 : kAll);
          }
          largestSpacing = std::max(largestSpacing, pairs.best(spacingOf));
          largestAngle = std::max(largestAngle, pairs.best(angleOf));
          if (s0 > 0.0) {
            lowerSpacing.offer(pairs.best(spacingAtAngle));
          }
          if (a0 > 0.0) {
            lowerAngle.offer(pairs.best(angleAtSpacing));
          }
          if (s0 > 0.0 || a0 > 0.0) {
            lowerBoth.offer(pairs.best(scaled));
          }
        }
      }
    }
  }
  reach.known = largestSpacing > kNone;
  reach.largestSpacing = std::max(0.0, largestSpacing);
  reach.largestAngle = std::max(0.0, largestAngle);

  std::vector<Candidate> candidates;
  if (lowerSpacing.any()) {
    const double sp = lowerSpacing.weakest();
    candidates.push_back({true, sp, a0, sp / s0, lowerSpacing.count(), false, true});
  }
  if (lowerAngle.any()) {
    const double a = lowerAngle.weakest();
    candidates.push_back({true, s0, a, a / a0, lowerAngle.count(), true, false});
  }
  if (lowerBoth.any()) {
    const double t = lowerBoth.weakest();
    // Both settings lowered: what is kept of each counts.
    const double kept = (s0 > 0.0 ? t : 1.0) * (a0 > 0.0 ? t : 1.0);
    candidates.push_back({true, t * s0, t * a0, kept, lowerBoth.count(), s0 <= 0.0, a0 <= 0.0});
  }
  const Candidate choice = choose(candidates, wanted);
  if (choice.present) {
    reach.suggested = true;
    reach.spacing = choice.keptSpacing ? s0 : choice.spacing;
    reach.angle = choice.keptAngle ? a0 : choice.angle;
    reach.keptSpacing = choice.keptSpacing;
    reach.keptAngle = choice.keptAngle;
    reach.quadruples = choice.count;
  }
  return reach;
}

} // namespace kavo
