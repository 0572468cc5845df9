#pragma once
// How much the steps scatter beyond what the images measure: the steps not found suspect are taken
// as the listed ones plus independent errors of standard deviation tau, and the residuals of the
// measured steps after their one common scale tell what tau may be.
#include <vector>

namespace kavo {

struct StepScatter {
  int steps = 0;       // steps it comes from (at least 3 for any statement)
  bool stated = false; // taken from the stated step accuracy, not from the steps
  // The residuals' excess over the measurement (moment estimate); where the test below finds it
  // significant, the steps' own scatter beside errors of the images' distances (likelihood).
  double tau = 0.0;
  // The excess passes a χ² test at 95 %, and with four steps or more it also wants independent step
  // errors beside errors of each image's own distance (likelihood ratio at 95 %).
  bool significant = false;
  // What tau may be given the residuals: a grid with normalised weights.
  std::vector<double> grid;
  std::vector<double> weight;
  double meanSquare = 0.0; // posterior mean of tau²

  // The tau below which the posterior holds the fraction p.
  double quantile(double p) const;
};

// The error of an image's own distance, as a fraction of it, that its corners may leave beyond their
// noise: a scatter of the steps within what such errors explain is not said to be the steps'.
constexpr double kImageDistanceError = 3e-5;

// listed and measured steps with the measured ones' covariance (row-major); freeStep marks the steps
// found suspect, which take no part. distance: the camera's typical distance from the target (scene
// units), which sets how far the images' own errors reach (0: not known).
StepScatter stepScatter(const std::vector<double>& listed, const std::vector<double>& measured,
                        const std::vector<double>& covariance, const std::vector<char>& freeStep,
                        double distance = 0.0);

// Fewer steps than this cannot show how much they scatter: the residuals of three steps after their
// common scale have two degrees of freedom, and the scatter they allow reaches from nothing to several
// times its true size (see statedScatter).
constexpr int kStepsToMeasureScatter = 4;

// The scatter as the user states it: every step's error of standard deviation accuracy. No grid for
// an accuracy of 0 (steps exact).
StepScatter statedScatter(double accuracy);

// The 95 % point of the χ² distribution with nu degrees of freedom.
double chiSquare95(double nu);

// The two-sided 95 % half-width of a zero-mean mixture of normal distributions with the given
// variances and weights (normalised).
double mixtureHalfWidth95(const std::vector<double>& variance, const std::vector<double>& weight);

} // namespace kavo
