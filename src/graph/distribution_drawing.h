#pragma once
#include "core/draw_surface.h"
#include "graph/distribution_model.h"
#include "graph/raster_picture.h"

namespace kavo {

constexpr int kDistributionPictureWidth = 900;
constexpr int kDistributionPictureHeight = 580;
constexpr Colour kCurveColour = 0x000000;
constexpr Colour kMeanColour = 0x0000FF; // red, as 0x00BBGGRR
constexpr Colour kBandColour = 0xFF0000; // blue

// The part of the picture drawn once, when the window is built: the axis with its two ticks, the
// minimum and maximum texts and the curve over the 200 bins.
void drawDistributionBackground(DrawSurface& surface, const DistributionModel& model, char decimalSeparator);

// The markers, redrawn on every change over a copy of the background: the red mean line and, when
// the clipping factor and the deviation are positive, the two blue band lines.
void drawDistributionMarkers(DrawSurface& surface, const DistributionModel& model);

// The background as a 900 × 580 picture.
RasterPicture renderDistributionBackground(const DistributionModel& model, char decimalSeparator);

// A copy of the background with the current markers: what the window shows and saves.
RasterPicture renderDistributionPicture(const RasterPicture& background, const DistributionModel& model);

} // namespace kavo
