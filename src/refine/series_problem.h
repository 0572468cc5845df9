#pragma once
// The least-squares problem of the refined fit: every point of every image against the camera
// model, with the target's pose at the first image and each later camera moved along its own axis.
#include "refine/series_data.h"

#include <array>
#include <functional>
#include <vector>

namespace kavo {

// The unknowns.
struct SeriesState {
  CameraParameters camera;
  TargetPose pose;
  bool movingAway = true;
  // Per image: how far its camera stands from where the listed steps put it, along the axis
  // (scene units; 0 for the first image). The step after image k is then
  // listed + offset[k + 1] − offset[k].
  std::vector<double> offset;
};

// Which unknowns a stage solves for, and how the points are weighted.
struct StageSettings {
  enum class Loss { Plain, Cauchy, Huber };
  enum class Steps {
    Listed,      // every step held as it stands
    FreeSuspect, // the steps marked in freeStep free, the others held
    AllFree,     // every camera's distance free (with the focal length held, the steps measured)
    Prior,       // every step free, those not in freeStep drawn towards the list with σ stepPrior
  };
  Loss loss = Loss::Huber;
  double lossScale = 4.0; // of the whitened residual's length
  double sigma = 1.0;     // noise of one coordinate, pixels: residuals are divided by it
  bool focalFixed = false;
  bool principalFixed = false;
  bool railFixed = true; // the camera moves along its viewing axis
  bool k1Fixed = false;
  bool k2Fixed = false;
  Steps steps = Steps::Listed;
  std::vector<char> freeStep; // per step
  double stepPrior = 0.0;
  int maxIterations = 200;
};

struct SeriesCovariance {
  bool ok = false;
  double focal = 0.0;                    // variance
  double principal[3] = {0.0, 0.0, 0.0}; // xx, xy, yy
  double rail[3] = {0.0, 0.0, 0.0};      // of the rail's slopes: aa, ab, bb
  std::vector<double> step;              // per step: variance of the measured step (0 when held)
  std::vector<double> stepMatrix;        // covariance of the measured steps, row-major
};

class SeriesProblem {
public:
  SeriesProblem(const SeriesData& data, std::vector<char> imageUsed);

  // Solves the stage starting from state, which receives the solution. false when the solver found
  // no usable solution. A true shouldStop ends it with RunAbandoned(Cancelled).
  bool solve(SeriesState& state, const StageSettings& stage, const std::function<bool()>& shouldStop) const;

  // Covariance of the free unknowns at state, from the stage's weighted residuals (so in units of
  // the stage's sigma). The fit asks for the same one more than once (a check, then the result it
  // checked): the last few are kept and given again without computing them anew.
  SeriesCovariance covariance(const SeriesState& state, const StageSettings& stage) const;

  // Model minus measured, per image and point (empty for images not used).
  std::vector<std::vector<std::array<double, 2>>> residuals(const SeriesState& state) const;

  const SeriesData& series() const { return data; }
  // The series' points have changed (the circles' shifts): the covariances kept are forgotten.
  void forget() const { kept.clear(); }
  const std::vector<char>& used() const { return imageUsed; }
  int observationCount() const;

private:
  struct KeptCovariance {
    SeriesState state;
    StageSettings stage;
    SeriesCovariance covariance;
  };
  SeriesCovariance computeCovariance(const SeriesState& state, const StageSettings& stage) const;

  const SeriesData& data;
  std::vector<char> imageUsed;
  mutable std::vector<KeptCovariance> kept; // the latest last
};

// The same unknowns, bit for bit: a computation from them gives the same result again.
bool sameBits(const SeriesState& a, const SeriesState& b);
bool sameBits(const StageSettings& a, const StageSettings& b);

// The weight a loss gives a whitened residual of length r.
double lossWeight(const StageSettings& stage, double r);

} // namespace kavo
