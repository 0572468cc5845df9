#pragma once
#include <cstdint>

namespace kavo {

// A 32-bit colour value laid out as 0x00BBGGRR, the canvas colour of the drawing surfaces.
using Colour = std::uint32_t;

// The few canvas operations the point types and the distribution picture need. The desktop
// implements it over a QPainter; tests record the calls.
class DrawSurface {
public:
  enum class PenStyle { Solid, Clear };
  enum class BrushStyle { Solid, Clear };

  virtual ~DrawSurface() = default;
  virtual void setPen(Colour colour, PenStyle style) = 0;
  virtual void setBrush(Colour colour, BrushStyle style) = 0;
  virtual void moveTo(int x, int y) = 0;
  virtual void lineTo(int x, int y) = 0;
  // Outline in the pen, fill in the brush; right and bottom are exclusive.
  virtual void rectangle(int left, int top, int right, int bottom) = 0;
  virtual void textOut(int x, int y, const char* utf8Text) = 0;
};

} // namespace kavo
