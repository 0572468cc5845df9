// Series the fit cannot use as a whole: it says so, holds what the series cannot determine, leaves
// out what is broken, and never answers with a number that is not one.
#include "refine/refine_series.h"
#include "refine_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace kavo {
namespace {

using testing::allFinite;
using testing::boardSeries;
using testing::refineInputFor;
using testing::relativeError;

using testing::hasWarning;

struct DegenerateCase {
  const char* name;
  std::function<void(SyntheticGeometryOptions&)> options;
  std::function<void(RefineInput&)> spoil;
  const char* message; // the start of the failure message
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const DegenerateCase& c, std::ostream* os) {
  *os << c.name;
}

class FailingSeries : public ::testing::TestWithParam<DegenerateCase> {};

TEST_P(FailingSeries, FailWithAMessage) {
  const DegenerateCase& c = GetParam();
  SyntheticGeometryOptions o = boardSeries(51);
  if (c.options) {
    c.options(o);
  }
  RefineInput in = refineInputFor(o);
  if (c.spoil) {
    c.spoil(in);
  }
  const RefinedResult r = refineSeries(in);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message.rfind(std::string("Уточнение не выполнено: ") + c.message, 0), 0u) << r.message;
  EXPECT_TRUE(allFinite(r));
  // Images and steps are listed when the list itself is sound.
  EXPECT_TRUE(r.images.empty() || r.images.size() == in.points.images.size());
}

INSTANTIATE_TEST_SUITE_P(
    Series, FailingSeries,
    ::testing::Values(DegenerateCase{"OneImage",
                                     [](SyntheticGeometryOptions& o) { o.images = 1; },
                                     {},
                                     "для уточнения нужны хотя бы два изображения"},
                      DegenerateCase{"StepsOfZero",
                                     {},
                                     [](RefineInput& in) {
                                       std::fill(in.settings.imageValues.begin(),
                                                 in.settings.imageValues.end(), 0.0);
                                     },
                                     "камера между изображениями не сдвигалась"},
                      DegenerateCase{"StepNotANumber",
                                     {},
                                     [](RefineInput& in) {
                                       in.settings.imageValues[2] = std::numeric_limits<double>::quiet_NaN();
                                     },
                                     "шаг камеры в списке не является числом"},
                      DegenerateCase{"PointsOnOneLine",
                                     [](SyntheticGeometryOptions& o) { o.rows = 1; },
                                     {},
                                     "меньше двух изображений"},
                      DegenerateCase{"TwoImagesBarelyApart",
                                     [](SyntheticGeometryOptions& o) {
                                       o.images = 2;
                                       o.step = 0.01;
                                       o.noise = 0.5;
                                     },
                                     {},
                                     "серия определяет фокусное расстояние лишь с точностью около"}),
    [](const ::testing::TestParamInfo<DegenerateCase>& p) { return std::string(p.param.name); });

TEST(DegenerateSeries, APrincipalPointTheSeriesCannotFixIsHeldAtTheCameraFilesPoint) {
  SyntheticGeometryOptions o = boardSeries(52);
  o.images = 2;
  o.step = 0.01;
  o.noise = 0.5;
  RefineInput in = refineInputFor(o);
  in.hasPrincipalPoint = true;
  in.principalPointX = 970.0;
  in.principalPointY = 530.0;
  const RefinedResult r = refineSeries(in);
  EXPECT_TRUE(r.principalPointFixed);
  EXPECT_TRUE(hasWarning(r, "Главная точка по этой серии не определяется: взята из файла камеры"));
  EXPECT_TRUE(allFinite(r));
}

TEST(DegenerateSeries, BrokenImagesAndPointsAreLeftOutOfAnOtherwiseSoundSeries) {
  const SyntheticGeometryOptions o = boardSeries(53);
  RefineInput in = refineInputFor(o);
  in.points.images[3].resize(3);                                       // too few points
  in.points.images[5][7].x = std::numeric_limits<double>::quiet_NaN(); // a point that is no number
  in.points.images[6].pop_back();                                      // shorter than the scene
  in.points.images[7][20] = {in.points.images[7][20].x + 30.0, in.points.images[7][20].y - 20.0}; // bad point
  in.points.images[8].push_back({5.0, 5.0}); // longer than the scene: the extra point has no partner

  const RefinedResult r = refineSeries(in);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_LT(relativeError(r.focal, o.focal), 0.0005);
  EXPECT_TRUE(hasWarning(r, "Изображение 4 не участвует в уточнении: на нём меньше четырёх точек"));
  EXPECT_FALSE(r.images[3].used);
  EXPECT_EQ(r.images[5].points, 55);
  EXPECT_EQ(r.images[6].points, 55);
  EXPECT_EQ(r.images[8].points, 56);
  ASSERT_EQ(r.downWeighted.size(), 1u);
  EXPECT_EQ(r.downWeighted[0].image, 8);
  EXPECT_EQ(r.downWeighted[0].point, 21);
  EXPECT_NEAR(r.downWeighted[0].dx, -30.0, 0.5);
  EXPECT_LT(r.downWeighted[0].weight, 0.1);
  EXPECT_TRUE(allFinite(r));
}

TEST(DegenerateSeries, ManyGrossOutliersDoNotDragTheFocalLength) {
  const SyntheticGeometryOptions o = boardSeries(54);
  RefineInput in = refineInputFor(o);
  // About 7 % of the points off by 20 to 40 pixels, as a detector that swaps corners might leave.
  int spoiled = 0;
  for (std::size_t i = 0; i < in.points.images.size(); ++i) {
    for (std::size_t j = (i * 7) % 13; j < in.points.images[i].size(); j += 13) {
      in.points.images[i][j].x += (j % 2 == 0 ? 1.0 : -1.0) * (20.0 + static_cast<double>(j % 21));
      ++spoiled;
    }
  }
  const RefinedResult r = refineSeries(in);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_LT(relativeError(r.focal, o.focal), 0.0005);
  EXPECT_EQ(static_cast<int>(r.downWeighted.size()), spoiled);
  EXPECT_TRUE(hasWarning(r, "Уточнение ослабило вес " + std::to_string(spoiled) + " точек"));
}

} // namespace
} // namespace kavo
