#include "report/svg_plot.h"

#include "report/svg_text.h"

#include <algorithm>
#include <cmath>

namespace kavo::svg {

NiceScale niceScale(double low, double high, int targetTicks, bool wholeSteps) {
  if (!std::isfinite(low) || !std::isfinite(high)) {
    return {};
  }
  if (low > high) {
    std::swap(low, high);
  }
  if (high - low <= std::fabs(high) * 1e-12 || high == low) {
    // A single value: a small range around it, wide enough for ticks to differ in print.
    const double pad = low == 0.0 ? 1.0 : std::fabs(low) * 0.01;
    low -= pad;
    high += pad;
  }
  targetTicks = std::max(targetTicks, 2);
  const double raw = (high - low) / targetTicks;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  double step = magnitude * 10;
  for (const double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * magnitude >= raw) {
      step = m * magnitude;
      break;
    }
  }
  if (wholeSteps) {
    step = std::max(step, 1.0);
  }
  return {std::floor(low / step) * step, std::ceil(high / step) * step, step};
}

std::vector<double> tickValues(const NiceScale& scale) {
  std::vector<double> ticks;
  if (!(scale.step > 0) || !(scale.high > scale.low)) {
    return ticks;
  }
  const double first = std::ceil(scale.low / scale.step - 1e-9);
  const double last = std::floor(scale.high / scale.step + 1e-9);
  for (double k = first; k <= last && ticks.size() < 200; k += 1.0) {
    ticks.push_back(k * scale.step);
  }
  return ticks;
}

std::string tickText(double value, double step, char decimalSeparator) {
  if (std::fabs(value) < step * 1e-6) {
    value = 0.0;
  }
  const double largest = std::max(std::fabs(value), step);
  if (step < 1e-5 || largest >= 1e9) {
    return significantNumber(value, 4, decimalSeparator);
  }
  const int decimals = std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
  return fixedNumber(value, decimals, decimalSeparator);
}

SvgPlot::SvgPlot(int w, int h) : width(w), height(h) {}

void SvgPlot::includeX(double x) {
  if (!std::isfinite(x)) {
    return;
  }
  minX = anyX ? std::min(minX, x) : x;
  maxX = anyX ? std::max(maxX, x) : x;
  anyX = true;
}

void SvgPlot::includeY(double y) {
  if (!std::isfinite(y)) {
    return;
  }
  minY = anyY ? std::min(minY, y) : y;
  maxY = anyY ? std::max(maxY, y) : y;
  anyY = true;
}

void SvgPlot::add(Item item) {
  // Points that are not finite cannot be drawn; they are left out rather than spoiling the ranges.
  std::erase_if(item.points, [](const PlotPoint& p) { return !std::isfinite(p.x) || !std::isfinite(p.y); });
  std::erase_if(item.arrows, [](const PlotArrow& p) {
    return !std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.dx) || !std::isfinite(p.dy);
  });
  for (const PlotPoint& p : item.points) {
    includeX(p.x);
    includeY(p.y);
  }
  switch (item.kind) {
  case Kind::Area:
  case Kind::Stems:
    includeY(0.0);
    break;
  case Kind::Bars:
    includeY(0.0);
    for (const PlotPoint& p : item.points) {
      includeX(p.x - item.a / 2);
      includeX(p.x + item.a / 2);
    }
    break;
  case Kind::VerticalLine:
    includeX(item.a);
    break;
  case Kind::HorizontalLine:
    includeY(item.a);
    break;
  case Kind::Band:
    includeX(item.a);
    includeX(item.b);
    break;
  case Kind::Arrows:
    for (const PlotArrow& p : item.arrows) {
      includeX(p.x);
      includeY(p.y);
      includeX(p.x + p.dx * item.a);
      includeY(p.y + p.dy * item.a);
    }
    break;
  default:
    break;
  }
  items.push_back(std::move(item));
}

void SvgPlot::addLine(std::vector<PlotPoint> points, const PlotStyle& style, std::string legend) {
  add({Kind::Line, std::move(points), {}, style, Marker::Circle, 0, 0, std::move(legend)});
}
void SvgPlot::addArea(std::vector<PlotPoint> points, const PlotStyle& style, std::string legend) {
  add({Kind::Area, std::move(points), {}, style, Marker::Circle, 0, 0, std::move(legend)});
}
void SvgPlot::addPoints(std::vector<PlotPoint> points, const PlotStyle& style, Marker shape,
                        std::string legend) {
  add({Kind::Points, std::move(points), {}, style, shape, 0, 0, std::move(legend)});
}
void SvgPlot::addStems(std::vector<PlotPoint> points, const PlotStyle& style, std::string legend) {
  add({Kind::Stems, std::move(points), {}, style, Marker::Circle, 0, 0, std::move(legend)});
}
void SvgPlot::addBars(std::vector<PlotPoint> points, double barWidth, const PlotStyle& style,
                      std::string legend) {
  add({Kind::Bars, std::move(points), {}, style, Marker::Circle, barWidth, 0, std::move(legend)});
}
void SvgPlot::addVerticalLine(double x, const PlotStyle& style, std::string legend) {
  if (std::isfinite(x)) {
    add({Kind::VerticalLine, {}, {}, style, Marker::Circle, x, 0, std::move(legend)});
  }
}
void SvgPlot::addHorizontalLine(double y, const PlotStyle& style, std::string legend) {
  if (std::isfinite(y)) {
    add({Kind::HorizontalLine, {}, {}, style, Marker::Circle, y, 0, std::move(legend)});
  }
}
void SvgPlot::addVerticalBand(double low, double high, const PlotStyle& style, std::string legend) {
  if (std::isfinite(low) && std::isfinite(high)) {
    add({Kind::Band,
         {},
         {},
         style,
         Marker::Circle,
         std::min(low, high),
         std::max(low, high),
         std::move(legend)});
  }
}
void SvgPlot::addArrows(std::vector<PlotArrow> arrows, double scale, const PlotStyle& style,
                        std::string legend) {
  add({Kind::Arrows,
       {},
       std::move(arrows),
       style,
       Marker::Circle,
       std::isfinite(scale) ? scale : 1.0,
       0,
       std::move(legend)});
}
void SvgPlot::addLabel(PlotPoint at, std::string text, const PlotStyle& style) {
  // A label is no series: it names no legend entry and does not widen the ranges.
  if (std::isfinite(at.x) && std::isfinite(at.y)) {
    items.push_back({Kind::Label, {at}, {}, style, Marker::Circle, 0, 0, std::move(text)});
  }
}

} // namespace kavo::svg
