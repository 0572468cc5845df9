#include "refine/refine_outcome.h"

#include "refine/refine_texts.h"
#include "refine/step_check.h"
#include "refine/step_scatter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace kavo {
namespace {

constexpr double kTiltWarningDegrees = 1.0;
// A rail this far off the viewing axis is reported, when it also stands out of its own precision (3
// standard errors). Below it the travel along the axis falls short of the listed steps by less than
// 1 − cos 1° = 0.015 %, under the precision of a good series (0.02 to 0.05 %), so a square-on series,
// the one the classic method is made for, would not feel it; what a rail adds to the classic value's
// shift under a tilted target is in the tilt warning's percentage already (the corrected estimate's
// model travels along the rail found). The refined result models it at any angle.
constexpr double kRailWarningDegrees = 1.0;
constexpr double kLargestRelativeError = 0.05;

double rootMeanSquare(const std::vector<double>& v) {
  double squares = 0.0;
  for (const double x : v) {
    squares += x * x;
  }
  return v.empty() ? 0.0 : std::sqrt(squares / static_cast<double>(v.size()));
}

// Piecewise linear in t² through the nodes (t ascending), straight on beyond the last two.
double interpolateInSquare(const std::vector<double>& t, const std::vector<double>& v, double x) {
  const double x2 = x * x;
  std::size_t i = 1;
  while (i + 1 < t.size() && t[i] * t[i] < x2) {
    ++i;
  }
  const double a = t[i - 1] * t[i - 1];
  const double b = t[i] * t[i];
  return std::max(v[0], v[i - 1] + (v[i] - v[i - 1]) * (x2 - a) / (b - a));
}

// Fills the per-image and per-point parts of the result from the final solution.
void describeImages(const SeriesProblem& problem, const SeriesState& solved, const SeriesState& measured,
                    const StageSettings& stage, RefinedResult& result) {
  const SeriesData& data = problem.series();
  const auto residuals = problem.residuals(solved);
  double total = 0.0;
  int totalCount = 0;
  double worstRms = -1.0;
  const double direction = solved.movingAway ? 1.0 : -1.0;
  SeriesState listed = solved;
  std::fill(listed.offset.begin(), listed.offset.end(), 0.0);
  const double firstDistance = axisDistance(listed, data, 0);
  for (std::size_t i = 0; i < data.images.size(); ++i) {
    ImageFit& fit = result.images[i];
    fit.fittedDistance = firstDistance + direction * data.cumulative[i];
    fit.used = problem.used()[i] != 0;
    if (!fit.used) {
      continue;
    }
    fit.measuredDistance = axisDistance(measured, data, i);
    double squares = 0.0;
    for (std::size_t j = 0; j < residuals[i].size(); ++j) {
      const auto& r = residuals[i][j];
      const double length2 = r[0] * r[0] + r[1] * r[1];
      squares += length2;
      const double weight = lossWeight(stage, std::sqrt(length2) / stage.sigma);
      if (weight < 1.0) {
        result.downWeighted.push_back(
            {static_cast<int>(i) + 1, data.images[i].points[j].point + 1, r[0], r[1], weight});
      }
    }
    fit.points = static_cast<int>(residuals[i].size());
    fit.rms = fit.points > 0 ? std::sqrt(squares / fit.points) : 0.0;
    total += squares;
    totalCount += fit.points;
    if (fit.rms > worstRms) {
      worstRms = fit.rms;
      result.worstImage = static_cast<int>(i) + 1;
    }
  }
  result.reprojectionRms = totalCount > 0 ? std::sqrt(total / totalCount) : 0.0;
  if (result.worstImage > 0) {
    const auto w = static_cast<std::size_t>(result.worstImage - 1);
    for (std::size_t j = 0; j < residuals[w].size(); ++j) {
      const auto& r = residuals[w][j];
      result.worstImageResiduals.push_back({result.worstImage, data.images[w].points[j].point + 1, r[0], r[1],
                                            lossWeight(stage, std::hypot(r[0], r[1]) / stage.sigma)});
    }
  }
}

void addWarnings(const RefineInput& input, RefinedResult& result) {
  const char sep = input.decimalSeparator;
  if (result.tiltDegrees > kTiltWarningDegrees) {
    result.tiltWarning = static_cast<int>(result.warnings.size());
    result.warnings.push_back("Мишень наклонена на " + decimalText(result.tiltDegrees, 1, sep) +
                              "° к оси съёмки: классический результат смещён");
  }
  const double rail = std::hypot(result.railDegrees[0], result.railDegrees[1]);
  if (result.railFree && rail > kRailWarningDegrees && rail > 3.0 * result.railStandardError) {
    result.warnings.push_back(
        "Камера движется не вдоль своей оси: ход отклонён от оси на " + decimalText(rail, 1, sep) +
        "° (вправо " + signedDecimalText(result.railDegrees[0], 1, sep) + "°, вниз " +
        signedDecimalText(result.railDegrees[1], 1, sep) +
        "°); уточнённый результат и классическая оценка с поправкой это учитывают, само "
        "классическое значение — нет");
  }
  if (result.stepAccuracyStated) {
    result.warnings.push_back("Шагов слишком мало (" + std::to_string(result.steps.size()) +
                              "), чтобы снимки показали их разброс: интервалы опираются на заявленную "
                              "точность шага " +
                              decimalText(result.stepAccuracy, 3, sep) +
                              " мм (настройка «Точность шага камеры»); проверить её по снимкам нельзя");
  }
  for (const StepCheck& s : result.steps) {
    if (s.suspect) {
      result.warnings.push_back("Шаг после изображения " + std::to_string(s.after) + " по снимкам " +
                                decimalText(s.measured, 2, sep) + " мм, а в списке " +
                                decimalText(s.stated, 2, sep) + " мм");
    }
  }
  // Scatter beyond the steps' own precision: the list's steps are not quite what the camera did.
  if (result.stepScatterSignificant && result.stepScatter > 0.0) {
    result.warnings.push_back("Шаги камеры не согласуются со снимками: разброс около " +
                              decimalText(result.stepScatter, 2, sep) + " мм; интервалы его учитывают");
  }
  if (!result.downWeighted.empty()) {
    result.warnings.push_back("Уточнение ослабило вес " + std::to_string(result.downWeighted.size()) +
                              " точек с большими отклонениями");
  }
}

} // namespace

