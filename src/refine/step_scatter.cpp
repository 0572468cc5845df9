#include "refine/step_scatter.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>

namespace kavo {

double chiSquare95(double nu) {
  // Wilson–Hilferty: (χ²/ν)^(1/3) is close to normal with mean 1 − 2/(9ν) and variance 2/(9ν).
  const double v = 2.0 / (9.0 * nu);
  const double c = 1.0 - v + 1.6448536269514722 * std::sqrt(v);
  return nu * c * c * c;
}

double StepScatter::quantile(double p) const {
  double cumulative = 0.0;
  for (std::size_t j = 0; j < grid.size(); ++j) {
    cumulative += weight[j];
    if (cumulative >= p) {
      return grid[j];
    }
  }
  return grid.empty() ? 0.0 : grid.back();
}

StepScatter stepScatter(const std::vector<double>& listed, const std::vector<double>& measured,
                        const std::vector<double>& covariance, const std::vector<char>& freeStep) {
  StepScatter out;
  const std::size_t k = listed.size();
  std::vector<std::size_t> judged;
  for (std::size_t i = 0; i < k; ++i) {
    if ((i >= freeStep.size() || freeStep[i] == 0) && covariance[i * k + i] > 0.0 && measured[i] != 0.0) {
      judged.push_back(i);
    }
  }
  out.steps = static_cast<int>(judged.size());
  if (judged.size() < 3) {
    return out; // with two steps the scale takes one and a single difference says little
  }
  const auto n = static_cast<Eigen::Index>(judged.size());
  Eigen::VectorXd m(n), l(n);
  Eigen::MatrixXd c(n, n);
  for (Eigen::Index a = 0; a < n; ++a) {
    const std::size_t i = judged[static_cast<std::size_t>(a)];
    m(a) = measured[i];
    l(a) = listed[i];
    for (Eigen::Index b = 0; b < n; ++b) {
      c(a, b) = covariance[i * k + judged[static_cast<std::size_t>(b)]];
    }
  }
  // The residuals after the one scale lie across the measured steps' direction; there their
  // covariance is the measurement's (neighbouring steps share an image, so their errors are
  // anticorrelated) plus tau² in every direction.
  const double scale = m.dot(l) / m.squaredNorm();
  const Eigen::VectorXd r = scale * m - l;
  const Eigen::VectorXd u = m.normalized();
  const Eigen::MatrixXd project = Eigen::MatrixXd::Identity(n, n) - u * u.transpose();
  const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eigen(project * (scale * scale * c) * project);
  std::vector<double> lambda;
  std::vector<double> along; // the residual's component along each direction
  for (Eigen::Index j = 0; j < n; ++j) {
    const Eigen::VectorXd v = eigen.eigenvectors().col(j);
    if (std::fabs(v.dot(u)) < 0.5) { // not the scale's direction
      lambda.push_back(std::max(eigen.eigenvalues()(j), 0.0));
      const double a = v.dot(r);
      along.push_back(a * a);
    }
  }
  const auto dof = static_cast<double>(lambda.size());
  double q = 0.0, squares = 0.0, noise = 0.0;
  const double largest = *std::max_element(lambda.begin(), lambda.end());
  for (std::size_t j = 0; j < lambda.size(); ++j) {
    squares += along[j];
    noise += lambda[j];
    if (lambda[j] > 1e-12 * largest) {
      q += along[j] / lambda[j];
    }
  }
  out.tau = std::sqrt(std::max(0.0, (squares - noise) / dof));
  out.significant = q > chiSquare95(dof);

  // What tau may be, on a grid wide enough for the tail: the likelihood
  // −½ Σ log(λ + τ²) + a² / (λ + τ²) with a prior 1 / (λ̄ + τ²) (step errors of the size of the
  // measurement's precision are as likely as none; much larger ones less and less).
  const double reach = 6.0 * std::sqrt(std::max(squares, noise) / dof) + 1e-12;
  constexpr int kGrid = 400;
  std::vector<double> logL;
  for (int g = 0; g < kGrid; ++g) {
    const double t = reach * (g + 0.5) / kGrid;
    double value = 0.0;
    for (std::size_t j = 0; j < lambda.size(); ++j) {
      const double v = lambda[j] + t * t;
      value -= 0.5 * (std::log(v) + along[j] / v);
    }
    value -= std::log(noise / dof + t * t); // the prior
    out.grid.push_back(t);
    logL.push_back(value);
  }
  const double top = *std::max_element(logL.begin(), logL.end());
  double total = 0.0;
  for (const double v : logL) {
    out.weight.push_back(std::exp(v - top));
    total += out.weight.back();
  }
  for (std::size_t g = 0; g < out.grid.size(); ++g) {
    out.weight[g] /= total;
    out.meanSquare += out.weight[g] * out.grid[g] * out.grid[g];
  }
  return out;
}

double mixtureHalfWidth95(const std::vector<double>& variance, const std::vector<double>& weight) {
  const auto coverage = [&](double h) {
    double p = 0.0;
    for (std::size_t j = 0; j < variance.size(); ++j) {
      p += weight[j] * (variance[j] > 0.0 ? std::erf(h / std::sqrt(2.0 * variance[j])) : 1.0);
    }
    return p;
  };
  double high = 0.0;
  for (const double v : variance) {
    high = std::max(high, std::sqrt(std::max(v, 0.0)));
  }
  high = 3.0 * high + 1e-300;
  double low = 0.0;
  for (int i = 0; i < 100; ++i) {
    const double mid = 0.5 * (low + high);
    (coverage(mid) < 0.95 ? low : high) = mid;
  }
  return high;
}

} // namespace kavo
