#include "refine/classic_interval.h"

#include "refine/circle_centres.h"
#include "refine/refine_texts.h"
#include "refine/step_scatter.h"
#include "refine/synthetic_geometry.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace kavo {
namespace {

// Noisy replicates of the model for the classic shift. While the classic run is small each is a
// whole classic computation on the model's points. A large one would cost a whole classic run a
// replicate: its replicates take a sample of the quadruples instead, about kManyValues values each,
// clipped in the band the classic run clipped its own values in (a sample's own band would be
// narrower than the whole run's: the few extreme values that widen it are mostly missed).
constexpr int kReplicates = 4;
constexpr std::int64_t kManyValues = 2000000;
constexpr std::uint64_t kReplicateSeed = 20261210;

void checkStop(const RefineHooks& hooks) {
  if (hooks.shouldStop && hooks.shouldStop()) {
    throw RunAbandoned(AbandonReason::Cancelled, "the run was cancelled");
  }
}

// The classic reduction of one value list: the numbers before and after one clipping pass, with
// the kept values' sums per image pair when wanted.
ClassicReduction clip(const FocalValues& values, double k, const RefineHooks& hooks, bool withPairs) {
  ClassicReduction c;
  c.unclipped = unclippedStatistics(values, hooks.shouldStop);
  c.clipped = clippedStatistics(values, c.unclipped, k, hooks.shouldStop, withPairs ? &c.pairs : nullptr);
  return c;
}

// The mean after one clipping pass, without the deviations that pass goes on to.
double clippedMeanOf(const FocalValues& values, double k, const RefineHooks& hooks) {
  return clippedMean(values, unclippedStatistics(values, hooks.shouldStop), k, hooks.shouldStop);
}

// The pairs that kept a value, in the order of their images.
std::vector<PairSums> pairSums(const PairSumsTable& table) {
  const auto n = static_cast<std::size_t>(table.images);
  std::vector<PairSums> out;
  for (std::size_t i = 0; i < table.sum.size(); ++i) {
    if (table.count[i] > 0) {
      out.push_back({static_cast<int>(i / n), static_cast<int>(i % n), table.sum[i], table.count[i]});
    }
  }
  return out;
}

// Variance of the mean over the pairs when each image in turn is left out, and the number of
// images that take part. Negative when some image cannot be left out (it is in every pair).
double imageJackknifeVariance(const std::vector<PairSums>& pairs, const std::vector<int>& images) {
  const auto g = static_cast<double>(images.size());
  std::vector<double> means;
  for (const int m : images) {
    double sum = 0.0;
    double count = 0.0;
    for (const PairSums& p : pairs) {
      if (p.base != m && p.partner != m) {
        sum += p.sum;
        count += static_cast<double>(p.count);
      }
    }
    if (count == 0.0) {
      return -1.0;
    }
    means.push_back(sum / count);
  }
  double average = 0.0;
  for (const double v : means) {
    average += v;
  }
  average /= g;
  double squares = 0.0;
  for (const double v : means) {
    squares += (v - average) * (v - average);
  }
  return (g - 1.0) / g * squares;
}

// Infinitesimal jackknife: the mean's derivative with respect to the weight of each image (a pair
// weighs the product of its two images' weights), squared and summed.
double imageInfluenceVariance(const std::vector<PairSums>& pairs, const std::vector<int>& images) {
  double total = 0.0;
  double sum = 0.0;
  for (const PairSums& p : pairs) {
    total += static_cast<double>(p.count);
    sum += p.sum;
  }
  const double mean = sum / total;
  double variance = 0.0;
  for (const int m : images) {
    double d = 0.0;
    for (const PairSums& p : pairs) {
      if (p.base == m || p.partner == m) {
        d += p.sum - mean * static_cast<double>(p.count);
      }
    }
    d /= total;
    variance += d * d;
  }
  return variance;
}

// Each pair's values scale with the listed over the true distance between its two images: the
// sums as they would be with the steps the refined fit measured.
std::vector<PairSums> withMeasuredSteps(std::vector<PairSums> pairs, const RefinedResult& refined) {
  for (PairSums& p : pairs) {
    double listed = 0.0;
    double measured = 0.0;
    for (int k = p.base; k < p.partner; ++k) {
      listed += refined.steps[static_cast<std::size_t>(k)].stated;
      measured += refined.steps[static_cast<std::size_t>(k)].measured;
    }
    if (listed > 0.0 && measured > 0.0) {
      p.sum *= measured / listed;
    }
  }
  return pairs;
}

// Variance of the mean from independent step errors of standard deviation tau: each pair's values
// scale with listed over true distance, so a step's error moves every pair it lies within.
double stepVariance(const std::vector<PairSums>& pairs, const std::vector<double>& steps, double tau) {
  double total = 0.0;
  for (const PairSums& p : pairs) {
    total += static_cast<double>(p.count);
  }
  std::vector<double> c(steps.size(), 0.0);
  for (const PairSums& p : pairs) {
    double span = 0.0;
    for (int k = p.base; k < p.partner; ++k) {
      span += steps[static_cast<std::size_t>(k)];
    }
    if (span == 0.0) {
      continue;
    }
    const double share = p.sum / total / span; // (n_p / N) × pair mean / listed distance
    for (int k = p.base; k < p.partner; ++k) {
      c[static_cast<std::size_t>(k)] += share;
    }
  }
  double squares = 0.0;
  for (const double v : c) {
    squares += v * v;
  }
  return tau * tau * squares;
}

} // namespace