double railStandardError(const SeriesCovariance& c) {
  if (!c.ok) {
    return std::numeric_limits<double>::infinity();
  }
  const double a = c.rail[0], b = c.rail[1], d = c.rail[2];
  const double largest = 0.5 * (a + d) + std::sqrt(0.25 * (a - d) * (a - d) + b * b);
  // The slopes' errors are the angles' near the axis.
  return std::sqrt(std::max(largest, 0.0)) * 180.0 / std::numbers::pi;
}

double axisDistance(const SeriesState& state, const SeriesData& data, std::size_t i) {
  double m[9];
  rotationMatrix(state.pose.rotation, m);
  const double direction = state.movingAway ? 1.0 : -1.0;
  const double along =
      direction * (data.cumulative[i] + state.offset[i]) /
      std::sqrt(1.0 + state.pose.rail[0] * state.pose.rail[0] + state.pose.rail[1] * state.pose.rail[1]);
  const double t[3] = {state.pose.translation[0] + along * state.pose.rail[0],
                       state.pose.translation[1] + along * state.pose.rail[1],
                       state.pose.translation[2] + along};
  const double normal[3] = {m[2], m[5], m[8]};
  return (normal[0] * t[0] + normal[1] * t[1] + normal[2] * t[2]) / normal[2];
}

