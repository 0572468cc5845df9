#include "refine/start_values.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>

namespace kavo {
namespace {

// Similarity that moves the points' centroid to 0 and their mean distance to √2.
Eigen::Matrix3d normaliser(const std::vector<Eigen::Vector2d>& pts) {
  Eigen::Vector2d c = Eigen::Vector2d::Zero();
  for (const auto& p : pts) {
    c += p;
  }
  c /= static_cast<double>(pts.size());
  double mean = 0.0;
  for (const auto& p : pts) {
    mean += (p - c).norm();
  }
  mean /= static_cast<double>(pts.size());
  const double s = mean > 0.0 ? std::sqrt(2.0) / mean : 1.0;
  Eigen::Matrix3d t;
  t << s, 0, -s * c.x(), 0, s, -s * c.y(), 0, 0, 1;
  return t;
}

bool directLinearTransform(const std::vector<Observation>& points, const std::vector<char>& use,
                           Homography& out) {
  std::vector<Eigen::Vector2d> src;
  std::vector<Eigen::Vector2d> dst;
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (use[i] != 0) {
      src.emplace_back(points[i].sceneX, points[i].sceneY);
      dst.emplace_back(points[i].x, points[i].y);
    }
  }
  if (src.size() < 4) {
    return false;
  }
  const Eigen::Matrix3d ts = normaliser(src);
  const Eigen::Matrix3d td = normaliser(dst);
  Eigen::MatrixXd a(2 * src.size(), 9);
  for (std::size_t i = 0; i < src.size(); ++i) {
    const Eigen::Vector3d p = ts * src[i].homogeneous();
    const Eigen::Vector3d q = td * dst[i].homogeneous();
    const auto r = static_cast<Eigen::Index>(2 * i);
    a.row(r) << p.x(), p.y(), 1, 0, 0, 0, -q.x() * p.x(), -q.x() * p.y(), -q.x();
    a.row(r + 1) << 0, 0, 0, p.x(), p.y(), 1, -q.y() * p.x(), -q.y() * p.y(), -q.y();
  }
  const Eigen::JacobiSVD<Eigen::MatrixXd> svd(a, Eigen::ComputeFullV);
  const Eigen::VectorXd& sv = svd.singularValues();
  // A rank below 8 (collinear or repeated points) leaves no unique homography.
  if (!(sv(7) > 1e-10 * sv(0))) {
    return false;
  }
  const Eigen::VectorXd h = svd.matrixV().col(8);
  Eigen::Matrix3d hn;
  hn << h(0), h(1), h(2), h(3), h(4), h(5), h(6), h(7), h(8);
  const Eigen::Matrix3d hm = td.inverse() * hn * ts;
  if (!hm.allFinite() || std::fabs(hm(2, 2)) < 1e-300) {
    return false;
  }
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      out[static_cast<std::size_t>(r * 3 + c)] = hm(r, c) / hm(2, 2);
    }
  }
  return true;
}

double transferError(const Homography& h, const Observation& o) {
  const double w = h[6] * o.sceneX + h[7] * o.sceneY + h[8];
  const double x = (h[0] * o.sceneX + h[1] * o.sceneY + h[2]) / w;
  const double y = (h[3] * o.sceneX + h[4] * o.sceneY + h[5]) / w;
  return std::hypot(x - o.x, y - o.y);
}

double median(std::vector<double> v) {
  if (v.empty()) {
    return 0.0;
  }
  const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
  std::nth_element(v.begin(), mid, v.end());
  return *mid;
}

// Distances from the camera at which each image would show its homography, for a focal length f.
bool depthsFor(const std::vector<Homography>& hs, const std::vector<int>& images, double f,
               std::vector<double>& z) {
  z.clear();
  for (const int i : images) {
    const Homography& h = hs[static_cast<std::size_t>(i)];
    const double n1 = std::sqrt((h[0] * h[0] + h[3] * h[3]) / (f * f) + h[6] * h[6]);
    const double n2 = std::sqrt((h[1] * h[1] + h[4] * h[4]) / (f * f) + h[7] * h[7]);
    const double lambda = 2.0 / (n1 + n2);
    z.push_back(std::fabs(lambda * h[8]));
    if (!std::isfinite(z.back())) {
      return false;
    }
  }
  return true;
}

} // namespace

bool fitHomography(const std::vector<Observation>& points, Homography& h, std::vector<char>* inlier) {
  std::vector<char> use(points.size(), 1);
  if (!directLinearTransform(points, use, h)) {
    return false;
  }
  for (int round = 0; round < 2; ++round) {
    std::vector<double> errors;
    for (const auto& o : points) {
      errors.push_back(transferError(h, o));
    }
    const double limit = std::max(5.0 * 1.4826 * median(errors), 1e-9);
    std::vector<char> next(points.size(), 0);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
      next[i] = errors[i] <= limit ? 1 : 0;
      kept += next[i] != 0 ? 1 : 0;
    }
    Homography refit;
    if (kept < 4 || next == use || !directLinearTransform(points, next, refit)) {
      break;
    }
    use = next;
    h = refit;
  }
  if (inlier != nullptr) {
    *inlier = use;
  }
  return true;
}

