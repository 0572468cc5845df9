#pragma once
#include "app/run_result.h"

#include <string>
#include <vector>

namespace kavo {

// The refined fit's radial distortion (k1, k2 about the fitted principal point) as a correction
// table, so that a classic run whose camera file names it works on undistorted points.
//
// The table corrects x from the measured x alone and y from the measured y alone, while radial
// distortion moves a point's x by an amount that depends on its y as well: the table can only
// approximate the undoing. It holds one range over the image and beyond, whose polynomials are
//   x' = x + fx · Σ a_j · ((x − cx) / fx)^j,   y' = y + fy · Σ b_j · ((y − cy) / fy)^j,   j = 3, 5, 7, 9,
// (cx, cy) the principal point, fx, fy the focal length in pixels along each axis, written out in
// powers of the measured coordinate. Holding the linear term at 1 keeps the scale at the principal
// point, so the correction never rescales the focal length. What the classic result reads from a
// quadruple is how large the image of the target is, so the terms first match how much the exact
// undoing enlarges a small patch everywhere in the image (the divergence of the displacement); then
// one factor scales them all so that the classic computation on the refined model's points, distorted
// as fitted and corrected by the table, gives what it gives on the model's undistorted points. The
// factor depends on where the target lies in the photos, as the series shows it.
struct FittedCorrection {
  std::vector<std::string> lines; // the table; empty when refused
  std::string refusal;
  // The factor the terms were scaled by (1 when the classic computation could not be run on the
  // model), and the classic means of the model's points behind it: distorted as fitted, then also
  // corrected by the table, and without distortion (0 when not run).
  double scale = 1.0;
  double modelClassicDistorted = 0.0;
  double modelClassicCorrected = 0.0;
  double modelClassicUndistorted = 0.0;
  // The largest distance over the image between the table's correction and the exact undoing,
  // pixels, and the same of the distortion left uncorrected.
  double largestResidual = 0.0;
  double largestDistortion = 0.0;
};
FittedCorrection correctionFromFit(const RunResult& result);

} // namespace kavo
