#include "app/correction_from_fit.h"

#include "app/camera_export.h"
#include "app/run_figures.h"
#include "datafiles/correction_table.h"
#include "platform/number_text.h"
#include "refine/classic_interval.h"

#include <array>
#include <cmath>
#include <optional>

namespace kavo {
namespace {

constexpr std::array<int, 4> kPowers{3, 5, 7, 9};
constexpr int kGridColumns = 81;
constexpr int kGridRows = 61;

struct Lens {
  double fx, fy; // pixels per normalised unit along x and along the measured rows
  double cx, cy; // principal point, measured pixels
  double k1, k2;
};

// The normalised radius whose distorted radius is rd: ρ·(1 + k1·ρ² + k2·ρ⁴) = rd by Newton's method
// from ρ = rd; nothing where the distortion folds back (its radius stops growing) before rd.
std::optional<double> undistortedRadius(double rd, const Lens& l) {
  double r = rd;
  double g = 0.0;
  for (int i = 0; i < 50; ++i) {
    const double r2 = r * r;
    g = r * (1 + l.k1 * r2 + l.k2 * r2 * r2) - rd;
    const double dg = 1 + 3 * l.k1 * r2 + 5 * l.k2 * r2 * r2;
    if (!(dg > 0.0)) {
      return std::nullopt;
    }
    const double next = r - g / dg;
    if (std::fabs(next - r) <= 1e-14 * (1.0 + rd)) {
      return next;
    }
    r = next;
  }
  // Rounding may keep the last steps from settling: a radius this close is still the undoing.
  return std::fabs(g) <= 1e-12 * (1.0 + rd) ? std::optional<double>(r) : std::nullopt;
}

// The exact undoing at a distorted point (u, v): the undistorted point less the distorted one,
// normalised; nothing where the distortion cannot be undone.
std::optional<std::array<double, 2>> undoing(double u, double v, const Lens& l) {
  const double rd = std::hypot(u, v);
  if (rd == 0.0) {
    return std::array<double, 2>{0.0, 0.0};
  }
  const auto r = undistortedRadius(rd, l);
  if (!r) {
    return std::nullopt;
  }
  return std::array<double, 2>{u * (*r / rd - 1.0), v * (*r / rd - 1.0)};
}

struct Sample {
  double u, v;   // distorted, normalised, about the principal point
  double du, dv; // the exact undoing, normalised
  double spread; // the undoing's divergence there: how much it enlarges a small patch
};

// The grid over the image with the exact undoing and its divergence at every node; empty when the
// distortion cannot be undone there.
std::vector<Sample> samples(const Lens& l, double width, double height) {
  constexpr double h = 1e-4; // normalised; the divergence by central differences
  std::vector<Sample> out;
  for (int i = 0; i < kGridColumns; ++i) {
    for (int j = 0; j < kGridRows; ++j) {
      const double u = ((width - 1.0) * i / (kGridColumns - 1) - l.cx) / l.fx;
      const double v = ((height - 1.0) * j / (kGridRows - 1) - l.cy) / l.fy;
      const auto at = undoing(u, v, l);
      const auto right = undoing(u + h, v, l);
      const auto left = undoing(u - h, v, l);
      const auto down = undoing(u, v + h, l);
      const auto up = undoing(u, v - h, l);
      if (!at || !right || !left || !down || !up) {
        return {};
      }
      out.push_back({u, v, (*at)[0], (*at)[1], ((*right)[0] - (*left)[0] + (*down)[1] - (*up)[1]) / (2 * h)});
    }
  }
  return out;
}

using Coefficients = std::array<double, kPowers.size()>;

// The table corrects x by x alone and y by y alone, so it cannot undo the part of radial distortion
// that moves x with y. What the classic result reads from a quadruple is its image's scale, which a
// small patch's change of area gives: the terms are chosen so that the correction's divergence
// (Σ j·a_j·u^(j−1) + Σ j·b_j·v^(j−1)) matches the exact undoing's over the image by least squares. What
// is left is a shear that enlarges nothing and, on average, lengthens the x test segment as much as it
// shortens the y one. Fitting the displacements themselves instead leaves about half the distortion's
// effect on the classic result.
std::array<Coefficients, 2> fitSpread(const std::vector<Sample>& grid) {
  constexpr std::size_t m = kPowers.size();
  constexpr std::size_t n = 2 * m;
  double a[n][n + 1] = {};
  for (const Sample& s : grid) {
    double basis[n];
    for (std::size_t p = 0; p < m; ++p) {
      basis[p] = kPowers[p] * std::pow(s.u, kPowers[p] - 1);
      basis[m + p] = kPowers[p] * std::pow(s.v, kPowers[p] - 1);
    }
    for (std::size_t r = 0; r < n; ++r) {
      for (std::size_t c = 0; c < n; ++c) {
        a[r][c] += basis[r] * basis[c];
      }
      a[r][n] += basis[r] * s.spread;
    }
  }
  // Gaussian elimination with partial pivoting on the normal equations.
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t pivot = c;
    for (std::size_t r = c + 1; r < n; ++r) {
      pivot = std::fabs(a[r][c]) > std::fabs(a[pivot][c]) ? r : pivot;
    }
    std::swap(a[c], a[pivot]);
    for (std::size_t r = c + 1; r < n; ++r) {
      const double f = a[c][c] != 0.0 ? a[r][c] / a[c][c] : 0.0;
      for (std::size_t k = c; k <= n; ++k) {
        a[r][k] -= f * a[c][k];
      }
    }
  }
  double x[n] = {};
  for (std::size_t c = n; c-- > 0;) {
    double sum = a[c][n];
    for (std::size_t k = c + 1; k < n; ++k) {
      sum -= a[c][k] * x[k];
    }
    x[c] = a[c][c] != 0.0 ? sum / a[c][c] : 0.0;
  }
  std::array<Coefficients, 2> out{};
  for (std::size_t p = 0; p < m; ++p) {
    out[0][p] = x[p];
    out[1][p] = x[m + p];
  }
  return out;
}

double evaluate(const Coefficients& c, double t, double scale) {
  double sum = 0.0;
  for (std::size_t p = 0; p < kPowers.size(); ++p) {
    sum += scale * c[p] * std::pow(t, kPowers[p]);
  }
  return sum;
}

// x + size · Σ c_j ((x − centre) / size)^j in powers of x: the coefficients of x^0 … x^9.
std::array<double, 10> expanded(const Coefficients& c, double scale, double centre, double size) {
  std::array<double, 10> out{};
  out[1] = 1.0;
  for (std::size_t p = 0; p < kPowers.size(); ++p) {
    const int j = kPowers[p];
    double binomial = 1.0; // C(j, i)
    for (int i = 0; i <= j; ++i) {
      out[static_cast<std::size_t>(i)] +=
          scale * size * c[p] * binomial * std::pow(-centre, j - i) / std::pow(size, j);
      binomial = binomial * (j - i) / (i + 1);
    }
  }
  return out;
}

std::string polynomialText(const std::array<double, 10>& a, char sep) {
  std::string text;
  for (double v : a) {
    text += formatGeneral(v, sep) + " ";
  }
  return text + "- ";
}

struct Terms {
  Coefficients x{};
  Coefficients y{};
};

std::vector<std::string> tableLines(const Terms& terms, double scale, const ExportedCamera& c,
                                    double verticalScale, char sep) {
  const auto number = [sep](double v) { return formatGeneral(v, sep); };
  const double w = c.width;
  const double h = c.height;
  return {number(verticalScale), number(-w) + " " + number(-h) + " " + number(2 * w) + " " + number(2 * h) +
                                     " X " + polynomialText(expanded(terms.x, scale, c.cx, c.fx), sep) +
                                     "Y " + polynomialText(expanded(terms.y, scale, c.cy, c.fy), sep) +
                                     "; радиальное искажение k1 = " + number(c.k1) +
                                     ", k2 = " + number(c.k2) + " из уточнённой подгонки"};
}

// The classic mean of points as the run would compute it (one clipping pass at its factor), or nothing
// when they give no value.
std::optional<double> classicMeanOf(const EstimatorInput& points, const EstimatorSettings& settings) {
  try {
    const FocalValues values = enumerateFocalValues(points, settings, {});
    if (values.empty()) {
      return std::nullopt;
    }
    return clippedMean(values, unclippedStatistics(values), settings.clipSigmaCount);
  } catch (const RunAbandoned&) {
    return std::nullopt;
  }
}

// Points of the compute command's frame corrected by the table, as a run whose camera file names it
// would read them.
EstimatorInput corrected(const EstimatorInput& points, const std::vector<std::string>& table,
                         const CameraFacts& camera, char sep) {
  EstimatorInput out;
  out.scene = points.scene;
  const double k = camera.verticalScale;
  for (const std::vector<Point2>& image : points.images) {
    std::vector<Point2> moved;
    for (const Point2& p : image) {
      moved.push_back({CorrectX(camera.imageCentreX + p.x, table, camera.imageCentreX, sep),
                       CorrectY(camera.imageCentreY - k * p.y, table, camera.imageCentreY, sep)});
    }
    out.images.push_back(std::move(moved));
  }
  return out;
}

// Runs with more values than this take the classic computation on a sample of the quadruples.
constexpr double kModelValues = 2e6;

// The factor that makes the classic computation on the model's points, corrected by the table,
// agree with the same on the model's undistorted points; the classic result is linear in it.
void scaleToTheClassicResult(const RunResult& result, const Terms& terms, const ExportedCamera& c,
                             FittedCorrection& out) {
  if (!result.assessment || !result.assessment->series.refined.ok) {
    return;
  }
  const RunAssessment& a = *result.assessment;
  const char sep = result.inputs.decimalSeparator;
  RefineInput input;
  input.points = a.points;
  EstimatorSettings settings = a.settings;
  if (static_cast<double>(result.valueCount) > kModelValues) {
    settings.quadrupleSample =
        static_cast<int>(std::ceil(static_cast<double>(result.valueCount) / kModelValues));
  }
  RefinedResult undistorted = a.series.refined;
  undistorted.camera.distortion[0] = 0.0;
  undistorted.camera.distortion[1] = 0.0;
  const EstimatorInput model = modelPoints(input, a.series.refined);
  try {
    const auto target = classicMeanOf(modelPoints(input, undistorted), settings);
    const auto without = classicMeanOf(model, settings);
    const double k = result.camera.verticalScale;
    const auto with =
        classicMeanOf(corrected(model, tableLines(terms, 1.0, c, k, sep), result.camera, sep), settings);
    if (!target || !without || !with) {
      return;
    }
    const double change = *with - *without;
    const double factor = (*target - *without) / change;
    // A factor far from 1 means the shape of the terms does not fit this series: keep them as fitted.
    if (!(std::fabs(change) > 1e-9 * std::fabs(*without)) || !(factor > 0.25 && factor < 4.0)) {
      return;
    }
    out.scale = factor;
    out.modelClassicDistorted = *without;
    out.modelClassicUndistorted = *target;
    const auto check =
        classicMeanOf(corrected(model, tableLines(terms, factor, c, k, sep), result.camera, sep), settings);
    out.modelClassicCorrected = check ? *check : 0.0;
  } catch (const CorrectionError&) {
    out.scale = 1.0;
  }
}

} // namespace

