#include "graph/qt/distribution_picture.h"

#include <QBuffer>
#include <QByteArray>
#include <cstring>
#include <exception>

#include "estimator/focal_values.h"
#include "graph/distribution_drawing.h"
#include "graph/distribution_export.h"
#include "platform/atomic_file.h"

namespace kavo {
namespace {

bool endsWithPng(const std::string& path) {
  if (path.size() < 4) {
    return false;
  }
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return tail == ".png";
}

} // namespace

QImage toQImage(const RasterPicture& picture) {
  QImage image(picture.width(), picture.height(), QImage::Format_RGB888);
  const auto rowBytes = static_cast<std::size_t>(picture.width()) * 3;
  const std::uint8_t* source = picture.rgbRows().data();
  for (int y = 0; y < picture.height(); ++y) {
    std::memcpy(image.scanLine(y), source + rowBytes * static_cast<std::size_t>(y), rowBytes);
  }
  return image;
}

std::string savePicture(const std::string& path, const RasterPicture& picture) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const char* format = endsWithPng(path) ? "PNG" : "BMP";
  if (!toQImage(picture).save(&buffer, format)) {
    return std::string("The picture could not be encoded as ") + format;
  }
  return writeFileAtomically(path,
                             std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

std::string exportDistributionPicture(const std::string& path, const FocalValues& values, double clipFactor,
                                      double mean, double deviation, double standardDeviation,
                                      char decimalSeparator) {
  try {
    const DistributionModel model(values,
                                  DistributionNumbers{mean, clipFactor, deviation, standardDeviation});
    const RasterPicture background = renderDistributionBackground(model, decimalSeparator);
    return savePicture(path, renderDistributionPicture(background, model));
  } catch (const std::exception& error) {
    return error.what();
  }
}

} // namespace kavo
