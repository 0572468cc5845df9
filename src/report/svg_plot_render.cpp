// Drawing of SvgPlot: the layout of frame, ticks and legend, and each kind of series.
#include "report/svg_plot.h"

#include "report/svg_text.h"

#include <algorithm>
#include <cmath>

namespace kavo::svg {
namespace {

constexpr double kFontSize = 13.0;
constexpr double kCharWidth =
    8.0; // generous mean advance of a 13-unit sans-serif character (digits, Cyrillic)
constexpr double kLegendRow = 18.0;
constexpr double kLegendLeft = 12.0;
constexpr double kLegendSwatch = 26.0;

std::string attr(const char* name, double value) {
  return std::string(" ") + name + "=\"" + coordinate(value) + "\"";
}

std::string strokeOf(const PlotStyle& s) {
  std::string out = " stroke=\"" + s.stroke + "\" stroke-width=\"" + coordinate(s.width) + "\"";
  if (s.dashed) {
    out += " stroke-dasharray=\"6 4\"";
  }
  return out;
}

std::string fillOf(const PlotStyle& s) {
  std::string out = " fill=\"" + s.fill + "\"";
  if (s.fill != "none" && s.fillOpacity < 1.0) {
    out += " fill-opacity=\"" + coordinate(s.fillOpacity) + "\"";
  }
  return out;
}

std::string line(double x1, double y1, double x2, double y2, const std::string& style) {
  return "<line" + attr("x1", x1) + attr("y1", y1) + attr("x2", x2) + attr("y2", y2) + style + "/>\n";
}

std::string text(double x, double y, const std::string& content, const std::string& extra = {}) {
  return "<text" + attr("x", x) + attr("y", y) + extra + ">" + escapeText(content) + "</text>\n";
}

std::string marker(Marker shape, double x, double y, const PlotStyle& s) {
  const double r = s.markerRadius;
  switch (shape) {
  case Marker::Square:
    return "<rect" + attr("x", x - r) + attr("y", y - r) + attr("width", 2 * r) + attr("height", 2 * r) +
           fillOf(s) + strokeOf(s) + "/>\n";
  case Marker::Cross:
    return "<path d=\"M" + coordinate(x - r) + " " + coordinate(y - r) + "L" + coordinate(x + r) + " " +
           coordinate(y + r) + "M" + coordinate(x - r) + " " + coordinate(y + r) + "L" + coordinate(x + r) +
           " " + coordinate(y - r) + "\" fill=\"none\"" + strokeOf(s) + "/>\n";
  case Marker::Circle:
    break;
  }
  return "<circle" + attr("cx", x) + attr("cy", y) + attr("r", r) + fillOf(s) + strokeOf(s) + "/>\n";
}

// An arrow in picture units with a filled triangular head. One too short to show a head is drawn as
// a dot, so that a point without residual is still seen.
std::string arrow(double x1, double y1, double x2, double y2, const PlotStyle& s) {
  const double dx = x2 - x1;
  const double dy = y2 - y1;
  const double length = std::hypot(dx, dy);
  if (!(length >= 2.0)) {
    return "<circle" + attr("cx", x1) + attr("cy", y1) + attr("r", 1.2) + " fill=\"" + s.stroke + "\"/>\n";
  }
  const double head = std::min(6.0, 0.45 * length);
  const double ux = dx / length;
  const double uy = dy / length;
  const double bx = x2 - ux * head;
  const double by = y2 - uy * head;
  const double half = head * 0.45;
  return line(x1, y1, bx, by, strokeOf(s)) + "<polygon points=\"" + coordinate(x2) + "," + coordinate(y2) +
         " " + coordinate(bx - uy * half) + "," + coordinate(by + ux * half) + " " +
         coordinate(bx + uy * half) + "," + coordinate(by - ux * half) + "\" fill=\"" + s.stroke + "\"/>\n";
}

std::string polyline(const std::vector<std::pair<double, double>>& points, const std::string& style,
                     const char* element = "polyline") {
  std::string list;
  for (const auto& [x, y] : points) {
    list += (list.empty() ? "" : " ") + coordinate(x) + "," + coordinate(y);
  }
  return std::string("<") + element + " points=\"" + list + "\"" + style + "/>\n";
}

// A smaller font for a label that would not fit its room at the usual size; nothing when it fits.
std::string fittingSize(const std::string& label, double room) {
  const double needed = characterCount(label) * kCharWidth;
  if (needed <= room) {
    return {};
  }
  return " font-size=\"" + coordinate(std::max(8.0, std::floor(kFontSize * room / needed * 10) / 10)) + "\"";
}

int widestTick(const NiceScale& scale, char separator) {
  int widest = 1;
  for (const double t : tickValues(scale)) {
    widest = std::max(widest, characterCount(tickText(t, scale.step, separator)));
  }
  return widest;
}

} // namespace

struct SvgPlot::Layout {
  NiceScale xs;
  NiceScale ys;
  double left = 0, right = 0, top = 0, bottom = 0;
  double inset = 0; // room between the frame and the ends of the x range
  bool yDown = false;
  char separator = '.';