EstimatorInput modelPoints(const RefineInput& input, const RefinedResult& refined, double noise,
                           std::uint64_t seed) {
  Gaussian gaussian(seed);
  EstimatorInput model;
  model.scene = input.points.scene;
  const double direction = refined.movingAway ? 1.0 : -1.0;
  double listed = 0.0;
  double wrong = 0.0; // how far the steps found suspect put the camera from the listed position
  for (std::size_t i = 0; i < input.points.images.size(); ++i) {
    if (i > 0) {
      const StepCheck& s = refined.steps[i - 1];
      listed += s.stated;
      if (s.suspect) {
        wrong += s.measured - s.stated;
      }
    }
    const double shift = direction * (listed + wrong);
    std::vector<Point2> pts;
    const std::size_t n = std::min(input.points.images[i].size(), model.scene.size());
    for (std::size_t j = 0; j < n; ++j) {
      double p[2];
      projectTargetPoint(refined.camera.focal, refined.camera.principal, refined.camera.distortion,
                         refined.pose.rotation, refined.pose.translation, refined.pose.rail, shift,
                         model.scene[j].x, model.scene[j].y, p);
      if (input.circleRadius > 0.0) {
        // Where the circle finder puts the centre, as the classic run reads it.
        const auto s = circleCentreShift(refined.camera, refined.pose, shift, model.scene[j].x,
                                         model.scene[j].y, input.circleRadius);
        p[0] += s[0];
        p[1] += s[1];
      }
      if (noise > 0.0) {
        p[0] += noise * gaussian.next();
        p[1] += noise * gaussian.next();
      }
      pts.push_back({p[0], p[1]});
    }
    model.images.push_back(std::move(pts));
  }
  return model;
}

