#include "refine/refine_series.h"

#include "refine/circle_centres.h"
#include "refine/refine_outcome.h"
#include "refine/refine_texts.h"
#include "refine/series_problem.h"
#include "refine/start_values.h"
#include "refine/step_check.h"

#include <algorithm>
#include <cmath>

namespace kavo {
namespace {

constexpr double kLossScale = 4.0; // whitened residual length beyond which a point is down-weighted

// Noise of one image coordinate from the residuals of the used images, robust to bad points: the
// median squared length of a 2-D Gaussian residual is 2·ln 2 σ².
double robustSigma(const std::vector<std::vector<std::array<double, 2>>>& residuals) {
  std::vector<double> squares;
  for (const auto& image : residuals) {
    for (const auto& r : image) {
      squares.push_back(r[0] * r[0] + r[1] * r[1]);
    }
  }
  if (squares.empty()) {
    return 1.0;
  }
  const auto mid = squares.begin() + static_cast<std::ptrdiff_t>(squares.size() / 2);
  std::nth_element(squares.begin(), mid, squares.end());
  return std::max(std::sqrt(*mid / (2.0 * std::log(2.0))), 1e-9);
}

int freeParameters(const StageSettings& stage) {
  int p = 6 + (stage.focalFixed ? 0 : 1) + (stage.principalFixed ? 0 : 2) + (stage.k1Fixed ? 0 : 1) +
          (stage.k2Fixed ? 0 : 1) + (stage.railFixed ? 0 : 2);
  for (const char f : stage.freeStep) {
    p += f != 0 ? 1 : 0;
  }
  return p;
}

// Noise of one coordinate from the points the loss keeps at full weight.
double inlierSigma(const std::vector<std::vector<std::array<double, 2>>>& residuals,
                   const StageSettings& stage, int parameters) {
  double squares = 0.0;
  int count = 0;
  for (const auto& image : residuals) {
    for (const auto& r : image) {
      const double length = std::hypot(r[0], r[1]);
      if (lossWeight(stage, length / stage.sigma) >= 1.0) {
        squares += length * length;
        ++count;
      }
    }
  }
  const int dof = 2 * count - parameters;
  return dof > 0 ? std::max(std::sqrt(squares / dof), 1e-9) : stage.sigma;
}

class Refiner {
public:
  Refiner(const RefineInput& in, const RefineHooks& h) : input(in), hooks(h), data(collectSeries(in)) {}

  RefinedResult run();

private:
  void progress(double fraction) const {
    if (hooks.progress) {
      hooks.progress(fraction);
    }
  }
  void checkStop() const {
    if (hooks.shouldStop && hooks.shouldStop()) {
      throw RunAbandoned(AbandonReason::Cancelled, "the run was cancelled");
    }
  }
  RefinedResult failed(std::string message) {
    result.ok = false;
    result.message = "Уточнение не выполнено: " + std::move(message) + ".";
    return result;
  }
  bool solve(const SeriesProblem& problem, SeriesState& state, const StageSettings& stage) const {
    return problem.solve(state, stage, hooks.shouldStop);
  }
  // Solves the robust stage again until the noise it is whitened with matches its inliers.
  bool settleNoise(const SeriesProblem& problem, SeriesState& state, StageSettings& stage) const;
  bool principalDetermined(const SeriesProblem& problem, const SeriesState& state,
                           const StageSettings& stage) const;
  void freeRailWhereDetermined(const SeriesProblem& problem, SeriesState& state, StageSettings& stage) const;
  // Circles: each found centre's shift from its model point follows the solution (k1 above all).
  bool followCircles(const SeriesProblem& problem, SeriesState& state, StageSettings& stage);
  void setCircleShifts(const SeriesState& state);
  bool findSuspectSteps(const SeriesProblem& problem, SeriesState& state, StageSettings& stage);
  StepMeasurement measureSteps(const SeriesProblem& problem, const SeriesState& state,
                               const StageSettings& stage) const;
  StepMeasurement measureStepsAnew(const SeriesProblem& problem, const SeriesState& state,
                                   const StageSettings& stage) const;

  struct KeptMeasurement {
    SeriesState state;
    StageSettings stage;
    StepMeasurement measurement;
  };
  mutable std::vector<KeptMeasurement> measured; // the latest last

