#include "refine/step_scatter.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <limits>

namespace kavo {
namespace {

// The residuals' log-likelihood with the measurement's covariance a, the steps' own errors of
// variance t (independent from step to step) and errors of variance e in each image's distance
// (shared by the two steps on either side of it: covariance e·n).
double logLikelihood(const Eigen::MatrixXd& a, const Eigen::MatrixXd& n, const Eigen::VectorXd& r, double t,
                     double e) {
  Eigen::MatrixXd v = a + e * n;
  v.diagonal().array() += t;
  const Eigen::LLT<Eigen::MatrixXd> llt(v);
  if (llt.info() != Eigen::Success) {
    return -std::numeric_limits<double>::infinity();
  }
  const Eigen::MatrixXd l = llt.matrixL();
  return -l.diagonal().array().log().sum() - 0.5 * r.dot(llt.solve(r));
}

struct VarianceFit {
  double logL = -std::numeric_limits<double>::infinity();
  double t = 0.0;
  double e = 0.0;
};

// The largest likelihood over t ≥ 0 (or t = 0 alone) and e ≥ 0: a grid in the logarithm, then a finer
// one about its best point.
VarianceFit bestFit(const Eigen::MatrixXd& a, const Eigen::MatrixXd& n, const Eigen::VectorXd& r, bool withT,
                    double low, double high) {
  constexpr int kCoarse = 24;
  const double ratio = std::pow(high / low, 1.0 / (kCoarse - 1));
  const auto node = [&](int k) { return k == 0 ? 0.0 : low * std::pow(ratio, k - 1); };
  VarianceFit best;
  int bestT = 0, bestE = 0;
  for (int i = 0; i < (withT ? kCoarse + 1 : 1); ++i) {
    for (int j = 0; j < kCoarse + 1; ++j) {
      const double value = logLikelihood(a, n, r, node(i), node(j));
      if (value > best.logL) {
        best = {value, node(i), node(j)};
        bestT = i;
        bestE = j;
      }
    }
  }
  // Between the neighbouring nodes of the best one, eight times finer.
  constexpr int kFine = 8;
  const auto around = [&](int k, int f) {
    const double from = node(std::max(k - 1, 0)), to = node(k + 1);
    return from + (to - from) * f / (2.0 * kFine);
  };
  for (int i = 0; i <= (withT ? 2 * kFine : 0); ++i) {
    for (int j = 0; j <= 2 * kFine; ++j) {
      const double t = withT ? around(bestT, i) : 0.0, e = around(bestE, j);
      const double value = logLikelihood(a, n, r, t, e);
      if (value > best.logL) {
        best = {value, t, e};
      }
    }
  }
  return best;
}

} // namespace

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

StepScatter statedScatter(double accuracy) {
  StepScatter out;
  out.stated = true;
  if (accuracy > 0.0 && std::isfinite(accuracy)) {
    out.grid = {accuracy};
    out.weight = {1.0};
    out.meanSquare = accuracy * accuracy;
  }
  return out;
}

StepScatter stepScatter(const std::vector<double>& listed, const std::vector<double>& measured,
                        const std::vector<double>& covariance, const std::vector<char>& freeStep,
                        double distance) {
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
  if (out.significant && n >= 4) {
    // The images may measure their own distances worse than their points' noise says: a corner bias
    // that each image repeats in its own way (a target tilted, sampled by the pixels afresh at every
    // distance) moves each image's distance by its own error. That error enters the two steps on
    // either side of the image with opposite signs, while an error of the camera's travel enters one
    // step only: the steps are said to scatter only when the residuals want independent step errors
    // beside such image errors (a likelihood-ratio test, 95 % on the boundary).
    const Eigen::HouseholderQR<Eigen::MatrixXd> qr(u);
    const Eigen::MatrixXd across = Eigen::MatrixXd(qr.householderQ()).rightCols(n - 1);
    Eigen::MatrixXd shared = Eigen::MatrixXd::Zero(n, n);
    for (Eigen::Index a = 0; a < n; ++a) {
      for (Eigen::Index b = 0; b < n; ++b) {
        const auto i = static_cast<long>(judged[static_cast<std::size_t>(a)]);
        const auto j = static_cast<long>(judged[static_cast<std::size_t>(b)]);
        shared(a, b) = i == j ? 2.0 : (std::labs(i - j) == 1 ? -1.0 : 0.0);
      }
    }
    const Eigen::MatrixXd measurement = across.transpose() * (scale * scale * c) * across;
    const Eigen::MatrixXd image = across.transpose() * shared * across;
    const Eigen::VectorXd seen = across.transpose() * r;
    const double typical = std::max(noise, squares) / dof + 1e-300;
    const double low = 1e-4 * std::min(noise / dof, squares / dof) + 1e-300;
    const double high = 100.0 * typical;
    const VarianceFit without = bestFit(measurement, image, seen, false, low, high);
    const VarianceFit with = bestFit(measurement, image, seen, true, low, high);
    // Half the time no step error at all is best: the statistic then is 0, otherwise χ² with one
    // degree of freedom, whose 90 % point makes the test's 95 %.
    const bool stepLike = 2.0 * (with.logL - without.logL) > 2.705543454095404;
    // Image errors that large are more than a corner finder leaves: rendered series of a target
    // tilted 0 to 12°, exact steps, show each image's distance off by 1.2 to 1.6·10⁻⁵ of it beyond the
    // points' noise (steps then scatter by √2 times that); twice the most is taken as their limit.
    const double imageLimit = std::sqrt(2.0) * kImageDistanceError * distance;
    out.significant = stepLike || out.tau > imageLimit;
    if (stepLike) {
      out.tau = std::sqrt(with.t);
    }
  }

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
