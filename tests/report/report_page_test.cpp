#include "report/report_page.h"

#include "estimator/focal_values.h"
#include "graph/distribution_model.h"
#include "report/report_distribution.h"
#include "report/report_plots.h"

#include "markup_check.h"
#include "sample_report.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace kavo {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

const std::string kSample = std::string(KAVO_EXAMPLES) + "/sample/";

const testing::LoadedSeries& sample() {
  static const testing::LoadedSeries series =
      testing::loadSeries(kSample + "camera.cam", kSample + "scene.crd", kSample + "series.lst", '.');
  return series;
}

// A run with every part of the report present: the refined result, the step checks, the plots.
ReportInput fullInput() {
  ReportInput in;
  in.programVersion = "1.0.0";
  in.date = "10.12.2025 12:00";
  in.files = {
      {"Файл внутренней геометрии", "/calib/camera.cam", std::string(64, 'a'), {}},
      {"Файл координат точек сцены", "/calib/scene.crd", std::string(64, 'b'), {}},
      {"Список калибровочных файлов", "/calib/series.lst", {}, "/calib/series.lst: нет прав доступа"}};
  in.imageCount = 4;
  in.scenePointCount = 25;
  in.measuredPointCount = 100;
  in.warnings = {"Наклон мишени 2,1° больше 1°", "Шаг <после 2> подозрителен"};
  in.classic = {true,
                {},
                1314,
                1799.7003262444346,
                9.139082288074222,
                0.2546505721038534,
                {true, 1.25, {1797.25, 1802.15}, "повторная выборка изображений"},
                {true, 1800.3125, -0.6122, {true, 1.3, {1797.75, 1802.875}, "за вычетом смещения"}},
                {}};
  in.refined.status = RefinedStatus::Ok;
  in.refined.focal = 1800.0125;
  in.refined.standardError = 0.4;
  in.refined.interval95 = {1799.2, 1800.8};
  in.refined.principalPoint = {1001.25, 748.5};
  in.refined.distortion = {-0.05, 0.0012};
  in.refined.tiltDegrees = 2.1;
  in.refined.reprojectionRms = 0.041;
  in.refined.steps = {{1, 25, 25.01, false}, {2, 25, 23.02, true}, {3, 25, 24.99, false}};
  in.refined.warnings = {"Шаг <после 2> подозрителен", "Изображения 5–6 не дали значений"};
  const std::vector<double> values = {1790, 1795, 1799, 1800, 1800, 1801, 1805, 1812};
  in.distribution = reportDistribution(FocalValues::fromVector(values), {1800.25, 3, 6.3, 2.2}, 1800.1);
  for (int i = 1; i <= 4; ++i) {
    const double step = 25.0 * (i - 1);
    in.scale.points.push_back({i, step, 138 + step * 0.14, 138 + step * 0.14 + (i == 3 ? 0.3 : 0.01),
                               i == 3 ? -0.3 : -0.01, i == 3});
    in.imageRms.push_back({i, 0.03 + 0.01 * i});
  }
  in.worstImage = {4,
                   0.07,
                   "пикс",
                   true,
                   {{100, 100, 0.05, -0.02, false},
                    {900, 100, -0.03, 0.04, true},
                    {100, 700, 0.01, 0.01, false},
                    {900, 700, 0.0, 0.0, false}}};
  return in;
}

void expectWholePage(const std::string& page) {
  EXPECT_EQ(testing::firstMarkupProblem(page), "");
  EXPECT_THAT(testing::outsideReferences(page), IsEmpty());
  EXPECT_THAT(page, HasSubstr("<meta charset=\"utf-8\">"));
  EXPECT_THAT(page, HasSubstr("@page { size: A4;"));
  EXPECT_THAT(page, HasSubstr("break-inside: avoid"));
  for (const std::string& svg : testing::svgElements(page)) {
    EXPECT_EQ(testing::firstMarkupProblem(svg), "");
    EXPECT_GE(testing::occurrences(svg, "<text"), 6) << svg.substr(0, 200); // title, labels, ticks
  }
}

