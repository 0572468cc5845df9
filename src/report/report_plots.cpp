#include "report/report_plots.h"

#include "report/svg_plot.h"
#include "report/svg_text.h"

#include <algorithm>
#include <cmath>

namespace kavo {
namespace {

using svg::Marker;
using svg::PlotPoint;
using svg::PlotStyle;
using svg::SvgPlot;

constexpr int kWidth = 700;
constexpr double kStackedLeft = 96.0; // the line and its residuals share their x positions
const char* const kBlack = "#222222";
const char* const kRed = "#d62728";
const char* const kBlue = "#1f4fd1";
const char* const kGreen = "#2a7a2a";
const char* const kGrey = "#8a8a8a";

PlotStyle stroke(const char* colour, double width = 1.5, bool dashed = false) {
  PlotStyle s;
  s.stroke = colour;
  s.width = width;
  s.dashed = dashed;
  return s;
}

PlotStyle filled(const char* colour, const char* fill, double opacity, double radius = 3.0) {
  PlotStyle s;
  s.stroke = colour;
  s.fill = fill;
  s.fillOpacity = opacity;
  s.width = 1.0;
  s.markerRadius = radius;
  return s;
}

} // namespace

double arrowScale(double extent, double longestResidual, double fraction) {
  if (!(longestResidual > 0) || !(extent > 0) || !std::isfinite(extent / longestResidual)) {
    return 1.0;
  }
  const double target = fraction * extent / longestResidual;
  const double magnitude = std::pow(10.0, std::floor(std::log10(target)));
  for (const double m : {5.0, 2.0, 1.0}) {
    if (m * magnitude <= target * (1 + 1e-12)) {
      return m * magnitude;
    }
  }
  return magnitude;
}

// The values beyond the plotted range, counted at its edges.
std::string outsideText(const ReportDistribution& d) {
  if (d.belowRange == 0 && d.aboveRange == 0) {
    return {};
  }
  return "; за краями рисунка: " + std::to_string(d.belowRange) + " левее, " + std::to_string(d.aboveRange) +
         " правее";
}

std::string distributionPlot(const ReportDistribution& d, char sep) {
  if (!d.present || d.binCentres.empty() || d.binCentres.size() != d.binCounts.size()) {
    return {};
  }
  SvgPlot plot(kWidth, 340);
  plot.setTitle("Распределение значений фокусного расстояния");
  plot.setXLabel("Фокусное расстояние, пикс");
  plot.setYLabel("Значений в интервале");
  plot.setWholeY(true);

  // The plot spans the bins: the clipping band with a margin, or the values where they lie within it.
  const double lowest = d.range[0];
  const double highest = d.range[1];
  if (d.bandVisible) {
    const double low = std::clamp(d.band[0], lowest, highest);
    const double high = std::clamp(d.band[1], lowest, highest);
    plot.addVerticalBand(low, high, filled(kBlue, "#cfdcff", 0.55),
                         "Полоса отсечения: среднее ± " + svg::significantNumber(d.clipFactor, 5, sep) +
                             " σ");
    for (const double edge : d.band) {
      if (edge >= lowest && edge <= highest) {
        plot.addVerticalLine(edge, stroke(kBlue, 1.5));
      }
    }
  }
  std::vector<PlotPoint> curve;
  for (std::size_t b = 0; b < d.binCentres.size(); ++b) {
    curve.push_back({d.binCentres[b], static_cast<double>(d.binCounts[b])});
  }
  plot.addArea(
      std::move(curve),
      [] {
        PlotStyle s = filled(kBlack, "#9a9a9a", 0.45);
        s.width = 1.3;
        return s;
      }(),
      "Значения (" + std::to_string(d.valueCount) + ", " + std::to_string(d.binCounts.size()) +
          " интервалов" + outsideText(d) + ")");
  plot.addVerticalLine(d.meanValue, stroke(kRed, 2.0), "Среднее до отсечения");
  if (d.resultShown) {
    plot.addVerticalLine(d.resultMean, stroke(kGreen, 2.0, true), "Результат после отсечения");
  }
  return plot.render(sep);
}

std::string scalePlot(const ReportScaleSeries& series, char sep) {
  if (series.points.empty()) {
    return {};
  }
  SvgPlot plot(kWidth, 330);
  plot.setTitle(series.quantity + " по изображениям");
  plot.setXLabel("Суммарный шаг камеры от первого изображения, мм");
  plot.setYLabel(series.axisQuantity + ", " + series.unit);
  plot.setMinimumLeft(kStackedLeft);
  std::vector<PlotPoint> fitted, measured, suspect;
  for (const ReportScalePoint& p : series.points) {
    fitted.push_back({p.cumulativeStep, p.fitted});
    (p.suspect ? suspect : measured).push_back({p.cumulativeStep, p.scale});
  }
  std::sort(fitted.begin(), fitted.end(), [](const PlotPoint& a, const PlotPoint& b) { return a.x < b.x; });
  plot.addLine(std::move(fitted), stroke(kBlue, 1.5), "Подобранная прямая");
  plot.addPoints(std::move(measured), filled(kBlack, kBlack, 1.0, 3.5), Marker::Circle, "Изображение");
  if (!suspect.empty()) {
    plot.addPoints(std::move(suspect), filled(kRed, kRed, 1.0, 5.0), Marker::Square,
                   "После подозрительного шага");
  }
  for (const ReportScalePoint& p : series.points) {
    plot.addLabel({p.cumulativeStep, p.scale}, std::to_string(p.image), stroke(p.suspect ? kRed : kGrey));
  }
  return plot.render(sep);
}

std::string scaleResidualPlot(const ReportScaleSeries& series, char sep) {
  if (series.points.empty()) {
    return {};
  }
  SvgPlot plot(kWidth, 230);
  plot.setTitle("Отклонения от прямой");
  plot.setXLabel("Суммарный шаг камеры от первого изображения, мм");
  plot.setYLabel("Отклонение, " + series.unit);
  plot.setMinimumLeft(kStackedLeft);
  std::vector<PlotPoint> normal, suspect;
  for (const ReportScalePoint& p : series.points) {
    (p.suspect ? suspect : normal).push_back({p.cumulativeStep, p.residual});
  }
  plot.addHorizontalLine(0.0, stroke(kGrey, 1.0));
  plot.addStems(std::move(normal), filled(kBlack, kBlack, 1.0, 3.0), "Отклонение изображения");
  if (!suspect.empty()) {
    plot.addStems(std::move(suspect), filled(kRed, kRed, 1.0, 4.0), "После подозрительного шага");
  }
  return plot.render(sep);
}

std::string imageRmsPlot(const std::vector<ReportImageRms>& images, char sep) {
  if (images.empty()) {
    return {};
  }
  SvgPlot plot(kWidth, 260);
  plot.setTitle("Среднеквадратическая невязка репроекции по изображениям");
  plot.setXLabel("Номер изображения");
  plot.setYLabel("Невязка, пикс");
  plot.setWholeX(true);
  const auto worst = std::max_element(images.begin(), images.end(),
                                      [](const auto& a, const auto& b) { return a.rms < b.rms; });
  std::vector<PlotPoint> others;
  double squares = 0.0;
  for (auto it = images.begin(); it != images.end(); ++it) {
    squares += it->rms * it->rms;
    if (it != worst) {
      others.push_back({static_cast<double>(it->image), it->rms});
    }
  }
  const double overallRms = std::sqrt(squares / static_cast<double>(images.size()));
  plot.addBars(std::move(others), 0.6, filled("#555555", "#b9c6da", 1.0), "Изображение");
  plot.addBars({{static_cast<double>(worst->image), worst->rms}}, 0.6, filled(kRed, "#f2a3a3", 1.0),
               "Худшее изображение");
  if (std::isfinite(overallRms) && overallRms > 0) {
    plot.addHorizontalLine(overallRms, stroke(kBlue, 1.5, true), "Среднее квадратическое по изображениям");
  }
  return plot.render(sep);
}

std::string residualArrowPlot(const ReportResiduals& r, char sep) {
  if (r.image <= 0 || r.points.empty()) {
    return {};
  }
  double minX = r.points[0].x, maxX = minX, minY = r.points[0].y, maxY = minY, longest = 0.0;
  for (const ReportResidualPoint& p : r.points) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
    if (std::isfinite(p.dx) && std::isfinite(p.dy)) {
      longest = std::max(longest, std::hypot(p.dx, p.dy));
    }
  }
  const double scale = arrowScale(std::max(maxX - minX, maxY - minY), longest);
  const std::string factor = svg::significantNumber(scale, 3, sep);

