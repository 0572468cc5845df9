#include "refine/series_problem.h"

#include "refine/dense_covariance.h"

#include <cstring>

#include "estimator/estimator.h"

#include <Eigen/Dense>
#include <ceres/ceres.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace kavo {
namespace {

// One point of one image: the model's image coordinates minus the measured ones, whitened.
struct PointCost {
  double sceneX;
  double sceneY;
  double x;
  double y;
  double listedShift; // direction × listed cumulative step
  double direction;   // +1 when the camera moves away along the list
  double inverseSigma;

  template <typename T>
  bool operator()(const T* focal, const T* principal, const T* distortion, const T* rotation,
                  const T* translation, const T* rail, const T* offset, T* residual) const {
    const T shift = T(listedShift) + T(direction) * offset[0];
    T p[3];
    targetPointInCamera(rotation, translation, rail, shift, sceneX, sceneY, p);
    if (!(p[2] > T(0))) {
      return false; // behind the camera: the solver must not go there
    }
    T out[2];
    projectCameraPoint(focal[0], principal, distortion, p, out);
    residual[0] = (out[0] - T(x)) * T(inverseSigma);
    residual[1] = (out[1] - T(y)) * T(inverseSigma);
    return true;
  }
};

// The step between two images drawn towards its listed length.
struct StepPriorCost {
  double inverseSigma;
  template <typename T> bool operator()(const T* before, const T* after, T* residual) const {
    residual[0] = (after[0] - before[0]) * T(inverseSigma);
    return true;
  }
};

class StopCallback final : public ceres::IterationCallback {
public:
  explicit StopCallback(const std::function<bool()>& check) : shouldStop(check) {}
  ceres::CallbackReturnType operator()(const ceres::IterationSummary&) override {
    if (shouldStop && shouldStop()) {
      stopped = true;
      return ceres::SOLVER_ABORT;
    }
    return ceres::SOLVER_CONTINUE;
  }
  bool stopped = false;

private:
  const std::function<bool()>& shouldStop;
};

// The problem of one stage with its own copies of the unknowns (the solver works on them in place).
struct Built {
  ceres::Problem problem;
  std::unique_ptr<ceres::LossFunction> loss;
  // Every unknown in one array, in a fixed order: the covariance orders the unknowns by their
  // addresses, and unknowns in separate allocations would be ordered differently from one run to the
  // next, changing the last digits of the intervals.
  std::vector<double> unknowns;
  double* focal = nullptr;       // 1
  double* principal = nullptr;   // 2
  double* distortion = nullptr;  // 2
  double* rotation = nullptr;    // 3
  double* translation = nullptr; // 3
  double* rail = nullptr;        // 2
  double* blocks = nullptr;      // distance offsets, shared by the images of one block
  std::size_t blockCount = 0;
  std::vector<int> blockOf; // per image
  std::vector<char> blockFree;

  void allocate(const std::vector<double>& offsets) {
    unknowns.assign(13 + offsets.size(), 0.0);
    focal = unknowns.data();
    principal = focal + 1;
    distortion = principal + 2;
    rotation = distortion + 2;
    translation = rotation + 3;
    rail = translation + 3;
    blocks = rail + 2;
    blockCount = offsets.size();
    std::copy(offsets.begin(), offsets.end(), blocks);
  }