  const RefineInput& input;
  const RefineHooks& hooks;
  SeriesData data;
  RefinedResult result;
  double fallbackPrincipal[2] = {0.0, 0.0};
};

bool Refiner::settleNoise(const SeriesProblem& problem, SeriesState& state, StageSettings& stage) const {
  for (int round = 0; round < 4; ++round) {
    if (!solve(problem, state, stage)) {
      return false;
    }
    const double sigma = inlierSigma(problem.residuals(state), stage, freeParameters(stage));
    const double ratio = sigma / stage.sigma;
    stage.sigma = sigma;
    if (ratio > 0.9 && ratio < 1.1) {
      break;
    }
  }
  return true;
}

bool Refiner::principalDetermined(const SeriesProblem& problem, const SeriesState& state,
                                  const StageSettings& stage) const {
  const SeriesCovariance c = problem.covariance(state, stage);
  if (!c.ok) {
    return false;
  }
  const double a = c.principal[0], b = c.principal[1], d = c.principal[2];
  const double largest = 0.5 * (a + d) + std::sqrt(0.25 * (a - d) * (a - d) + b * b);
  const double w = input.settings.imageWidth;
  const double h = input.settings.imageHeight;
  const double limit = std::max(5.0, 0.02 * std::hypot(w, h));
  const bool inside = (w <= 0.0 || std::fabs(state.camera.principal[0]) <= 0.5 * w) &&
                      (h <= 0.0 || std::fabs(state.camera.principal[1] * input.verticalScale) <= 0.5 * h);
  return std::sqrt(std::max(largest, 0.0)) <= limit && inside;
}

void Refiner::freeRailWhereDetermined(const SeriesProblem& problem, SeriesState& state,
                                      StageSettings& stage) const {
  // A camera travelling off its axis shifts a square-on target's image as a principal point off the
  // centre would: only with the principal point free, and a target tilted enough to tell the two
  // apart, is the direction determined.
  if (stage.principalFixed) {
    return;
  }
  StageSettings free = stage;
  free.railFixed = false;
  if (!(railStandardError(problem.covariance(state, free)) <= kRailDeterminedDegrees)) {
    return;
  }
  SeriesState trial = state;
  if (!settleNoise(problem, trial, free) ||
      !(railStandardError(problem.covariance(trial, free)) <= kRailDeterminedDegrees)) {
    return;
  }
  state = trial;
  stage = free;
}

void Refiner::setCircleShifts(const SeriesState& state) {
  const double direction = state.movingAway ? 1.0 : -1.0;
  for (std::size_t i = 0; i < data.images.size(); ++i) {
    const double shift = direction * (data.cumulative[i] + state.offset[i]);
    for (Observation& o : data.images[i].points) {
      const auto s =
          circleCentreShift(state.camera, state.pose, shift, o.sceneX, o.sceneY, input.circleRadius);
      o.correctionX = s[0];
      o.correctionY = s[1];
    }
  }
}

bool Refiner::followCircles(const SeriesProblem& problem, SeriesState& state, StageSettings& stage) {
  if (!(input.circleRadius > 0.0)) {
    return true;
  }
  // The shifts move the solution by a small part of themselves: twice is enough.
  for (int round = 0; round < 2; ++round) {
    setCircleShifts(state);
    problem.forget();
    measured.clear();
    if (!settleNoise(problem, state, stage)) {
      return false;
    }
  }
  return true;
}

StepMeasurement Refiner::measureSteps(const SeriesProblem& problem, const SeriesState& state,
                                      const StageSettings& stage) const {
  // The last round of the search for suspect steps measures them exactly as the result does next.
  for (const KeptMeasurement& k : measured) {
    if (sameBits(k.state, state) && sameBits(k.stage, stage)) {
      return k.measurement;
    }
  }
  StepMeasurement m = measureStepsAnew(problem, state, stage);
  if (measured.size() == 2) {
    measured.erase(measured.begin());
  }
  measured.push_back({state, stage, m});
  return m;
}

StepMeasurement Refiner::measureStepsAnew(const SeriesProblem& problem, const SeriesState& state,
                                          const StageSettings& stage) const {
  StepMeasurement m;
  m.state = state;
  StageSettings measure = stage;
  measure.focalFixed = true;
  measure.steps = StageSettings::Steps::AllFree;
  if (!solve(problem, m.state, measure)) {
    m.state = state;
  }
  const SeriesCovariance c = problem.covariance(m.state, measure);
  for (std::size_t k = 0; k < data.steps.size(); ++k) {
    m.measured.push_back(data.steps[k] + m.state.offset[k + 1] - m.state.offset[k]);
    m.standardError.push_back(c.ok ? std::sqrt(c.step[k]) : 0.0);
  }
  m.covariance = c.ok ? c.stepMatrix : std::vector<double>(data.steps.size() * data.steps.size(), 0.0);
  return m;
}

bool Refiner::findSuspectSteps(const SeriesProblem& problem, SeriesState& state, StageSettings& stage) {
  const std::size_t k = data.steps.size();
  stage.freeStep.assign(k, 0);
  // One step at a time: a wrong step pulls the focal length, and with it every other measured step.
  for (std::size_t round = 0; round < k; ++round) {
    checkStop();
    const StepMeasurement m = measureSteps(problem, state, stage);
    const StepAnalysis a = analyseSteps(data.steps, m.measured, m.standardError, stage.freeStep);
    std::size_t freed = 0;
    for (const char f : stage.freeStep) {
      freed += f != 0 ? 1 : 0;
    }
    if (a.worst < 0 || 2 * (freed + 1) > k) {
      break;
    }
    stage.freeStep[static_cast<std::size_t>(a.worst)] = 1;
    stage.steps = StageSettings::Steps::FreeSuspect;
    if (!settleNoise(problem, state, stage)) {
      return false;
    }
  }
  return true;
}

RefinedResult Refiner::run() {
  progress(0.0);
  const std::size_t n = data.images.size();
  if (n < 2) {
    return failed("для уточнения нужны хотя бы два изображения");
  }
  for (const double s : data.steps) {
    if (!std::isfinite(s)) {
      return failed("шаг камеры в списке не является числом");
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    ImageFit fit;
    fit.image = static_cast<int>(i) + 1;
    fit.cumulativeStep = data.cumulative[i];
    result.images.push_back(fit);
  }
  for (std::size_t k = 0; k < data.steps.size(); ++k) {
    result.steps.push_back({static_cast<int>(k) + 1, data.steps[k], 0.0, 0.0, false});
  }
  const double k =
      input.verticalScale != 0.0 && std::isfinite(input.verticalScale) ? input.verticalScale : 1.0;
  if (input.hasPrincipalPoint) {
    fallbackPrincipal[0] = input.principalPointX - input.imageCentreX;
    fallbackPrincipal[1] = (input.imageCentreY - input.principalPointY) / k;
  }
  const double imageSize = std::max(input.settings.imageWidth, input.settings.imageHeight);
  const StartValues start = closedFormStart(data, fallbackPrincipal, imageSize);
  if (!start.ok) {
    return failed(start.problem);
  }
  std::vector<char> used = start.imageUsable;
  for (std::size_t i = 0; i < n; ++i) {
    if (used[i] == 0) {
      result.warnings.push_back("Изображение " + std::to_string(i + 1) + " не участвует в уточнении: " +
                                (data.images[i].points.size() < 4
                                     ? "на нём меньше четырёх точек"
                                     : "по его точкам положение мишени не находится"));
    }
  }
  const SeriesProblem problem(data, used);
  if (2 * problem.observationCount() < 11 + 2 * static_cast<int>(n) + 8) {
    return failed("слишком мало точек");
  }
  SeriesState state;
  state.camera = start.camera;
  state.pose = start.pose;
  state.movingAway = start.movingAway;
  state.offset.assign(n, 0.0);
  checkStop();
  progress(0.1);

  // A soft loss first: the start leaves distortion out, so the corners may be off by tens of pixels.
  StageSettings stage;
  stage.loss = StageSettings::Loss::Cauchy;
  stage.sigma = 1.0;
  stage.lossScale = std::max(3.0 * robustSigma(problem.residuals(state)), 1e-6);
  stage.freeStep.assign(data.steps.size(), 0);
  if (!solve(problem, state, stage)) {
    return failed("решатель не нашёл решения");
  }
  stage.loss = StageSettings::Loss::Huber;
  stage.lossScale = kLossScale;
  stage.sigma = robustSigma(problem.residuals(state));
  if (!settleNoise(problem, state, stage) || !followCircles(problem, state, stage)) {
    return failed("решатель не нашёл решения");
  }
  checkStop();
  progress(0.3);

  // What the series cannot determine is held: the principal point first, then the distortion.
  if (!principalDetermined(problem, state, stage)) {
    stage.principalFixed = true;
    result.principalPointFixed = true;
    state.camera.principal[0] = fallbackPrincipal[0];
    state.camera.principal[1] = fallbackPrincipal[1];
    result.warnings.push_back(
        input.hasPrincipalPoint
            ? "Главная точка по этой серии не определяется: взята из файла камеры"
            : "Главная точка по этой серии не определяется: принята в центре изображения");
    if (!settleNoise(problem, state, stage)) {
      return failed("решатель не нашёл решения");
    }
  }
  for (const bool k2Only : {true, false}) {
    if (problem.covariance(state, stage).ok) {
      break;
    }
    stage.k2Fixed = true;
    stage.k1Fixed = !k2Only;
    state.camera.distortion[1] = 0.0;
    if (!k2Only) {
      state.camera.distortion[0] = 0.0;
    }
    result.distortionFixed = true;
    if (!settleNoise(problem, state, stage)) {
      return failed("решатель не нашёл решения");
    }
  }
  if (!problem.covariance(state, stage).ok) {
    return failed("серия не определяет фокусное расстояние");
  }
  if (result.distortionFixed) {
    result.warnings.push_back("Дисторсия по этой серии не определяется: принята равной нулю");
  }
  freeRailWhereDetermined(problem, state, stage);
  if (!followCircles(problem, state, stage)) {
    return failed("решатель не нашёл решения");
  }
  checkStop();
  progress(0.45);

  if (!findSuspectSteps(problem, state, stage)) {
    return failed("решатель не нашёл решения");
  }
  checkStop();
  progress(0.7);
  return finishRefinedResult(problem, state, stage, input, hooks, result,
                             [this](const SeriesProblem& p, const SeriesState& s, const StageSettings& st) {
                               return measureSteps(p, s, st);
                             });
}

} // namespace

RefinedResult refineSeries(const RefineInput& input, const RefineHooks& hooks) {
  Refiner refiner(input, hooks);
  return refiner.run();
}

} // namespace kavo
