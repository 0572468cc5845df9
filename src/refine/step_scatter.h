#pragma once
// How much the steps scatter beyond what the images measure: the steps not found suspect are taken
// as the listed ones plus independent errors of standard deviation tau, and the residuals of the
// measured steps after their one common scale tell what tau may be.
#include <vector>

namespace kavo {

struct StepScatter {
  int steps = 0;            // steps it comes from (at least 3 for any statement)
  double tau = 0.0;         // moment estimate: the residuals' excess over the measurement
  bool significant = false; // the excess passes a χ² test at 95 %
  // What tau may be given the residuals: a grid with normalised weights.
  std::vector<double> grid;
  std::vector<double> weight;
  double meanSquare = 0.0; // posterior mean of tau²

  // The tau below which the posterior holds the fraction p.
  double quantile(double p) const;
};

// listed and measured steps with the measured ones' covariance (row-major); freeStep marks the steps
// found suspect, which take no part.
StepScatter stepScatter(const std::vector<double>& listed, const std::vector<double>& measured,
                        const std::vector<double>& covariance, const std::vector<char>& freeStep);

// The 95 % point of the χ² distribution with nu degrees of freedom.
double chiSquare95(double nu);

// The two-sided 95 % half-width of a zero-mean mixture of normal distributions with the given
// variances and weights (normalised).
double mixtureHalfWidth95(const std::vector<double>& variance, const std::vector<double>& weight);

} // namespace kavo
