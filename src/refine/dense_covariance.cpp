#include "refine/dense_covariance.h"

#include <ceres/crs_matrix.h>

#include <cmath>

namespace kavo {

DenseCovariance::DenseCovariance(ceres::Problem& problem, const std::vector<double*>& blocks) {
  firstColumn.assign(blocks.size(), -1);
  ceres::Problem::EvaluateOptions options;
  std::vector<int> columnOf; // per column of the evaluated Jacobian: its free column, or −1
  int free = 0;
  for (std::size_t x = 0; x < blocks.size(); ++x) {
    double* block = blocks[x];
    if (!problem.HasParameterBlock(block)) {
      continue;
    }
    options.parameter_blocks.push_back(block);
    const int size = problem.ParameterBlockTangentSize(block);
    const bool variable = !problem.IsParameterBlockConstant(block);
    if (variable) {
      firstColumn[x] = free;
    }
    for (int c = 0; c < size; ++c) {
      columnOf.push_back(variable ? free++ : -1);
    }
  }
  if (free == 0) {
    return;
  }
  ceres::CRSMatrix crs;
  if (!problem.Evaluate(options, nullptr, nullptr, nullptr, &crs) ||
      crs.num_cols != static_cast<int>(columnOf.size())) {
    return;
  }
  Eigen::MatrixXd jacobian = Eigen::MatrixXd::Zero(crs.num_rows, free);
  for (int r = 0; r < crs.num_rows; ++r) {
    for (int k = crs.rows[static_cast<std::size_t>(r)]; k < crs.rows[static_cast<std::size_t>(r) + 1]; ++k) {
      const int column = columnOf[static_cast<std::size_t>(crs.cols[static_cast<std::size_t>(k)])];
      if (column >= 0) {
        jacobian(r, column) = crs.values[static_cast<std::size_t>(k)];
      }
    }
  }
  if (!jacobian.allFinite() || jacobian.rows() < free) {
    return;
  }
  const Eigen::HouseholderQR<Eigen::MatrixXd> qr(jacobian);
  const Eigen::MatrixXd r = qr.matrixQR().topRows(free).triangularView<Eigen::Upper>();
  // A column of the Jacobian has the length of the same column of R: the scaled R's singular values
  // are the scaled Jacobian's.
  Eigen::MatrixXd scaled = r;
  for (Eigen::Index c = 0; c < free; ++c) {
    const double length = jacobian.col(c).norm();
    if (!(length > 0.0)) {
      return;
    }
    scaled.col(c) /= length;
  }
  const Eigen::VectorXd singular = Eigen::JacobiSVD<Eigen::MatrixXd>(scaled).singularValues();
  if (!(singular(free - 1) > 1e-7 * singular(0))) {
    return;
  }
  const Eigen::MatrixXd inverse =
      r.triangularView<Eigen::Upper>().solve(Eigen::MatrixXd::Identity(free, free));
  covariance = inverse * inverse.transpose();
  ok = covariance.allFinite();
}

double DenseCovariance::at(std::size_t x, int a, std::size_t y, int b) const {
  if (!ok || firstColumn[x] < 0 || firstColumn[y] < 0) {
    return 0.0;
  }
  return covariance(firstColumn[x] + a, firstColumn[y] + b);
}

} // namespace kavo
