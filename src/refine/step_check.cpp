#include "refine/step_check.h"

#include <algorithm>
#include <cmath>

namespace kavo {
namespace {

// Beyond 3 standard errors a step is reported suspect; beyond 5 it is plainly wrong, and the fit
// lets it go free instead of drawing it towards the list (a step of ordinary scatter that happens to
// lie 3 standard errors off must stay among the others, or their scatter comes out too small).
constexpr double kSuspectLimit = 3.0;
constexpr double kWrongLimit = 5.0;
// An error-free series of many steps has, by chance alone, some step beyond 3 standard errors (one
// series in ten of 40 images): the limit grows with the number of steps judged so that an error-free
// series shows a suspect step at most about once in a hundred, and it never falls below 3.
constexpr double kSeriesFalseAlarm = 0.01;
// Fewer steps than this give no robust spread: each step is judged by its own precision alone.
constexpr std::size_t kStepsForSpread = 4;

double median(std::vector<double> v) {
  if (v.empty()) {
    return 0.0;
  }
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// The two-sided normal limit z with erfc(z / √2) = chance, by bisection.
double normalLimit(double chance) {
  double low = 0.0;
  double high = 40.0;
  for (int i = 0; i < 100; ++i) {
    const double mid = 0.5 * (low + high);
    (std::erfc(mid / std::sqrt(2.0)) > chance ? low : high) = mid;
  }
  return 0.5 * (low + high);
}

} // namespace

double suspectLimit(int judgedSteps) {
  if (judgedSteps <= 1) {
    return kSuspectLimit;
  }
  const double perStep = -std::expm1(std::log1p(-kSeriesFalseAlarm) / judgedSteps);
  return std::max(kSuspectLimit, normalLimit(perStep));
}

StepAnalysis analyseSteps(const std::vector<double>& listed, const std::vector<double>& measured,
                          const std::vector<double>& standardError, const std::vector<char>& freeStep) {
  StepAnalysis a;
  const std::size_t k = listed.size();
  a.residual.assign(k, 0.0);
  std::vector<std::size_t> judged; // steps that are neither free nor held
  for (std::size_t i = 0; i < k; ++i) {
    if ((i >= freeStep.size() || freeStep[i] == 0) && standardError[i] > 0.0 && measured[i] != 0.0) {
      judged.push_back(i);
    }
  }
  a.consistentSteps = static_cast<int>(judged.size());
  if (judged.empty()) {
    return a;
  }
  // The measured steps carry the scale of the focal length they were measured with; a robust fit
  // of that one scale (Huber weights at 2 standard errors) keeps a wrong step from moving it. Each
  // step's error is its precision together with the scatter the typical step shows beyond it.
  std::vector<double> weight(k, 1.0);
  for (int iteration = 0; iteration < 30; ++iteration) {
    double smm = 0.0, sml = 0.0;
    for (const std::size_t i : judged) {
      smm += weight[i] * measured[i] * measured[i];
      sml += weight[i] * measured[i] * listed[i];
    }
    a.scale = smm > 0.0 ? sml / smm : 1.0;
    std::vector<double> sizes;
    std::vector<double> variances;
    for (const std::size_t i : judged) {
      a.residual[i] = a.scale * measured[i] - listed[i];
      sizes.push_back(std::fabs(a.residual[i]));
      variances.push_back(standardError[i] * standardError[i]);
    }
    if (judged.size() >= kStepsForSpread) {
      const double typical = 1.4826 * median(sizes);
      a.spread = std::sqrt(std::max(0.0, typical * typical - median(variances)));
    }
    for (const std::size_t i : judged) {
      const double z = std::fabs(a.residual[i]) / std::hypot(standardError[i], a.spread);
      weight[i] = z <= 2.0 ? 1.0 : 2.0 / z;
    }
  }
  for (std::size_t i = 0; i < k; ++i) {
    if (std::find(judged.begin(), judged.end(), i) == judged.end()) {
      a.residual[i] = a.scale * measured[i] - listed[i];
    }
  }
  // A step is judged only when enough others stand beside it to tell which one is wrong.
  if (judged.size() >= 3) {
    double worstRatio = 0.0;
    for (const std::size_t i : judged) {
      const double z = std::fabs(a.residual[i]) / std::hypot(standardError[i], a.spread);
      if (z > kWrongLimit && z > worstRatio) {
        worstRatio = z;
        a.worst = static_cast<int>(i);
      }
    }
  }
  return a;
}

bool stepIsSuspect(const StepAnalysis& analysis, const std::vector<double>& standardError, std::size_t k) {
  if (analysis.consistentSteps < 3 || !(standardError[k] > 0.0)) {
    return false;
  }
  return std::fabs(analysis.residual[k]) >
         suspectLimit(analysis.consistentSteps) * std::hypot(standardError[k], analysis.spread);
}

} // namespace kavo