  static ceres::Problem::Options options() {
    ceres::Problem::Options o;
    o.loss_function_ownership = ceres::DO_NOT_TAKE_OWNERSHIP;
    return o;
  }
  Built() : problem(options()) {}
};

std::unique_ptr<Built> build(const SeriesData& data, const std::vector<char>& used, const SeriesState& state,
                             const StageSettings& stage) {
  auto b = std::make_unique<Built>();
  const std::size_t n = data.images.size();
  std::vector<double> offsets;
  b->blockOf.assign(n, 0);
  if (stage.steps == StageSettings::Steps::FreeSuspect) {
    int block = 0;
    offsets.push_back(0.0);
    b->blockFree.push_back(0);
    for (std::size_t i = 1; i < n; ++i) {
      if (i - 1 < stage.freeStep.size() && stage.freeStep[i - 1] != 0) {
        ++block;
        offsets.push_back(state.offset[i]);
        b->blockFree.push_back(1);
      }
      b->blockOf[i] = block;
    }
  } else {
    const bool free = stage.steps != StageSettings::Steps::Listed;
    for (std::size_t i = 0; i < n; ++i) {
      offsets.push_back(i == 0 ? 0.0 : state.offset[i]);
      b->blockFree.push_back(free && i > 0 ? 1 : 0);
      b->blockOf[i] = static_cast<int>(i);
    }
  }
  b->allocate(offsets);
  *b->focal = state.camera.focal;
  for (int i = 0; i < 2; ++i) {
    b->principal[i] = state.camera.principal[i];
    b->distortion[i] = state.camera.distortion[i];
  }
  for (int i = 0; i < 3; ++i) {
    b->rotation[i] = state.pose.rotation[i];
    b->translation[i] = state.pose.translation[i];
  }
  b->rail[0] = state.pose.rail[0];
  b->rail[1] = state.pose.rail[1];

  switch (stage.loss) {
  case StageSettings::Loss::Plain:
    break;
  case StageSettings::Loss::Cauchy:
    b->loss = std::make_unique<ceres::CauchyLoss>(stage.lossScale);
    break;
  case StageSettings::Loss::Huber:
    b->loss = std::make_unique<ceres::HuberLoss>(stage.lossScale);
    break;
  }
  const double direction = state.movingAway ? 1.0 : -1.0;
  for (std::size_t i = 0; i < n; ++i) {
    if (used[i] == 0) {
      continue;
    }
    double* offset = &b->blocks[static_cast<std::size_t>(b->blockOf[i])];
    for (const Observation& o : data.images[i].points) {
      auto* cost = new ceres::AutoDiffCostFunction<PointCost, 2, 1, 2, 2, 3, 3, 2, 1>(
          new PointCost{o.sceneX, o.sceneY, o.x - o.correctionX, o.y - o.correctionY,
                        direction * data.cumulative[i], direction, 1.0 / stage.sigma});
      b->problem.AddResidualBlock(cost, b->loss.get(), b->focal, b->principal, b->distortion, b->rotation,
                                  b->translation, b->rail, offset);
    }
  }
  if (stage.steps == StageSettings::Steps::Prior && stage.stepPrior > 0.0) {
    for (std::size_t k = 0; k + 1 < n; ++k) {
      if (k < stage.freeStep.size() && stage.freeStep[k] != 0) {
        continue;
      }
      auto* cost =
          new ceres::AutoDiffCostFunction<StepPriorCost, 1, 1, 1>(new StepPriorCost{1.0 / stage.stepPrior});
      b->problem.AddResidualBlock(cost, nullptr, &b->blocks[k], &b->blocks[k + 1]);
    }
  }

  ceres::Problem& p = b->problem;
  if (stage.focalFixed) {
    p.SetParameterBlockConstant(b->focal);
  }
  if (stage.principalFixed) {
    p.SetParameterBlockConstant(b->principal);
  }
  if (stage.railFixed) {
    p.SetParameterBlockConstant(b->rail);
  }
  if (stage.k1Fixed && stage.k2Fixed) {
    p.SetParameterBlockConstant(b->distortion);
  } else if (stage.k1Fixed || stage.k2Fixed) {
    p.SetManifold(b->distortion, new ceres::SubsetManifold(2, {stage.k1Fixed ? 0 : 1}));
  }
  for (std::size_t k = 0; k < b->blockCount; ++k) {
    if (b->blockFree[k] == 0 && p.HasParameterBlock(&b->blocks[k])) {
      p.SetParameterBlockConstant(&b->blocks[k]);
    }
  }
  return b;
}

void readBack(const Built& b, SeriesState& state) {
  state.camera.focal = *b.focal;
  for (int i = 0; i < 2; ++i) {
    state.camera.principal[i] = b.principal[i];
    state.camera.distortion[i] = b.distortion[i];
  }
  for (int i = 0; i < 3; ++i) {
    state.pose.rotation[i] = b.rotation[i];
    state.pose.translation[i] = b.translation[i];
  }
  state.pose.rail[0] = b.rail[0];
  state.pose.rail[1] = b.rail[1];
  for (std::size_t i = 0; i < b.blockOf.size(); ++i) {
    state.offset[i] = b.blocks[static_cast<std::size_t>(b.blockOf[i])];
  }
}

bool isVariable(const ceres::Problem& p, const double* block) {
  return p.HasParameterBlock(block) && !p.IsParameterBlockConstant(block);
}

} // namespace