ClassicUncertainty classicInterval(const RefineInput& input, const RefinedResult* refined,
                                   const RefineHooks& hooks, const FocalValues* classicValues,
                                   const ClassicReduction* reduction) {
  ClassicUncertainty u;
  const double k = input.settings.clipSigmaCount;
  // Each classic run reports its outer steps as a share of its slice of the progress.
  const int outerSteps = std::max(1, static_cast<int>(input.points.scene.size()) - 3);
  const auto runHooks = [&](double from, double to) {
    EnumerationHooks h;
    h.shouldStop = hooks.shouldStop;
    if (hooks.progress) {
      auto done = std::make_shared<int>(0);
      h.stepProgress = [&hooks, done, from, to, outerSteps] {
        hooks.progress(from + (to - from) * std::min(1.0, static_cast<double>(++*done) / outerSteps));
      };
    }
    return h;
  };
  FocalValues own;
  const FocalValues* values = classicValues;
  ClassicReduction classic;
  try {
    if (values == nullptr) {
      own = enumerateFocalValues(input.points, input.settings, runHooks(0.0, 0.35));
      values = &own;
      reduction = nullptr;
    }
    if (values->empty()) {
      u.message = "классических значений нет";
      return u;
    }
    classic = reduction != nullptr ? *reduction : clip(*values, k, hooks, true);
  } catch (const RunAbandoned& e) {
    if (e.reason == AbandonReason::Cancelled) {
      throw;
    }
    u.message = "классический счёт не дал результата";
    return u;
  }
  if (hooks.progress) {
    hooks.progress(0.4);
  }
  u.mean = classic.clipped.mean;
  u.valueCount = values->size();
  if (!(u.mean > 0.0) || !std::isfinite(u.mean)) {
    u.message = "классическое значение не положительно";
    return u;
  }
  u.pairs = pairSums(classic.pairs);
  own = FocalValues();
  if (u.pairs.empty()) {
    u.message = "значения классического счёта не несут пар изображений";
    return u;
  }

  const int imageCount = static_cast<int>(input.points.images.size());
  std::vector<char> used(static_cast<std::size_t>(imageCount), 0);
  for (const PairSums& p : u.pairs) {
    used[static_cast<std::size_t>(p.base)] = 1;
    used[static_cast<std::size_t>(p.partner)] = 1;
  }
  std::vector<int> images;
  for (int i = 0; i < imageCount; ++i) {
    if (used[static_cast<std::size_t>(i)] != 0) {
      images.push_back(i);
    } else {
      u.unusedImages.push_back(i + 1);
    }
  }
  u.imagesUsed = static_cast<int>(images.size());
  // The images' part: the pairs' sums with each step as the refined fit measured it (the steps'
  // own scatter enters below, once), and the mean of the delete-one and the infinitesimal jackknife,
  // whose errors for a mean over image pairs are about equal and opposite.
  const bool withModel = refined != nullptr && refined->ok;
  const std::vector<PairSums> corrected = withModel ? withMeasuredSteps(u.pairs, *refined) : u.pairs;
  double jackknife = images.size() >= 3 ? imageJackknifeVariance(corrected, images) : -1.0;
  if (jackknife >= 0.0) {
    jackknife = 0.5 * (jackknife + imageInfluenceVariance(corrected, images));
  }
  if (jackknife < 0.0) {
    u.message = "классические значения дают меньше трёх изображений: разброс по изображениям не оценить";
    return u;
  }
  u.imageError = std::sqrt(jackknife);
  checkStop(hooks);

  std::vector<std::string> parts{"jackknife over images"};
  // The steps' scatter as the refined fit allows it: the mean's variance is stepVariance × tau², and
  // the interval averages over what tau may be.
  double stepHalf = 0.0;
  if (withModel && !refined->stepScatterGrid.empty()) {
    std::vector<double> steps;
    for (const StepCheck& s : refined->steps) {
      steps.push_back(s.stated);
    }
    const double perTau2 = stepVariance(u.pairs, steps, 1.0);
    std::vector<double> variance;
    double mean = 0.0;
    for (std::size_t j = 0; j < refined->stepScatterGrid.size(); ++j) {
      const double t = refined->stepScatterGrid[j];
      variance.push_back(perTau2 * t * t);
      mean += refined->stepScatterWeight[j] * variance.back();
    }
    u.stepError = std::sqrt(mean);
    stepHalf = mixtureHalfWidth95(variance, refined->stepScatterWeight);
    parts.push_back("step scatter");
  }
  // The shift of the classic formula for this geometry and this noise: the classic computation on
  // the refined model's points with noise of the measured size, a few times when that is cheap.
  int replicates = 0;
  if (withModel) {
    const int wanted = kReplicates;
    const bool sampled = u.valueCount > kManyValues;
    double sum = 0.0;
    EstimatorSettings settings = input.settings;
    settings.processingMode = 1;
    if (sampled) {
      settings.quadrupleSample = static_cast<int>((u.valueCount + kManyValues - 1) / kManyValues);
    }
    for (int r = 0; r < wanted; ++r) {
      try {
        const FocalValues modelValues = enumerateFocalValues(
            modelPoints(input, *refined, refined->noiseSigma, kReplicateSeed + static_cast<std::uint64_t>(r)),
            settings, runHooks(0.4 + 0.5 * r / wanted, 0.4 + 0.5 * (r + 1) / wanted));
        if (!modelValues.empty()) {
          sum += sampled ? clippedMean(modelValues, classic.unclipped, k, hooks.shouldStop)
                         : clippedMeanOf(modelValues, k, hooks);
          ++replicates;
        }
      } catch (const RunAbandoned& e) {
        if (e.reason == AbandonReason::Cancelled) {
          throw;
        }
      }
    }
    if (replicates > 0) {
      u.bias = sum / replicates - refined->focal;
      u.biasKnown = std::isfinite(u.bias);
      u.replicates = replicates;
    }
  }
  if (!u.biasKnown) {
    u.bias = 0.0;
  }
  if (hooks.progress) {
    hooks.progress(0.9);
  }

  // The images' part has the jackknife's few degrees of freedom; the two half-widths add as
  // independent errors do.
  u.degreesOfFreedom = static_cast<double>(images.size()) - 1.0;
  const double t = studentQuantile95(u.degreesOfFreedom);
  // The classic value's own interval: about the mean itself, for the images' noise and the steps'
  // scatter that another series of this geometry would have afresh.
  const double valueHalf = std::hypot(t * u.imageError, stepHalf);
  u.standardError = std::hypot(u.imageError, u.stepError);
  u.intervalLow = std::max(0.0, u.mean - valueHalf);
  u.intervalHigh = u.mean + valueHalf;
  u.method.clear();
  for (std::size_t i = 0; i < parts.size(); ++i) {
    u.method += (i == 0 ? "" : "; ") + parts[i];
  }
  if (u.biasKnown) {
    // The corrected estimate: the shift predicted from a few noisy replicates carries their scatter,
    // about the images' part over the number of replicates.
    const double imageError = u.imageError * std::sqrt(1.0 + 1.0 / replicates);
    const double half = std::hypot(t * imageError, stepHalf);
    ClassicCorrected& c = u.corrected;
    c.available = true;
    c.shift = u.bias;
    c.focal = u.mean - u.bias;
    c.standardError = std::hypot(imageError, u.stepError);
    c.intervalLow = std::max(0.0, c.focal - half);
    c.intervalHigh = c.focal + half;
    c.method = u.method + "; less the shift of the classic formula the refined model predicts with its noise";
  }
  u.available = true;
  if (hooks.progress) {
    hooks.progress(1.0);
  }
  return u;
}

} // namespace kavo
