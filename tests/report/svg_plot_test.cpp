#include "report/svg_plot.h"
#include "report/svg_text.h"

#include "markup_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <regex>

namespace kavo::svg {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

struct ScaleCase {
  const char* name;
  double low, high;
  int target;
  bool whole;
  double step, niceLow, niceHigh;
};

void PrintTo(const ScaleCase& c, std::ostream* os) {
  *os << c.name;
}

class NiceScaleTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(NiceScaleTest, CoversTheRangeWithOneTwoFiveSteps) {
  const ScaleCase& c = GetParam();
  const NiceScale s = niceScale(c.low, c.high, c.target, c.whole);
  EXPECT_DOUBLE_EQ(s.step, c.step);
  EXPECT_DOUBLE_EQ(s.low, c.niceLow);
  EXPECT_DOUBLE_EQ(s.high, c.niceHigh);
  const std::vector<double> ticks = tickValues(s);
  ASSERT_FALSE(ticks.empty());
  EXPECT_DOUBLE_EQ(ticks.front(), s.low);
  EXPECT_NEAR(ticks.back(), s.high, s.step * 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Ranges, NiceScaleTest,
                         ::testing::Values(ScaleCase{"unit", 0, 1, 5, false, 0.2, 0, 1},
                                           ScaleCase{"focal", 1771.3, 1832.9, 8, false, 10, 1770, 1840},
                                           ScaleCase{"aroundZero", -0.031, 0.047, 5, false, 0.02, -0.04,
                                                     0.06},
                                           ScaleCase{"inverted", 3, 1, 4, false, 0.5, 1, 3},
                                           ScaleCase{"oneValue", 1800, 1800, 4, false, 10, 1780, 1820},
                                           ScaleCase{"zeroOnly", 0, 0, 4, false, 0.5, -1, 1},
                                           ScaleCase{"imageNumbers", 1, 3, 10, true, 1, 1, 3},
                                           ScaleCase{"millions", 0, 4.2e6, 5, false, 1e6, 0, 5e6}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(TickText, UsesTheStepsDecimalsAndTheCallersSeparator) {
  EXPECT_EQ(tickText(1780, 10, ','), "1780");
  EXPECT_EQ(tickText(0.25, 0.05, ','), "0,25");
  EXPECT_EQ(tickText(-0.04, 0.02, '.'), "-0.04");
  EXPECT_EQ(tickText(-1e-17, 0.02, '.'), "0.00"); // zero but for rounding: no minus sign
  EXPECT_EQ(tickText(3e-6, 1e-6, ','), "3E-06");
  EXPECT_EQ(tickText(2e9, 1e9, '.'), "2E+09");
}

TEST(SvgText, EscapesMarkupAndReplacesWhatIsNotUtf8Text) {
  const std::string r = "\xEF\xBF\xBD";
  struct Case {
    std::string in, out;
  } cases[] = {
      {"<a href='x'> & \"b\"", "&lt;a href=&#39;x&#39;&gt; &amp; &quot;b&quot;"},
      {"Фокусное расстояние, мм", "Фокусное расстояние, мм"},
      {"C:\\calib\\Kalibr.cam", "C:\\calib\\Kalibr.cam"},
      {"bad\xFF", "bad" + r},                            // a byte that starts nothing
      {"\xD0", r},                                       // a sequence cut short
      {"\xC0\xAF", r + r},                               // an overlong '/'
      {"\xED\xA0\x80", r + r + r},                       // a surrogate
      {std::string("a\x01z\x7F", 4), "a" + r + "z" + r}, // control characters
      {"line\nnext\ttab", "line\nnext\ttab"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(escapeText(c.in), c.out) << c.in;
  }
  EXPECT_EQ(characterCount("Шаг, мм"), 7);
}

TEST(SvgText, NumbersFollowTheCallersSeparatorAndNeverShowMinusZero) {
  EXPECT_EQ(fixedNumber(1799.70032, 4, ','), "1799,7003");
  EXPECT_EQ(fixedNumber(-0.00001, 2, '.'), "0.00");
  EXPECT_EQ(fixedNumber(std::numeric_limits<double>::quiet_NaN(), 2, '.'), "\xE2\x80\x94");
  EXPECT_EQ(significantNumber(-0.05, 4, ','), "-0,05");
  EXPECT_EQ(significantNumber(2.5e-8, 4, '.'), "2.5E-08");
  EXPECT_EQ(significantNumber(123456.7, 4, '.'), "123500");
  EXPECT_EQ(significantNumber(0.000123456, 3, '.'), "0.000123");
  EXPECT_EQ(coordinate(12.5), "12.5");
  EXPECT_EQ(coordinate(-0.001), "0");
}

std::vector<double> numbersAfter(const std::string& svg, const std::string& attribute) {
  std::vector<double> out;
  const std::regex pattern(" " + attribute + "=\"(-?[0-9.]+)\"");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), pattern); it != std::sregex_iterator(); ++it) {
    out.push_back(std::stod((*it)[1]));
  }
  return out;
}

struct Frame {
  double left = 0, top = 0, right = 0, bottom = 0;
};

// The plot's frame: the unfilled dark rectangle drawn over the series.
Frame frameOf(const std::string& svg) {
  const std::size_t end = svg.find("fill=\"none\" stroke=\"#444444\"");
  const std::string rect = svg.substr(svg.rfind("<rect", end), end);
  Frame f;
  f.left = numbersAfter(rect, "x").at(0);
  f.top = numbersAfter(rect, "y").at(0);
  f.right = f.left + numbersAfter(rect, "width").at(0);
  f.bottom = f.top + numbersAfter(rect, "height").at(0);
  return f;
}

SvgPlot everyKind() {
  SvgPlot plot(760, 340);
  plot.setTitle("Проба <всех> видов");
  plot.setXLabel("Шаг, мм");
  plot.setYLabel("Длина, мм");
  PlotStyle s;
  plot.addVerticalBand(-0.5, 0.5, s, "Полоса");
  plot.addArea({{0, 0}, {1, 4}, {2, 1}}, s, "Кривая");
  plot.addLine({{0, 1}, {3, 2}}, s, "Прямая");
  plot.addPoints({{0.5, 2.5}, {2.5, 3.5}}, s, Marker::Circle, "Точки");
  plot.addPoints({{1.5, 1.5}}, s, Marker::Square, "Квадрат");
  plot.addPoints({{2.0, 0.5}}, s, Marker::Cross, "Крест");
  plot.addStems({{1, -1}, {2, 0.5}}, s, "Отклонения");
  plot.addBars({{1, 2}, {2, 3}}, 0.5, s, "Столбцы");
  plot.addVerticalLine(2.75, s, "Среднее");
  plot.addHorizontalLine(0, s);
  plot.addArrows({{1, 1, 0.01, -0.02}, {2, 2, 0, 0}}, 50, s, "Невязки × 50");
  plot.addLabel({0.5, 2.5}, "3", s);
  return plot;
}

TEST(SvgPlot, EveryKindRendersAsWellFormedMarkupWithTicksLabelsAndLegend) {
  const std::string svg = everyKind().render(',');
  EXPECT_EQ(testing::firstMarkupProblem(svg), "");
  EXPECT_THAT(testing::outsideReferences(svg), ::testing::IsEmpty());
  EXPECT_THAT(svg, HasSubstr("Проба &lt;всех&gt; видов"));
  for (const char* label : {"Шаг, мм", "Длина, мм", "Полоса", "Кривая", "Прямая", "Точки", "Квадрат", "Крест",
                            "Отклонения", "Столбцы", "Среднее", "Невязки × 50"}) {
    EXPECT_THAT(svg, HasSubstr(std::string(">") + label + "<")) << label;
  }
  // Ticks with the caller's separator (the x range -0.5 … 3 gets half steps), none with the other.
  EXPECT_THAT(svg, HasSubstr(">0,5<"));
  EXPECT_THAT(svg, HasSubstr(">2,5<"));
  EXPECT_THAT(svg, Not(HasSubstr(">0.5<")));
  EXPECT_THAT(svg, Not(HasSubstr("nan")));
  // The same calls give the same bytes.
  EXPECT_EQ(svg, everyKind().render(','));
}

TEST(SvgPlot, RangesCoverEverySeriesMarkerAndArrowInsideTheFrame) {
  SvgPlot plot(600, 300);
  PlotStyle s;
  plot.addPoints({{10, 20}, {12, 25}, {std::nan(""), 1e300}}, s, Marker::Circle);
  plot.addVerticalLine(30, s);             // beyond the points
  plot.addArrows({{11, 21, 1, 1}}, 20, s); // its tip at (31, 41)
  const std::string svg = plot.render('.');
  const Frame f = frameOf(svg);
  const double left = f.left, top = f.top, right = f.right, bottom = f.bottom;
  const std::vector<double> xs = numbersAfter(svg, "cx");
  const std::vector<double> ys = numbersAfter(svg, "cy");
  ASSERT_EQ(xs.size(), 2u); // the point that is not finite is left out
  for (std::size_t i = 0; i < xs.size(); ++i) {
    EXPECT_GE(xs[i], left);
    EXPECT_LE(xs[i], right);
    EXPECT_GE(ys[i], top);
    EXPECT_LE(ys[i], bottom);
  }
  for (const double x : numbersAfter(svg, "x2")) {
    EXPECT_LE(x, right + 1e-9);
  }
  for (const double y : numbersAfter(svg, "y2")) {
    EXPECT_GE(y, top - 1e-9);
  }
  EXPECT_THAT(svg, HasSubstr(">30<")); // the vertical line's place is a labelled tick
  EXPECT_THAT(svg, Not(HasSubstr("e+300")));
}

TEST(SvgPlot, ImageAxesGrowDownwardsAndEqualAspectKeepsUnitsEqual) {
  // A square of points: with equal units its width and height on the picture agree, whatever the
  // picture's proportions.
  SvgPlot plot(760, 300);
  plot.setYDown(true);
  plot.setEqualAspect(true);
  plot.addPoints({{0, 0}, {100, 0}, {0, 100}, {100, 100}}, PlotStyle{}, Marker::Circle);
  const std::string svg = plot.render('.');
  const std::vector<double> xs = numbersAfter(svg, "cx");
  const std::vector<double> ys = numbersAfter(svg, "cy");
  ASSERT_EQ(xs.size(), 4u);
  EXPECT_NEAR(xs[1] - xs[0], ys[2] - ys[0], 0.05);
  EXPECT_GT(ys[2], ys[0]); // y = 100 lies below y = 0
}

TEST(SvgPlot, WholeNumberAxisHasNoFractionalTicksAndAnEmptyPlotStillHasAxes) {
  SvgPlot bars(500, 200);
  bars.setWholeX(true);
  bars.addBars({{1, 0.2}, {2, 0.3}, {3, 0.25}}, 0.6, PlotStyle{});
  const std::string svg = bars.render(',');
  for (const char* tick : {">1<", ">2<", ">3<"}) {
    EXPECT_THAT(svg, HasSubstr(tick));
  }
  EXPECT_THAT(svg, Not(HasSubstr(">0<")));
  EXPECT_THAT(svg, Not(HasSubstr(">1,5<")));

  SvgPlot counts(500, 200); // a histogram of a handful of values: counts are whole
  counts.setWholeY(true);
  counts.addArea({{1790, 0}, {1795, 2}, {1800, 1}}, PlotStyle{});
  const std::string countSvg = counts.render(',');
  EXPECT_THAT(countSvg, HasSubstr(">2<"));
  EXPECT_THAT(countSvg, Not(HasSubstr(">0,5<")));

  const std::string empty = SvgPlot(300, 200).render('.');
  EXPECT_EQ(testing::firstMarkupProblem(empty), "");
  EXPECT_THAT(empty, HasSubstr(">0.5<"));
}

} // namespace
} // namespace kavo::svg
