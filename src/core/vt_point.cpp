#include "core/vt_point.h"

namespace kavo {

void VT_Point::Draw(DrawSurface& canvas, int originX, int originY, double scaleX, double scaleY) {
  canvas.setPen(color, DrawSurface::PenStyle::Solid);
  canvas.setBrush(color, DrawSurface::BrushStyle::Solid);
  // Each product is truncated toward zero, as the canvas takes whole pixels.
  const int left = static_cast<int>((y - originY) * scaleY);
  const int top = static_cast<int>((x - originX) * scaleX);
  const int right = static_cast<int>((y - originY + 1) * scaleY);
  const int bottom = static_cast<int>((x - originX + 1) * scaleX);
  canvas.rectangle(left, top, right, bottom);
}

} // namespace kavo
