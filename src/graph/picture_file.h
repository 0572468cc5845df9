#pragma once
#include "graph/raster_picture.h"

#include <string>

namespace kavo {

enum class PictureFormat { Bitmap, Png };

// The picture's bytes as a 24-bit bitmap file (rows from the bottom, blue-green-red, each padded to a
// multiple of four bytes) or as an 8-bit RGB PNG file. Throws std::runtime_error when the PNG cannot
// be encoded.
std::string encodePicture(const RasterPicture& picture, PictureFormat format);

// Writes the picture atomically: PNG when the name ends in ".png" (any case), otherwise a 24-bit
// bitmap file. Returns an empty text on success, otherwise the reason.
std::string savePicture(const std::string& path, const RasterPicture& picture);

} // namespace kavo