  double px(double x) const {
    return left + inset + (x - xs.low) / (xs.high - xs.low) * (right - left - 2 * inset);
  }
  double py(double y) const {
    const double t = (y - ys.low) / (ys.high - ys.low);
    return yDown ? top + t * (bottom - top) : bottom - t * (bottom - top);
  }
};

SvgPlot::Layout SvgPlot::layout(int legendRows) const {
  Layout l;
  l.yDown = yDown;
  const double x0 = anyX ? minX : 0.0;
  const double x1 = anyX ? maxX : 1.0;
  // Markers at the ends of a range would sit on the frame, half hidden: they get a little room.
  const bool markers = !equalAspect && std::any_of(items.begin(), items.end(), [](const Item& item) {
    return item.kind == Kind::Points || item.kind == Kind::Stems || item.kind == Kind::Arrows;
  });
  const double yPad = markers && anyY ? (maxY - minY) * 0.04 : 0.0;
  const double y0 = anyY ? minY - yPad : 0.0;
  const double y1 = anyY ? maxY + yPad : 1.0;
  l.top = title.empty() ? 12.0 : 32.0;
  l.bottom = height - 46.0 - legendRows * kLegendRow;
  l.ys = niceScale(y0, y1, std::max(2, static_cast<int>((l.bottom - l.top) / 45)), wholeY);
  l.right = width - 18.0;
  l.left = std::max(minimumLeft, (yLabel.empty() ? 10.0 : 30.0) + 10.0 + widestTick(l.ys, '0') * kCharWidth);

  // Fewer x ticks while their texts would run into each other.
  for (int target = std::max(2, static_cast<int>((l.right - l.left) / 80)); target >= 2; --target) {
    l.xs = niceScale(x0, x1, target, wholeX);
    const double spacing = (l.right - l.left) * l.xs.step / (l.xs.high - l.xs.low);
    if (spacing >= widestTick(l.xs, '0') * kCharWidth + 14) {
      break;
    }
  }
  if (wholeX) {
    // Image numbers: the range ends half a place beyond the outer numbers, not at a tick 0.
    l.xs.low = std::round(x0) - 0.5;
    l.xs.high = std::round(x1) + 0.5;
  }
  if (markers && !wholeX) {
    l.inset = 10.0;
  }
  if (equalAspect) {
    const double ux = (l.xs.high - l.xs.low) / (l.right - l.left);
    const double uy = (l.ys.high - l.ys.low) / (l.bottom - l.top);
    if (ux > uy) {
      const double centre = (l.ys.low + l.ys.high) / 2;
      const double half = ux * (l.bottom - l.top) / 2;
      l.ys.low = centre - half;
      l.ys.high = centre + half;
    } else {
      const double centre = (l.xs.low + l.xs.high) / 2;
      const double half = uy * (l.right - l.left) / 2;
      l.xs.low = centre - half;
      l.xs.high = centre + half;
    }
  }
  return l;
}

std::string SvgPlot::renderItem(const Item& item, const Layout& l) const {
  const PlotStyle& s = item.style;
  std::string out;
  std::vector<std::pair<double, double>> screen;
  for (const PlotPoint& p : item.points) {
    screen.emplace_back(l.px(p.x), l.py(p.y));
  }
  const double zero = l.py(0.0);
  switch (item.kind) {
  case Kind::Line:
    out = polyline(screen, " fill=\"none\"" + strokeOf(s));
    break;
  case Kind::Area:
    if (!screen.empty()) {
      std::vector<std::pair<double, double>> closed = screen;
      closed.emplace_back(screen.back().first, zero);
      closed.emplace_back(screen.front().first, zero);
      out = polyline(closed, fillOf(s) + " stroke=\"none\"", "polygon");
      out += polyline(screen, " fill=\"none\"" + strokeOf(s));
    }
    break;
  case Kind::Points:
    for (const auto& [x, y] : screen) {
      out += marker(item.marker, x, y, s);
    }
    break;
  case Kind::Stems:
    for (const auto& [x, y] : screen) {
      out += line(x, zero, x, y, strokeOf(s)) + marker(Marker::Circle, x, y, s);
    }
    break;
  case Kind::Bars:
    for (const PlotPoint& p : item.points) {
      const double x0 = l.px(p.x - item.a / 2);
      const double x1 = l.px(p.x + item.a / 2);
      const double y = l.py(p.y);
      out += "<rect" + attr("x", x0) + attr("y", std::min(y, zero)) + attr("width", x1 - x0) +
             attr("height", std::fabs(zero - y)) + fillOf(s) + strokeOf(s) + "/>\n";
    }
    break;
  case Kind::VerticalLine:
    out = line(l.px(item.a), l.top, l.px(item.a), l.bottom, strokeOf(s));
    break;
  case Kind::HorizontalLine:
    out = line(l.left, l.py(item.a), l.right, l.py(item.a), strokeOf(s));
    break;
  case Kind::Band:
    out = "<rect" + attr("x", l.px(item.a)) + attr("y", l.top) + attr("width", l.px(item.b) - l.px(item.a)) +
          attr("height", l.bottom - l.top) + fillOf(s) + " stroke=\"none\"/>\n";
    break;
  case Kind::Arrows:
    for (const PlotArrow& a : item.arrows) {
      out += arrow(l.px(a.x), l.py(a.y), l.px(a.x + a.dx * item.a), l.py(a.y + a.dy * item.a), s);
    }
    break;
  case Kind::Label:
    out = text(screen[0].first + 5, screen[0].second - 5, item.text,
               " font-size=\"11\" fill=\"" + s.stroke + "\"");
    break;
  }
  return out;
}

// The legend under the plot, wrapped into rows across the picture's width; returns the drawing and
// counts the rows. Only series that name themselves appear.
std::string SvgPlot::renderLegend(const Layout& l, int& rows, bool draw) const {
  std::string out;
  rows = 0;
  double x = kLegendLeft;
  const double firstRow = l.bottom + 46.0;
  for (const Item& item : items) {
    if (item.kind == Kind::Label || item.text.empty()) {
      continue;
    }
    const double entry = kLegendSwatch + characterCount(item.text) * kCharWidth + 18;
    if (rows == 0 || (x + entry > width - 8 && x > kLegendLeft)) {
      ++rows;
      x = kLegendLeft;
    }
    if (draw) {
      const double y = firstRow + (rows - 1) * kLegendRow + 9;
      const PlotStyle& s = item.style;
      switch (item.kind) {
      case Kind::Area:
      case Kind::Band:
      case Kind::Bars:
        out += "<rect" + attr("x", x) + attr("y", y - 6) + attr("width", 20) + attr("height", 12) +
               fillOf(s) + (item.kind == Kind::Band ? std::string(" stroke=\"none\"") : strokeOf(s)) + "/>\n";
        break;
      case Kind::Points:
        out += marker(item.marker, x + 10, y, s);
        break;
      case Kind::Stems:
        out += line(x + 10, y + 6, x + 10, y - 2, strokeOf(s)) + marker(Marker::Circle, x + 10, y - 2, s);
        break;
      case Kind::Arrows:
        out += arrow(x, y + 4, x + 20, y - 4, s);
        break;
      default:
        out += line(x, y, x + 20, y, strokeOf(s));
        break;
      }
      out += text(x + kLegendSwatch, y + 4, item.text);
    }
    x += entry;
  }
  return out;
}

std::string SvgPlot::render(char decimalSeparator) const {
  int rows = 0;
  renderLegend(layout(0), rows, false);
  Layout l = layout(rows);
  l.separator = decimalSeparator;

  std::string out = "<svg viewBox=\"0 0 " + std::to_string(width) + " " + std::to_string(height) +
                    "\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
                    "\" role=\"img\" font-family=\"DejaVu Sans, Liberation Sans, Arial, sans-serif\" "
                    "font-size=\"13\" fill=\"#111111\">\n";
  if (!title.empty()) {
    out += "<title>" + escapeText(title) + "</title>\n";
  }
  out += "<rect x=\"0\" y=\"0\"" + attr("width", width) + attr("height", height) + " fill=\"#ffffff\"/>\n";
  if (!title.empty()) {
    out += text(width / 2.0, 20, title,
                " text-anchor=\"middle\" font-weight=\"bold\"" + fittingSize(title, width - 20));
  }

  const std::vector<double> xTicks = tickValues(l.xs);
  const std::vector<double> yTicks = tickValues(l.ys);
  const std::string grid = " stroke=\"#e2e2e2\" stroke-width=\"1\"";
  for (const double t : xTicks) {
    out += line(l.px(t), l.top, l.px(t), l.bottom, grid);
  }
  for (const double t : yTicks) {
    out += line(l.left, l.py(t), l.right, l.py(t), grid);
  }
  for (const Item& item : items) {
    out += renderItem(item, l);
  }
  out += "<rect" + attr("x", l.left) + attr("y", l.top) + attr("width", l.right - l.left) +
         attr("height", l.bottom - l.top) + " fill=\"none\" stroke=\"#444444\" stroke-width=\"1\"/>\n";

  const std::string tick = " stroke=\"#444444\" stroke-width=\"1\"";
  for (const double t : xTicks) {
    out += line(l.px(t), l.bottom, l.px(t), l.bottom + 5, tick);
    out += text(l.px(t), l.bottom + 18, tickText(t, l.xs.step, decimalSeparator), " text-anchor=\"middle\"");
  }
  for (const double t : yTicks) {
    out += line(l.left - 5, l.py(t), l.left, l.py(t), tick);
    out += text(l.left - 8, l.py(t) + 4, tickText(t, l.ys.step, decimalSeparator), " text-anchor=\"end\"");
  }
  if (!xLabel.empty()) {
    out += text((l.left + l.right) / 2, l.bottom + 36, xLabel,
                " text-anchor=\"middle\"" + fittingSize(xLabel, l.right - l.left));
  }
  if (!yLabel.empty()) {
    const double cx = 16.0;
    const double cy = (l.top + l.bottom) / 2;
    out += text(cx, cy, yLabel,
                " text-anchor=\"middle\" transform=\"rotate(-90 " + coordinate(cx) + " " + coordinate(cy) +
                    ")\"" + fittingSize(yLabel, l.bottom - l.top + 20));
  }
  out += renderLegend(l, rows, true);
  out += "</svg>\n";
  return out;
}

} // namespace kavo::svg
