#include "plane_fit_plots.h"

#include <Eigen/Dense>

#include <cmath>

namespace kavo::testing {
namespace {

using Eigen::Matrix3d;
using Eigen::Vector3d;

// Moves points to their centroid and scales them to a mean distance of √2 from it.
Matrix3d normaliser(const std::vector<Point2>& points) {
  double cx = 0, cy = 0;
  for (const Point2& p : points) {
    cx += p.x;
    cy += p.y;
  }
  cx /= static_cast<double>(points.size());
  cy /= static_cast<double>(points.size());
  double spread = 0;
  for (const Point2& p : points) {
    spread += std::hypot(p.x - cx, p.y - cy);
  }
  const double s = std::sqrt(2.0) * static_cast<double>(points.size()) / spread;
  Matrix3d t;
  t << s, 0, -s * cx, 0, s, -s * cy, 0, 0, 1;
  return t;
}

Point2 apply(const Matrix3d& h, Point2 p) {
  const Vector3d q = h * Vector3d(p.x, p.y, 1.0);
  return {q.x() / q.z(), q.y() / q.z()};
}

// The transform from target to image that best fits all point pairs.
Matrix3d fitTransform(const std::vector<Point2>& target, const std::vector<Point2>& image) {
  const Matrix3d ta = normaliser(target);
  const Matrix3d tb = normaliser(image);
  const std::size_t n = std::min(target.size(), image.size());
  Eigen::MatrixXd a(2 * n, 9);
  for (std::size_t i = 0; i < n; ++i) {
    const Point2 p = apply(ta, target[i]);
    const Point2 q = apply(tb, image[i]);
    const auto r = static_cast<Eigen::Index>(2 * i);
    a.row(r) << p.x, p.y, 1, 0, 0, 0, -q.x * p.x, -q.x * p.y, -q.x;
    a.row(r + 1) << 0, 0, 0, p.x, p.y, 1, -q.y * p.x, -q.y * p.y, -q.y;
  }
  const Eigen::JacobiSVD<Eigen::MatrixXd> svd(a, Eigen::ComputeFullV);
  const Eigen::VectorXd h = svd.matrixV().col(8);
  Matrix3d hn;
  hn << h(0), h(1), h(2), h(3), h(4), h(5), h(6), h(7), h(8);
  return tb.inverse() * hn * ta;
}

struct Line {
  double a = 0, b = 0;
};

Line fitLine(const std::vector<double>& x, const std::vector<double>& y, std::size_t skip) {
  double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (i != skip) {
      n += 1;
      sx += x[i];
      sy += y[i];
      sxx += x[i] * x[i];
      sxy += x[i] * y[i];
    }
  }
  const double b = (n * sxy - sx * sy) / (n * sxx - sx * sx);
  return {(sy - b * sx) / n, b};
}

} // namespace

void addPlaneFitPlots(ReportInput& in, const LoadedSeries& series) {
  const std::vector<Point2>& target = series.points.scene;
  const std::size_t images = series.points.images.size();
  std::vector<double> cumulative(images, 0.0), length(images, 0.0);
  double worstRms = -1;
  for (std::size_t k = 0; k < images; ++k) {
    const std::vector<Point2>& measured = series.points.images[k];
    const Matrix3d h = fitTransform(target, measured);
    double squares = 0;
    ReportResiduals residuals{static_cast<int>(k + 1), 0.0, "пикс", false, {}};
    for (std::size_t i = 0; i < std::min(target.size(), measured.size()); ++i) {
      const Point2 model = apply(h, target[i]);
      const double dx = measured[i].x - model.x;
      const double dy = measured[i].y - model.y;
      squares += dx * dx + dy * dy;
      residuals.points.push_back({measured[i].x, measured[i].y, dx, dy, false});
    }
    residuals.rms = std::sqrt(squares / static_cast<double>(residuals.points.size()));
    in.imageRms.push_back({static_cast<int>(k + 1), residuals.rms});
    if (residuals.rms > worstRms) {
      worstRms = residuals.rms;
      in.worstImage = residuals;
    }
    // The test segments from the image centre along both axes, measured on the target.
    const Matrix3d back = h.inverse();
    const Point2 o = apply(back, {0, 0});
    const Point2 ex = apply(back, {250, 0});
    const Point2 ey = apply(back, {0, 250});
    length[k] = (std::hypot(ex.x - o.x, ex.y - o.y) + std::hypot(ey.x - o.x, ey.y - o.y)) / 2;
    cumulative[k] = k == 0 ? 0.0 : cumulative[k - 1] + series.steps[k - 1];
  }

  const Line all = fitLine(cumulative, length, images);
  for (std::size_t k = 0; k < images; ++k) {
    const double fitted = all.a + all.b * cumulative[k];
    bool suspect = false;
    if (images >= 5) {
      const Line others = fitLine(cumulative, length, k);
      double squares = 0;
      for (std::size_t i = 0; i < images; ++i) {
        if (i != k) {
          const double r = length[i] - (others.a + others.b * cumulative[i]);
          squares += r * r;
        }
      }
      const double scatter = std::sqrt(squares / static_cast<double>(images - 3));
      suspect = std::fabs(length[k] - (others.a + others.b * cumulative[k])) > 3 * scatter;
    }
    in.scale.points.push_back(
        {static_cast<int>(k + 1), cumulative[k], length[k], fitted, length[k] - fitted, suspect});
  }
}

} // namespace kavo::testing