SeriesProblem::SeriesProblem(const SeriesData& series, std::vector<char> used)
    : data(series), imageUsed(std::move(used)) {}

int SeriesProblem::observationCount() const {
  int count = 0;
  for (std::size_t i = 0; i < data.images.size(); ++i) {
    if (imageUsed[i] != 0) {
      count += static_cast<int>(data.images[i].points.size());
    }
  }
  return count;
}

bool SeriesProblem::solve(SeriesState& state, const StageSettings& stage,
                          const std::function<bool()>& shouldStop) const {
  const auto b = build(data, imageUsed, state, stage);
  ceres::Solver::Options options;
  options.linear_solver_type = ceres::DENSE_QR;
  options.num_threads = 1;
  options.max_num_iterations = stage.maxIterations;
  options.function_tolerance = 1e-13;
  options.parameter_tolerance = 1e-12;
  options.gradient_tolerance = 1e-14;
  options.logging_type = ceres::SILENT;
  options.minimizer_progress_to_stdout = false;
  StopCallback stop(shouldStop);
  options.callbacks.push_back(&stop);
  ceres::Solver::Summary summary;
  ceres::Solve(options, &b->problem, &summary);
  if (stop.stopped) {
    throw RunAbandoned(AbandonReason::Cancelled, "the run was cancelled");
  }
  if (!summary.IsSolutionUsable() || !std::isfinite(*b->focal) || !(*b->focal > 0.0)) {
    return false;
  }
  readBack(*b, state);
  return true;
}

namespace {

bool sameDoubles(const double* a, const double* b, std::size_t n) {
  return std::memcmp(a, b, n * sizeof(double)) == 0;
}

} // namespace

bool sameBits(const SeriesState& a, const SeriesState& b) {
  return a.movingAway == b.movingAway && a.offset.size() == b.offset.size() &&
         sameDoubles(&a.camera.focal, &b.camera.focal, 1) &&
         sameDoubles(a.camera.principal, b.camera.principal, 2) &&
         sameDoubles(a.camera.distortion, b.camera.distortion, 2) &&
         sameDoubles(a.pose.rotation, b.pose.rotation, 3) &&
         sameDoubles(a.pose.translation, b.pose.translation, 3) && sameDoubles(a.pose.rail, b.pose.rail, 2) &&
         sameDoubles(a.offset.data(), b.offset.data(), a.offset.size());
}

bool sameBits(const StageSettings& a, const StageSettings& b) {
  return a.loss == b.loss && sameDoubles(&a.lossScale, &b.lossScale, 1) &&
         sameDoubles(&a.sigma, &b.sigma, 1) && a.focalFixed == b.focalFixed &&
         a.principalFixed == b.principalFixed && a.railFixed == b.railFixed && a.k1Fixed == b.k1Fixed &&
         a.k2Fixed == b.k2Fixed && a.steps == b.steps && a.freeStep == b.freeStep &&
         sameDoubles(&a.stepPrior, &b.stepPrior, 1) && a.maxIterations == b.maxIterations;
}

SeriesCovariance SeriesProblem::covariance(const SeriesState& state, const StageSettings& stage) const {
  for (const KeptCovariance& k : kept) {
    if (sameBits(k.state, state) && sameBits(k.stage, stage)) {
      return k.covariance;
    }
  }
  constexpr std::size_t kKept = 4;
  if (kept.size() == kKept) {
    kept.erase(kept.begin());
  }
  kept.push_back({state, stage, computeCovariance(state, stage)});
  return kept.back().covariance;
}

