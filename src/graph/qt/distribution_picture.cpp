#include "graph/qt/distribution_picture.h"

#include <cstring>

namespace kavo {

QImage toQImage(const RasterPicture& picture) {
  QImage image(picture.width(), picture.height(), QImage::Format_RGB888);
  const auto rowBytes = static_cast<std::size_t>(picture.width()) * 3;
  const std::uint8_t* source = picture.rgbRows().data();
  for (int y = 0; y < picture.height(); ++y) {
    std::memcpy(image.scanLine(y), source + rowBytes * static_cast<std::size_t>(y), rowBytes);
  }
  return image;
}

} // namespace kavo
