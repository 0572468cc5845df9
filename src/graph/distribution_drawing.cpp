#include "graph/distribution_drawing.h"

#include "graph/graph_number.h"

namespace kavo {
namespace {

constexpr int kAxisLeft = 50;
constexpr int kAxisRight = 850;
constexpr int kMarkerBottom = 500;
constexpr int kMarkerTop = 100;

void verticalMarker(DrawSurface& surface, int x) {
  surface.moveTo(x, kMarkerBottom);
  surface.lineTo(x, kMarkerTop);
}

} // namespace

void drawDistributionBackground(DrawSurface& surface, const DistributionModel& model, char decimalSeparator) {
  const int axis = DistributionModel::kAxisY;
  surface.setBrush(0xFFFFFF, DrawSurface::BrushStyle::Clear);
  surface.setPen(kCurveColour, DrawSurface::PenStyle::Solid);
  surface.moveTo(kAxisLeft, axis);
  surface.lineTo(kAxisRight, axis);
  surface.moveTo(kAxisRight, axis + 5);
  surface.lineTo(kAxisRight, axis - 5);
  surface.textOut(830, 500, formatGraphNumber(model.maxValue(), decimalSeparator).c_str());
  surface.moveTo(kAxisLeft, axis + 5);
  surface.lineTo(kAxisLeft, axis - 5);
  surface.textOut(30, 500, formatGraphNumber(model.minValue(), decimalSeparator).c_str());

  // The curve starts with a zero-length segment at the first bin centre.
  const auto curve = model.curve();
  surface.moveTo(curve[0].x, curve[0].y);
  for (const auto& point : curve) {
    surface.lineTo(point.x, point.y);
  }
}

void drawDistributionMarkers(DrawSurface& surface, const DistributionModel& model) {
  surface.setPen(kMeanColour, DrawSurface::PenStyle::Solid);
  verticalMarker(surface, model.pixelX(model.numbers().meanValue));
  if (model.bandVisible()) {
    surface.setPen(kBandColour, DrawSurface::PenStyle::Solid);
    verticalMarker(surface, model.pixelX(model.bandHigh()));
    verticalMarker(surface, model.pixelX(model.bandLow()));
  }
}

RasterPicture renderDistributionBackground(const DistributionModel& model, char decimalSeparator) {
  RasterPicture picture(kDistributionPictureWidth, kDistributionPictureHeight);
  drawDistributionBackground(picture, model, decimalSeparator);
  return picture;
}

RasterPicture renderDistributionPicture(const RasterPicture& background, const DistributionModel& model) {
  RasterPicture picture = background;
  drawDistributionMarkers(picture, model);
  return picture;
}

} // namespace kavo
