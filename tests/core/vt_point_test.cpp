#include "core/vt_point.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavo {
namespace {

struct RecordingSurface : DrawSurface {
  std::vector<std::string> calls;
  void setPen(Colour c, PenStyle s) override {
    calls.push_back("pen " + std::to_string(c) + (s == PenStyle::Solid ? " solid" : " clear"));
  }
  void setBrush(Colour c, BrushStyle s) override {
    calls.push_back("brush " + std::to_string(c) + (s == BrushStyle::Solid ? " solid" : " clear"));
  }
  void moveTo(int x, int y) override {
    calls.push_back("move " + std::to_string(x) + "," + std::to_string(y));
  }
  void lineTo(int x, int y) override {
    calls.push_back("line " + std::to_string(x) + "," + std::to_string(y));
  }
  void rectangle(int l, int t, int r, int b) override {
    calls.push_back("rect " + std::to_string(l) + "," + std::to_string(t) + "," + std::to_string(r) + "," +
                    std::to_string(b));
  }
  void textOut(int, int, const char* text) override { calls.push_back(std::string("text ") + text); }
};

TEST(VT_Point, ExtentsReportTheCoordinates) {
  VT_Point p(3.5, -2);
  EXPECT_EQ(p.GetMinY(), -2);
  EXPECT_EQ(p.GetMaxY(), -2);
  EXPECT_EQ(p.GetMinX(), 3.5);
  EXPECT_EQ(p.GetMaxX(), 3.5);
}

TEST(VT_Point, DrawFillsOneCellWithXOnRowsAndYOnColumns) {
  struct Case {
    double x, y;
    int originX, originY;
    double scaleX, scaleY;
    const char* rect;
  };
  const Case cases[] = {
      {2, 3, 0, 0, 10, 20, "rect 60,20,80,30"},
      // Negative products are truncated toward zero: (-0.27 × 10) → -2, (0.73 × 10) → 7.
      {-0.27, -0.27, 0, 0, 10, 10, "rect -2,-2,7,7"},
      {5, 1, 4, 2, 1, 1, "rect -1,1,0,2"},
  };
  for (const Case& c : cases) {
    VT_Point p(c.x, c.y);
    p.color = 0x0000FF;
    RecordingSurface s;
    p.Draw(s, c.originX, c.originY, c.scaleX, c.scaleY);
    ASSERT_EQ(s.calls.size(), 3u);
    EXPECT_EQ(s.calls[0], "pen 255 solid");
    EXPECT_EQ(s.calls[1], "brush 255 solid");
    EXPECT_EQ(s.calls[2], c.rect) << c.x << "," << c.y;
  }
}

} // namespace
} // namespace kavo