  // The picture's height follows the points' proportions, so that equal units fill it.
  const double spanX = std::max(maxX - minX, 1e-9);
  const double ratio = std::clamp((maxY - minY) / spanX, 0.3, 0.85);
  SvgPlot plot(kWidth, static_cast<int>(std::lround((kWidth - 90) * ratio + 110)));
  plot.setTitle("Невязки изображения " + std::to_string(r.image) + ", стрелки увеличены в " + factor +
                " раз");
  plot.setXLabel("x, " + r.positionUnit);
  plot.setYLabel("y, " + r.positionUnit);
  plot.setYDown(r.imageAxes);
  plot.setEqualAspect(true);
  std::vector<PlotPoint> kept, dropped;
  std::vector<svg::PlotArrow> arrows;
  for (const ReportResidualPoint& p : r.points) {
    (p.downWeighted ? dropped : kept).push_back({p.x, p.y});
    arrows.push_back({p.x, p.y, p.dx, p.dy});
  }
  plot.addPoints(std::move(kept), filled(kGrey, "#ffffff", 1.0, 2.5), Marker::Circle, "Точка мишени");
  if (!dropped.empty()) {
    plot.addPoints(std::move(dropped), stroke(kRed, 1.5), Marker::Cross,
                   "Точка, ослабленная робастной оценкой");
  }
  plot.addArrows(std::move(arrows), scale, stroke(kRed, 1.3),
                 "Невязка × " + factor + " (самая длинная " + svg::significantNumber(longest, 3, sep) +
                     " пикс)");
  return plot.render(sep);
}

} // namespace kavo
