#pragma once
#include <cstdint>
#include <vector>

#include "core/draw_surface.h"

namespace kavo {

// A 24-bit picture in memory that the distribution drawing paints on, pixel for pixel the same
// for the window and for the command line's picture file. It starts white. Lines leave out their
// end point, as the canvas the pictures were designed on does, and text is drawn in a small
// built-in font (digits, separators, sign and exponent letter) in the pen colour, anchored at its
// top left corner, so the picture does not depend on the fonts of the machine.
class RasterPicture final : public DrawSurface {
public:
  RasterPicture(int width, int height);

  int width() const { return w; }
  int height() const { return h; }
  // Colour at (x, y); the point must lie inside the picture.
  Colour pixel(int x, int y) const;
  // Rows from the top, each width × 3 bytes in the order red, green, blue.
  const std::vector<std::uint8_t>& rgbRows() const { return rgb; }

  void setPen(Colour colour, PenStyle style) override;
  void setBrush(Colour colour, BrushStyle style) override;
  void moveTo(int x, int y) override;
  void lineTo(int x, int y) override;
  void rectangle(int left, int top, int right, int bottom) override;
  void textOut(int x, int y, const char* utf8Text) override;

  // The width in pixels the built-in font gives a text.
  static int textWidth(const char* text);

private:
  void plot(int x, int y, Colour colour);

  int w;
  int h;
  std::vector<std::uint8_t> rgb;
  Colour pen = 0;
  bool penVisible = true;
  Colour brush = 0xFFFFFF;
  bool brushVisible = true;
  int penX = 0;
  int penY = 0;
};

} // namespace kavo
