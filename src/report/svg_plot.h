#pragma once
#include <string>
#include <vector>

namespace kavo::svg {

// An axis range widened to whole multiples of a 1, 2 or 5 × 10^k step, so that ticks fall on
// numbers a reader can take in at a glance.
struct NiceScale {
  double low = 0.0;
  double high = 1.0;
  double step = 0.2;
};

// At most about `targetTicks` intervals over [low, high]; an empty or inverted range is widened
// around its value. With wholeSteps the step is never below 1 (image numbers).
NiceScale niceScale(double low, double high, int targetTicks, bool wholeSteps = false);

// The tick values of a scale from low to high, computed as multiples of the step so that no
// rounding drift creeps in.
std::vector<double> tickValues(const NiceScale& scale);

// A tick's text: as many decimals as the step needs, with the caller's decimal separator.
std::string tickText(double value, double step, char decimalSeparator);

struct PlotPoint {
  double x = 0.0;
  double y = 0.0;
};

// A residual drawn as an arrow from (x, y) towards (x + dx·scale, y + dy·scale).
struct PlotArrow {
  double x = 0.0;
  double y = 0.0;
  double dx = 0.0;
  double dy = 0.0;
};

struct PlotStyle {
  std::string stroke = "#000000";
  std::string fill = "none";
  double width = 1.5;
  bool dashed = false;
  double fillOpacity = 1.0;
  double markerRadius = 3.0;
};

enum class Marker { Circle, Square, Cross };

// One plot as an SVG element: a frame with grid, ticks and tick labels on both axes, axis
// labels (units included by the caller), the series in the order added, and a legend under the
// plot for every series that names itself. The ranges cover every series, marker and band and
// widen to nice ticks. The output depends on nothing but the calls made, so the same data always
// give the same bytes.
class SvgPlot {
public:
  SvgPlot(int width, int height);

  void setTitle(std::string text) { title = std::move(text); }
  void setXLabel(std::string text) { xLabel = std::move(text); }
  void setYLabel(std::string text) { yLabel = std::move(text); }
  // Ticks on whole numbers only (image numbers).
  void setWholeX(bool whole) { wholeX = whole; }
  // Ticks on whole numbers only on the y axis (counts).
  void setWholeY(bool whole) { wholeY = whole; }
  // y grows downwards, as in an image's own coordinates.
  void setYDown(bool down) { yDown = down; }
  // One unit is as long on both axes (points over a target).
  void setEqualAspect(bool equal) { equalAspect = equal; }
  // At least this much room left of the frame, so that plots stacked one above the other share
  // their x positions.
  void setMinimumLeft(double room) { minimumLeft = room; }
  void includeX(double x);
  void includeY(double y);

  void addLine(std::vector<PlotPoint> points, const PlotStyle& style, std::string legend = {});
  // A curve filled down to y = 0 (a histogram drawn as the distribution window draws it).
  void addArea(std::vector<PlotPoint> points, const PlotStyle& style, std::string legend = {});
  void addPoints(std::vector<PlotPoint> points, const PlotStyle& style, Marker marker,
                 std::string legend = {});
  // Vertical lines from y = 0 to each point, with a dot at the point (residuals).
  void addStems(std::vector<PlotPoint> points, const PlotStyle& style, std::string legend = {});
  // Bars from y = 0, centred on each x, `barWidth` wide in x units.
  void addBars(std::vector<PlotPoint> points, double barWidth, const PlotStyle& style,
               std::string legend = {});
  void addVerticalLine(double x, const PlotStyle& style, std::string legend = {});
  void addHorizontalLine(double y, const PlotStyle& style, std::string legend = {});
  void addVerticalBand(double low, double high, const PlotStyle& style, std::string legend = {});
  void addArrows(std::vector<PlotArrow> arrows, double scale, const PlotStyle& style,
                 std::string legend = {});
  // A short text beside a point, in the colour of the style's stroke.
  void addLabel(PlotPoint at, std::string text, const PlotStyle& style);

  // The <svg> element; numbers in ticks use the caller's decimal separator.
  std::string render(char decimalSeparator) const;

private:
  enum class Kind { Line, Area, Points, Stems, Bars, VerticalLine, HorizontalLine, Band, Arrows, Label };
  struct Item {
    Kind kind = Kind::Line;
    std::vector<PlotPoint> points;
    std::vector<PlotArrow> arrows;
    PlotStyle style;
    Marker marker = Marker::Circle;
    double a = 0.0; // line position, band low, bar width or arrow scale
    double b = 0.0; // band high
    std::string text;
  };
  struct Layout;

  void add(Item item);
  Layout layout(int legendRows) const;
  std::string renderItem(const Item& item, const Layout& l) const;
  std::string renderLegend(const Layout& l, int& rows, bool draw) const;

  int width;
  int height;
  std::string title;
  std::string xLabel;
  std::string yLabel;
  bool wholeX = false;
  bool wholeY = false;
  bool yDown = false;
  bool equalAspect = false;
  double minimumLeft = 0.0;
  bool anyX = false;
  bool anyY = false;
  double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
  std::vector<Item> items;
};

} // namespace kavo::svg
