#pragma once
#include "core/draw_surface.h"
#include "core/list_of_t.h"

namespace kavo {

// Base of everything that can be painted on a canvas cell grid and asked for its extent.
class VT_Drawable {
public:
  virtual void Draw(DrawSurface& canvas, int originX, int originY, double scaleX, double scaleY) = 0;
  virtual double GetMinY() = 0;
  virtual double GetMaxY() = 0;
  virtual double GetMinX() = 0;
  virtual double GetMaxX() = 0;

  Colour color = 0;

protected:
  VT_Drawable() = default;
  ~VT_Drawable() = default;
};

// One point: a scene or image point, an individual focal value (in x) or a result number (in x).
class VT_Point final : public VT_Drawable {
public:
  VT_Point(double x_, double y_) : x(x_), y(y_) {}

  // Paints the point as one filled cell of a grid whose rows carry x and whose columns carry y.
  void Draw(DrawSurface& canvas, int originX, int originY, double scaleX, double scaleY) override;
  double GetMinY() override { return y; }
  double GetMaxY() override { return y; }
  double GetMinX() override { return x; }
  double GetMaxX() override { return x; }

  double x;
  double y;
};

using VT_Points = ListOfT<VT_Point>;

} // namespace kavo
