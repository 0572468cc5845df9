#pragma once
// The covariance of a least-squares problem's free unknowns at their current values, (JᵀJ)⁻¹ from a
// Householder QR factorisation of the Jacobian J. Inside the refined fit only: it takes a Ceres
// problem.
#include <Eigen/Dense>
#include <ceres/problem.h>

#include <vector>

namespace kavo {

class DenseCovariance {
public:
  // The unknowns are the given parameter blocks, in that order (blocks the problem does not hold and
  // blocks held constant take no part).
  DenseCovariance(ceres::Problem& problem, const std::vector<double*>& blocks);

  // Whether the free unknowns are determined at all: the smallest singular value of the Jacobian with
  // its columns scaled to unit length (so units do not matter) is above 1e-7 of the largest. The
  // covariance exists only then.
  bool determined() const { return ok; }

  // Covariance of coordinate a of block x with coordinate b of block y (indices into the blocks
  // given); 0 when either block is held.
  double at(std::size_t x, int a, std::size_t y, int b) const;

private:
  bool ok = false;
  std::vector<int> firstColumn; // per block: its first free column, −1 when it takes no part
  Eigen::MatrixXd covariance;
};

} // namespace kavo