SeriesCovariance SeriesProblem::computeCovariance(const SeriesState& state,
                                                  const StageSettings& stage) const {
  SeriesCovariance out;
  out.step.assign(data.steps.size(), 0.0);
  const auto b = build(data, imageUsed, state, stage);
  ceres::Problem& p = b->problem;

  const bool focalFree = isVariable(p, b->focal);
  const bool principalFree = isVariable(p, b->principal);
  bool anyBlockFree = false;
  for (std::size_t k = 0; k < b->blockCount; ++k) {
    anyBlockFree = anyBlockFree || isVariable(p, &b->blocks[k]);
  }
  if (!focalFree && !principalFree && !anyBlockFree) {
    out.ok = true;
    return out;
  }
  // The unknowns in the order of Built: focal length, principal point, distortion, rotation,
  // translation, rail, then the distance blocks.
  std::vector<double*> unknowns{b->focal, b->principal, b->distortion, b->rotation, b->translation, b->rail};
  constexpr std::size_t kFirstBlock = 6;
  for (std::size_t k = 0; k < b->blockCount; ++k) {
    unknowns.push_back(&b->blocks[k]);
  }
  const DenseCovariance covariance(p, unknowns);
  if (!covariance.determined()) {
    return out;
  }
  out.focal = covariance.at(0, 0, 0, 0);
  out.principal[0] = covariance.at(1, 0, 1, 0);
  out.principal[1] = covariance.at(1, 0, 1, 1);
  out.principal[2] = covariance.at(1, 1, 1, 1);
  out.rail[0] = covariance.at(5, 0, 5, 0);
  out.rail[1] = covariance.at(5, 0, 5, 1);
  out.rail[2] = covariance.at(5, 1, 5, 1);
  // Covariance of two images' distance offsets (0 for a held block).
  const auto offsetCovariance = [&](std::size_t i, std::size_t j) {
    return covariance.at(kFirstBlock + static_cast<std::size_t>(b->blockOf[i]), 0,
                         kFirstBlock + static_cast<std::size_t>(b->blockOf[j]), 0);
  };
  const std::size_t k = data.steps.size();
  out.stepMatrix.assign(k * k, 0.0);
  for (std::size_t a = 0; a < k; ++a) {
    for (std::size_t c = a; c < k; ++c) {
      const double v = offsetCovariance(a + 1, c + 1) - offsetCovariance(a + 1, c) -
                       offsetCovariance(a, c + 1) + offsetCovariance(a, c);
      out.stepMatrix[a * k + c] = v;
      out.stepMatrix[c * k + a] = v;
    }
    out.step[a] = std::max(out.stepMatrix[a * k + a], 0.0);
  }
  out.ok = std::isfinite(out.focal) && out.focal >= 0.0;
  return out;
}

std::vector<std::vector<std::array<double, 2>>> SeriesProblem::residuals(const SeriesState& state) const {
  std::vector<std::vector<std::array<double, 2>>> all(data.images.size());
  const double direction = state.movingAway ? 1.0 : -1.0;
  for (std::size_t i = 0; i < data.images.size(); ++i) {
    if (imageUsed[i] == 0) {
      continue;
    }
    const double shift = direction * (data.cumulative[i] + state.offset[i]);
    for (const Observation& o : data.images[i].points) {
      double out[2];
      projectTargetPoint(state.camera.focal, state.camera.principal, state.camera.distortion,
                         state.pose.rotation, state.pose.translation, state.pose.rail, shift, o.sceneX,
                         o.sceneY, out);
      all[i].push_back({out[0] - (o.x - o.correctionX), out[1] - (o.y - o.correctionY)});
    }
  }
  return all;
}

double lossWeight(const StageSettings& stage, double r) {
  const double a = stage.lossScale;
  switch (stage.loss) {
  case StageSettings::Loss::Plain:
    return 1.0;
  case StageSettings::Loss::Cauchy:
    return 1.0 / (1.0 + r * r / (a * a));
  case StageSettings::Loss::Huber:
    return r <= a ? 1.0 : a / r;
  }
  return 1.0;
}

} // namespace kavo