TEST(ReportPage, SampleHoldsItsNumbersAndTheDigestsOfItsFiles) {
  const ReportInput in = testing::classicReportInput(sample(), '.');
  const std::string page = buildReportPage(in);
  expectWholePage(page);
  for (const char* shown : {">1799.7003<", ">9.1391<", ">0.2547<", ">1314<"}) {
    EXPECT_THAT(page, HasSubstr(shown));
  }
  // Digests as sha256sum gives them for the bundled files.
  for (const char* digest : {"fdf59404657c9a6a9aef6b62555a92616554c066667a162adbb3a60b5020e5e0",
                             "13c39b075e8ef0efe15bc3e52f25f28d5cec1489a061f236551a38a6141b131f",
                             "596f2d85ede782f9388e9792618131de1c114ffda1116a8481804f1bbcbe88d8"}) {
    EXPECT_THAT(page, HasSubstr(digest));
  }
  EXPECT_THAT(page, HasSubstr(kSample + "camera.cam"));
  EXPECT_THAT(page, HasSubstr(">6<"));  // images
  EXPECT_THAT(page, HasSubstr(">25<")); // scene points
  EXPECT_THAT(page, HasSubstr("Предупреждений нет."));
  ASSERT_EQ(testing::svgElements(page).size(), 1u); // the distribution; the rest need a refined fit
  EXPECT_THAT(page, HasSubstr("Уточнённая оценка не вычислялась."));
  EXPECT_LT(page.size(), 200u * 1024);
}

// The report bins the values over the clipping band with a quarter of its width beyond either side
// (never past the values themselves); far outliers are counted at the edges instead of stretching the
// axis. Without a band the bins span all the values, as the window's do.
TEST(ReportPage, DistributionSpansTheClippingBandAndCountsOutliersAtItsEdges) {
  const ReportInput in = testing::classicReportInput(sample(), '.');
  const ReportDistribution& d = in.distribution;
  ASSERT_TRUE(d.present);
  ASSERT_EQ(d.binCounts.size(), 200u);
  EXPECT_EQ(d.valueCount, 1314);
  const double bandWidth = d.band[1] - d.band[0];
  EXPECT_DOUBLE_EQ(d.range[0], std::max(d.minValue, d.band[0] - bandWidth / 4));
  EXPECT_DOUBLE_EQ(d.range[1], std::min(d.maxValue, d.band[1] + bandWidth / 4));
  EXPECT_EQ(std::accumulate(d.binCounts.begin(), d.binCounts.end(), std::int64_t{0}) + d.belowRange +
                d.aboveRange,
            1314);

  // Mean 1800, deviation 2, band 1794 … 1806 drawn over 1791 … 1809; 500 and 4000 lie beyond it.
  const FocalValues values = FocalValues::fromVector({500, 1795, 1799, 1800, 1800, 1801, 1805, 4000});
  const ReportDistribution outliers = reportDistribution(values, {1800, 3, 2, 1}, 1800);
  EXPECT_EQ(outliers.range, (std::array<double, 2>{1791, 1809}));
  EXPECT_EQ(outliers.belowRange, 1);
  EXPECT_EQ(outliers.aboveRange, 1);
  EXPECT_EQ(outliers.binCounts[static_cast<std::size_t>((1800 - 1791) / 18.0 * 200)], 2);
  EXPECT_THAT(buildReportPage([&] {
                ReportInput page = in;
                page.distribution = outliers;
                return page;
              }()),
              HasSubstr("за краями рисунка: 1 левее, 1 правее"));

  // Beside the table, a line on what each spread measures.
  EXPECT_THAT(buildReportPage(in), HasSubstr("<li>Стандартное отклонение — разброс среднего, как если бы"));

  const ReportDistribution noBand = reportDistribution(values, {1800, 0, 2, 1}, 1800);
  EXPECT_EQ(noBand.range, (std::array<double, 2>{500, 4000}));
  EXPECT_EQ(noBand.belowRange + noBand.aboveRange, 0);
  EXPECT_TRUE(d.bandVisible);
  EXPECT_EQ(d.band[0], d.meanValue - 3 * d.deviation);
  EXPECT_EQ(d.band[1], d.meanValue + 3 * d.deviation);
  EXPECT_DOUBLE_EQ(d.resultMean, in.classic.focal);
  EXPECT_FALSE(reportDistribution(FocalValues::fromVector({}), {}, 0).present);
}

TEST(ReportPage, CommaSeparatorReachesNumbersAndTicks) {
  const std::string page = buildReportPage(testing::classicReportInput(sample(), ','));
  for (const char* shown : {">1799,7003<", ">9,1391<", ">0,2547<"}) {
    EXPECT_THAT(page, HasSubstr(shown));
  }
  EXPECT_THAT(page, Not(HasSubstr(">1799.7003<")));
  EXPECT_THAT(page, HasSubstr("«,»"));
}