FittedCorrection correctionFromFit(const RunResult& result) {
  FittedCorrection out;
  const CameraExportSource source = exportedCamera(result);
  if (!source.camera) {
    out.refusal = source.refusal;
    return out;
  }
  const ExportedCamera& c = *source.camera;
  const char sep = result.inputs.decimalSeparator;
  const Lens lens{c.fx, c.fy, c.cx, c.cy, c.k1, c.k2};
  const std::vector<Sample> grid = samples(lens, c.width, c.height);
  if (grid.empty()) {
    out.refusal = "искажение с k1 = " + formatGeneral(c.k1, sep) + ", k2 = " + formatGeneral(c.k2, sep) +
                  " не обратимо в пределах изображения";
    return out;
  }
  const auto [x, y] = fitSpread(grid);
  const Terms terms{x, y};
  scaleToTheClassicResult(result, terms, c, out);
  for (const Sample& s : grid) {
    const double ex = (evaluate(terms.x, s.u, out.scale) - s.du) * lens.fx;
    const double ey = (evaluate(terms.y, s.v, out.scale) - s.dv) * lens.fy;
    out.largestResidual = std::max(out.largestResidual, std::hypot(ex, ey));
    out.largestDistortion = std::max(out.largestDistortion, std::hypot(s.du * lens.fx, s.dv * lens.fy));
  }
  out.lines = tableLines(terms, out.scale, c, result.camera.verticalScale, sep);
  return out;
}

} // namespace kavo
