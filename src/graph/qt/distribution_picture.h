#pragma once
#include <QImage>

#include "graph/raster_picture.h"

namespace kavo {

// The picture as a 24-bit Qt image (RGB888), for the window.
QImage toQImage(const RasterPicture& picture);

} // namespace kavo
