#include <gtest/gtest.h>

#include <string>

#include "estimator/focal_values.h"
#include "graph/distribution_drawing.h"
#include "graph/graph_number.h"

namespace kavo {
namespace {

constexpr Colour kWhite = 0xFFFFFF;

int countColour(const RasterPicture& picture, Colour colour) {
  int n = 0;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      n += picture.pixel(x, y) == colour ? 1 : 0;
    }
  }
  return n;
}

bool anyOfColourIn(const RasterPicture& picture, Colour colour, int left, int top, int right, int bottom) {
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      if (picture.pixel(x, y) == colour) {
        return true;
      }
    }
  }
  return false;
}

// Range 0 .. 800, one column per unit: mean 401.7 → column 451, band 401.7 ± 300.6 → 752 and 151.
class DistributionPictureTest : public testing::Test {
protected:
  FocalValues values = FocalValues::fromVector({0, 400, 400, 800});
};

TEST_F(DistributionPictureTest, AxisMarkersAndTextsAtTheirColumns) {
  const DistributionModel model(values, DistributionNumbers{401.7, 1, 300.6, 150.3});
  const RasterPicture background = renderDistributionBackground(model, '.');
  const RasterPicture picture = renderDistributionPicture(background, model);
  ASSERT_EQ(picture.width(), 900);
  ASSERT_EQ(picture.height(), 580);

  for (int x = 50; x < 850; ++x) {
    if (x != 151 && x != 451 && x != 752) {
      ASSERT_EQ(picture.pixel(x, 490), kCurveColour) << "axis at column " << x;
    }
  }
  EXPECT_EQ(picture.pixel(49, 490), kWhite);
  for (int y = 486; y <= 495; ++y) {
    EXPECT_EQ(picture.pixel(850, y), kCurveColour) << "tick row " << y;
    EXPECT_EQ(picture.pixel(50, y), kCurveColour) << "tick row " << y;
  }
  for (int y = 101; y <= 500; ++y) {
    ASSERT_EQ(picture.pixel(451, y), kMeanColour) << "mean line row " << y;
    ASSERT_EQ(picture.pixel(151, y), kBandColour) << "lower band row " << y;
    ASSERT_EQ(picture.pixel(752, y), kBandColour) << "upper band row " << y;
  }
  // Lines end one pixel short of their end point, and nothing else is red or blue.
  EXPECT_NE(picture.pixel(451, 100), kMeanColour);
  EXPECT_EQ(countColour(picture, kMeanColour), 400);
  EXPECT_EQ(countColour(picture, kBandColour), 800);
  EXPECT_EQ(countColour(background, kMeanColour) + countColour(background, kBandColour), 0);

  // The curve starts at the first bin centre (column 52, 490 - 312.5 → 177); the two bins that
  // share 400 as their border rise to row 490 - 625 → above the picture.
  EXPECT_EQ(picture.pixel(52, 177), kCurveColour);
  // The minimum and maximum texts below the axis ends.
  const int minWidth = RasterPicture::textWidth(formatGraphNumber(0, '.').c_str());
  const int maxWidth = RasterPicture::textWidth(formatGraphNumber(800, '.').c_str());
  EXPECT_TRUE(anyOfColourIn(picture, kCurveColour, 30, 500, 30 + minWidth, 507));
  EXPECT_TRUE(anyOfColourIn(picture, kCurveColour, 830, 500, 830 + maxWidth, 507));
  EXPECT_FALSE(anyOfColourIn(picture, kCurveColour, 0, 510, 900, 580));
}

TEST_F(DistributionPictureTest, NoBandLinesWithoutAPositiveFactorAndDeviation) {
  struct Case {
    double clip;
    double deviation;
  };
  for (const Case c : {Case{0, 300}, Case{-2, 300}, Case{3, 0}}) {
    const DistributionModel model(values, DistributionNumbers{400, c.clip, c.deviation, 0});
    const RasterPicture picture = renderDistributionPicture(renderDistributionBackground(model, '.'), model);
    EXPECT_EQ(countColour(picture, kBandColour), 0) << "clip " << c.clip << " deviation " << c.deviation;
    EXPECT_EQ(picture.pixel(450, 300), kMeanColour);
  }
}

TEST_F(DistributionPictureTest, MarkersFarOutsideThePictureDrawNothing) {
  const DistributionModel model(values, DistributionNumbers{-1e9, 1, 1e12, 1});
  const RasterPicture picture = renderDistributionPicture(renderDistributionBackground(model, '.'), model);
  EXPECT_EQ(countColour(picture, kMeanColour), 0);
  EXPECT_EQ(countColour(picture, kBandColour), 0);
}

TEST(RasterPictureTest, RectangleFillsAndOutlinesWithRightAndBottomExclusive) {
  RasterPicture picture(10, 10);
  picture.setPen(0x0000FF, DrawSurface::PenStyle::Solid);
  picture.setBrush(0x00FF00, DrawSurface::BrushStyle::Solid);
  picture.rectangle(2, 2, 6, 5);
  EXPECT_EQ(picture.pixel(2, 2), 0x0000FFu);
  EXPECT_EQ(picture.pixel(5, 4), 0x0000FFu);
  EXPECT_EQ(picture.pixel(3, 3), 0x00FF00u);
  EXPECT_EQ(picture.pixel(6, 4), kWhite);
  EXPECT_EQ(picture.pixel(5, 5), kWhite);
  picture.setPen(0, DrawSurface::PenStyle::Clear);
  picture.moveTo(0, 9);
  picture.lineTo(9, 9);
  EXPECT_EQ(picture.pixel(0, 9), kWhite) << "a clear pen draws nothing";
}

} // namespace
} // namespace kavo
