#pragma once
#include <QImage>
#include <string>

#include "graph/raster_picture.h"

namespace kavo {

// The picture as a 24-bit Qt image (RGB888), for the window and for writing files.
QImage toQImage(const RasterPicture& picture);

// Writes the picture atomically: PNG when the name ends in ".png" (any case), otherwise a 24-bit
// bitmap file. Returns an empty text on success, otherwise the reason.
std::string savePicture(const std::string& path, const RasterPicture& picture);

} // namespace kavo