TEST(ReportPage, FullRunShowsRefinedResultStepsWarningsAndEveryPlot) {
  const std::string page = buildReportPage(fullInput());
  expectWholePage(page);
  EXPECT_EQ(testing::svgElements(page).size(), 5u);
  for (const char* shown :
       {">1800.0125<", "от 1799.2000 до 1800.8000", "от 1797.2500 до 1802.1500",
        "повторная выборка изображений", "x 1001.25; y 748.50", "k1 = -0.05; k2 = 0.0012", "2.10°",
        "0.041 пикс", ">подозрительный<", "-1.980", "Невязки изображения 4", "стрелки увеличены в 1000 раз",
        "нет прав доступа", "95 % интервал значения", "Классическая оценка с поправкой на геометрию",
        ">1800.3125<", "-0.6122 пикс.", "от 1797.7500 до 1802.8750", "за вычетом смещения"}) {
    EXPECT_THAT(page, HasSubstr(shown));
  }
  // Every warning once, escaped, in the box at the top before the results.
  const std::size_t box = page.find("Предупреждения (3)");
  ASSERT_NE(box, std::string::npos);
  EXPECT_LT(box, page.find("<h2>Результат</h2>"));
  EXPECT_EQ(testing::occurrences(page, "Шаг &lt;после 2&gt; подозрителен"), 1);
  EXPECT_THAT(page, HasSubstr("Изображения 5–6 не дали значений"));
  EXPECT_THAT(page, Not(HasSubstr("не вычислялась")));
}

struct AbsentCase {
  const char* name;
  bool classic;
  RefinedStatus refined;
  int mode;
  const char* message;
  std::vector<std::string> sentences;
};

void PrintTo(const AbsentCase& c, std::ostream* os) {
  *os << c.name;
}

class ReportAbsence : public ::testing::TestWithParam<AbsentCase> {};

// Where the run allows no part, the page says so and why, and leaves no section empty.
TEST_P(ReportAbsence, SaysWhyInsteadOfLeavingAGap) {
  const AbsentCase& c = GetParam();
  ReportInput in = fullInput();
  in.refined = ReportRefined{};
  in.refined.status = c.refined;
  in.refined.message = c.message;
  in.settings.mode = c.mode;
  in.scale = {};
  in.imageRms.clear();
  in.worstImage = {};
  if (!c.classic) {
    in.classic = {};
    in.classic.absentReason = c.message;
    in.distribution = {};
  }
  const std::string page = buildReportPage(in);
  expectWholePage(page);
  for (const std::string& s : c.sentences) {
    EXPECT_THAT(page, HasSubstr(s));
  }
  EXPECT_EQ(testing::occurrences(page, "График не построен: нет данных уточнённой оценки"), 3);
  // Every heading is followed by content, never directly by the next heading.
  EXPECT_THAT(page, Not(HasSubstr("</h3>\n<h3>")));
  EXPECT_THAT(page, Not(HasSubstr("</h3>\n<h2>")));
  EXPECT_THAT(page, Not(HasSubstr("</h2>\n<h2>")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportAbsence,
    ::testing::Values(
        AbsentCase{"refinedFailed",
                   true,
                   RefinedStatus::Failed,
                   1,
                   "слишком мало изображений",
                   {"Уточнённая оценка не получена: слишком мало изображений."}},
        AbsentCase{
            "refinedNotRun", true, RefinedStatus::NotRun, 1, "", {"Уточнённая оценка не вычислялась."}},
        AbsentCase{"debugModeRefineSwitchedOff",
                   true,
                   RefinedStatus::NotRun,
                   2,
                   "уточнение было отключено",
                   {"Уточнённая оценка не вычислялась: уточнение было отключено.", ">Отладочный<"}},
        AbsentCase{"noResult",
                   false,
                   RefinedStatus::NotRun,
                   1,
                   "Выход в окне распределения",
                   {"Фокусное расстояние не вычислено: Выход в окне распределения.",
                    "Уточнённой оценки нет: расчёт не дал результата.",
                    "Распределение не построено: нет ни одного значения."}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ReportPlots, ArrowScaleIsTheLargestOneTwoFiveStepWithinTheFraction) {
  struct Case {
    double extent, longest, scale;
  } cases[] = {{1000, 0.5, 200}, {1000, 0.1, 1000}, {1000, 0.07, 1000},     {800, 0.03, 2000},
               {1000, 0.0, 1},   {0, 0.5, 1},       {1000, std::nan(""), 1}};
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(arrowScale(c.extent, c.longest), c.scale) << c.extent << " " << c.longest;
  }
}

} // namespace
} // namespace kavo