StartValues closedFormStart(const SeriesData& data, const double principal[2], double imageSize) {
  StartValues start;
  const std::size_t n = data.images.size();
  std::vector<Homography> hs(n);
  start.imageUsable.assign(n, 0);
  start.inliers.resize(n);
  std::vector<int> usable;
  for (std::size_t i = 0; i < n; ++i) {
    // Homographies to the image frame with the assumed principal point at its origin.
    std::vector<Observation> pts = data.images[i].points;
    for (auto& o : pts) {
      o.x -= principal[0];
      o.y -= principal[1];
    }
    if (pts.size() >= 4 && fitHomography(pts, hs[i], &start.inliers[i])) {
      start.imageUsable[i] = 1;
      usable.push_back(static_cast<int>(i));
    } else {
      start.inliers[i].assign(pts.size(), 0);
    }
  }
  if (usable.size() < 2) {
    start.problem = "меньше двух изображений, по точкам которых можно найти положение мишени";
    return start;
  }

  // With the assumed f each image gives a distance; they must grow (or shrink) one for one with the
  // listed steps, so the slope of distance against cumulative step rescales f until it is ±1.
  double f = imageSize > 0.0 ? imageSize : 1000.0;
  double slope = 0.0;
  std::vector<double> z;
  for (int iteration = 0; iteration < 100; ++iteration) {
    if (!depthsFor(hs, usable, f, z)) {
      start.problem = "положение мишени по точкам не определяется";
      return start;
    }
    double sd = 0.0, sz = 0.0, sdd = 0.0, sdz = 0.0;
    for (std::size_t k = 0; k < usable.size(); ++k) {
      const double d = data.cumulative[static_cast<std::size_t>(usable[k])];
      sd += d;
      sz += z[k];
      sdd += d * d;
      sdz += d * z[k];
    }
    const double m = static_cast<double>(usable.size());
    const double denominator = m * sdd - sd * sd;
    if (!(std::fabs(denominator) > 1e-12 * (1.0 + sdd * m))) {
      start.problem = "камера между изображениями не сдвигалась: сумма шагов равна нулю";
      return start;
    }
    slope = (m * sdz - sd * sz) / denominator;
    if (!(std::fabs(slope) > 1e-12) || !std::isfinite(slope)) {
      start.problem = "масштаб изображений не меняется с шагами камеры";
      return start;
    }
    const double next = f / std::fabs(slope);
    const bool settled = std::fabs(next - f) <= 1e-12 * f;
    f = next;
    if (settled) {
      break;
    }
  }
  if (!std::isfinite(f) || f <= 0.0) {
    start.problem = "фокусное расстояние по масштабу изображений не определяется";
    return start;
  }
  start.movingAway = slope > 0.0;
  const double direction = start.movingAway ? 1.0 : -1.0;

  // The pose from the first usable image, taken back to the first image of the list.
  const int first = usable.front();
  const Homography& h = hs[static_cast<std::size_t>(first)];
  Eigen::Matrix3d g;
  g << h[0] / f, h[1] / f, h[2] / f, h[3] / f, h[4] / f, h[5] / f, h[6], h[7], h[8];
  double lambda = 2.0 / (g.col(0).norm() + g.col(1).norm());
  if (lambda * g(2, 2) < 0.0) {
    lambda = -lambda;
  }
  const Eigen::Vector3d r1 = lambda * g.col(0);
  const Eigen::Vector3d r2 = lambda * g.col(1);
  Eigen::Matrix3d m;
  m << r1, r2, r1.cross(r2);
  const Eigen::JacobiSVD<Eigen::Matrix3d> svd(m, Eigen::ComputeFullU | Eigen::ComputeFullV);
  Eigen::Matrix3d r = svd.matrixU() * svd.matrixV().transpose();
  if (r.determinant() < 0.0) {
    Eigen::Matrix3d flip = Eigen::Matrix3d::Identity();
    flip(2, 2) = -1.0;
    r = svd.matrixU() * flip * svd.matrixV().transpose();
  }
  const Eigen::Vector3d t = lambda * g.col(2);
  double rm[9];
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      rm[row * 3 + col] = r(row, col);
    }
  }
  angleAxisFromMatrix(rm, start.pose.rotation);
  start.pose.translation[0] = t.x();
  start.pose.translation[1] = t.y();
  start.pose.translation[2] = t.z() - direction * data.cumulative[static_cast<std::size_t>(first)];
  start.camera.focal = f;
  start.camera.principal[0] = principal[0];
  start.camera.principal[1] = principal[1];
  start.ok = std::isfinite(start.pose.translation[2]);
  if (!start.ok) {
    start.problem = "положение мишени по точкам не определяется";
  }
  return start;
}

} // namespace kavo