RefinedResult finishRefinedResult(const SeriesProblem& problem, const SeriesState& state,
                                  const StageSettings& stage, const RefineInput& input,
                                  const RefineHooks& hooks, RefinedResult result,
                                  const StepMeasurer& measure) {
  const SeriesData& data = problem.series();
  const StepMeasurement first = measure(problem, state, stage);
  double distance = 0.0;
  int distances = 0;
  for (std::size_t i = 0; i < data.images.size(); ++i) {
    if (problem.used()[i] != 0) {
      distance += std::fabs(axisDistance(first.state, data, i));
      ++distances;
    }
  }
  StepScatter scatter = stepScatter(data.steps, first.measured, first.covariance, stage.freeStep,
                                    distances > 0 ? distance / distances : 0.0);
  if (scatter.steps < kStepsToMeasureScatter) {
    scatter = statedScatter(input.stepAccuracy);
  }
  // The steps not found suspect are drawn towards the list with the scatter the data allow.
  SeriesState solved = state;
  StageSettings prior = stage;
  prior.steps = StageSettings::Steps::Prior;
  const double typicalError = rootMeanSquare(first.standardError);
  const double tauPoint = std::sqrt(scatter.meanSquare);
  if (tauPoint > 1e-3 * typicalError && tauPoint > 0.0) {
    prior.stepPrior = tauPoint;
    if (!problem.solve(solved, prior, hooks.shouldStop)) {
      solved = state;
    }
  }
  if (hooks.progress) {
    hooks.progress(0.8);
  }
  // The focal length's variance from the points' noise, and how it grows with the steps' scatter,
  // at a few points of what the scatter may be; between them linear in tau².
  const SeriesCovariance noise = problem.covariance(solved, stage);
  if (!noise.ok) {
    result.ok = false;
    result.message = "Уточнение не выполнено: серия не определяет фокусное расстояние.";
    return result;
  }
  std::vector<double> nodeTau{0.0};
  std::vector<double> nodeVariance{noise.focal};
  if (!scatter.grid.empty()) {
    for (const double p : {0.25, 0.5, 0.75, 0.95, 0.999}) {
      const double t = scatter.quantile(p);
      if (t > 1e-3 * typicalError && t > nodeTau.back() * 1.05) {
        prior.stepPrior = t;
        const SeriesCovariance c = problem.covariance(solved, prior);
        if (c.ok) {
          nodeTau.push_back(t);
          nodeVariance.push_back(std::max(c.focal, noise.focal));
        }
      }
    }
  }
  std::vector<double> variance{noise.focal};
  std::vector<double> weight{1.0};
  double meanVariance = noise.focal;
  if (nodeTau.size() > 1) {
    variance.clear();
    meanVariance = 0.0;
    for (const double t : scatter.grid) {
      variance.push_back(interpolateInSquare(nodeTau, nodeVariance, t));
    }
    weight = scatter.weight;
    for (std::size_t j = 0; j < variance.size(); ++j) {
      meanVariance += weight[j] * variance[j];
    }
  }
  const double half = mixtureHalfWidth95(variance, weight);
  // A focal length known to no better than this is no result: say so rather than print a number.
  if (!(std::sqrt(meanVariance) <= kLargestRelativeError * solved.camera.focal)) {
    result.ok = false;
    result.message =
        "Уточнение не выполнено: серия определяет фокусное расстояние лишь с точностью около " +
        decimalText(100.0 * std::sqrt(meanVariance) / solved.camera.focal, 0, input.decimalSeparator) + " %.";
    return result;
  }

  result.ok = true;
  result.message.clear();
  result.focal = solved.camera.focal;
  result.standardError = std::sqrt(meanVariance);
  result.formalError = std::sqrt(noise.focal);
  result.intervalLow = result.focal - half;
  result.intervalHigh = result.focal + half;
  result.stepScatter = scatter.tau;
  result.stepScatterSignificant = scatter.significant;
  result.stepScatterGrid = scatter.grid;
  result.stepScatterWeight = scatter.weight;
  result.stepAccuracyStated = scatter.stated;
  result.stepAccuracy = scatter.stated ? input.stepAccuracy : 0.0;
  result.noiseSigma = stage.sigma;
  result.railFree = !stage.railFixed;
  if (result.railFree) {
    double degrees[2];
    railDegrees(solved.pose, degrees);
    result.railDegrees[0] = degrees[0];
    result.railDegrees[1] = -degrees[1]; // the image's y grows downwards
    result.railStandardError = railStandardError(noise);
  }
  result.camera = solved.camera;
  result.pose = solved.pose;
  result.movingAway = solved.movingAway;
  result.k1 = solved.camera.distortion[0];
  result.k2 = solved.camera.distortion[1];
  result.tiltDegrees = tiltDegrees(solved.pose);
  const double k =
      input.verticalScale != 0.0 && std::isfinite(input.verticalScale) ? input.verticalScale : 1.0;
  result.principalPointX = input.imageCentreX + solved.camera.principal[0];
  result.principalPointY = input.imageCentreY - k * solved.camera.principal[1];
  const double direction = solved.movingAway ? 1.0 : -1.0;
  for (std::size_t i = 0; i < data.images.size(); ++i) {
    result.depthShift.push_back(direction * (data.cumulative[i] + solved.offset[i]));
  }

  // The steps as the images measure them with the solved focal length.
  const StepMeasurement last = measure(problem, solved, stage);
  const StepAnalysis analysis = analyseSteps(data.steps, last.measured, last.standardError, stage.freeStep);
  for (std::size_t s = 0; s < data.steps.size(); ++s) {
    StepCheck& check = result.steps[s];
    check.measured = last.measured[s];
    check.standardError = last.standardError[s];
    check.suspect = (s < stage.freeStep.size() && stage.freeStep[s] != 0) ||
                    stepIsSuspect(analysis, last.standardError, s);
  }
  describeImages(problem, solved, last.state, stage, result);
  addWarnings(input, result);
  if (hooks.progress) {
    hooks.progress(1.0);
  }
  return result;
}

} // namespace kavo
