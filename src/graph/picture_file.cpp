#include "graph/picture_file.h"

#include "estimator/focal_values.h"
#include "graph/distribution_drawing.h"
#include "graph/distribution_export.h"
#include "platform/atomic_file.h"

#include <png.h>

#include <cstdint>
#include <exception>
#include <stdexcept>

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

void put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

std::string bitmapBytes(const RasterPicture& picture) {
  const auto width = static_cast<std::uint32_t>(picture.width());
  const auto height = static_cast<std::uint32_t>(picture.height());
  const std::uint32_t rowBytes = (width * 3 + 3) / 4 * 4;
  const std::uint32_t imageBytes = rowBytes * height;
  std::string out;
  out.reserve(54 + imageBytes);
  out += "BM";
  put32(out, 54 + imageBytes);
  put32(out, 0);
  put32(out, 54);
  put32(out, 40); // the info header
  put32(out, width);
  put32(out, height); // positive: rows from the bottom
  put16(out, 1);
  put16(out, 24);
  put32(out, 0); // no compression
  put32(out, imageBytes);
  put32(out, 2835); // 72 dots per inch
  put32(out, 2835);
  put32(out, 0);
  put32(out, 0);
  const std::uint8_t* rgb = picture.rgbRows().data();
  for (std::uint32_t y = height; y-- > 0;) {
    const std::uint8_t* row = rgb + static_cast<std::size_t>(y) * width * 3;
    for (std::uint32_t x = 0; x < width; ++x) {
      out += static_cast<char>(row[x * 3 + 2]);
      out += static_cast<char>(row[x * 3 + 1]);
      out += static_cast<char>(row[x * 3]);
    }
    out.append(rowBytes - width * 3, '\0');
  }
  return out;
}

void appendPngData(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void flushNothing(png_structp) {}

[[noreturn]] void pngError(png_structp, png_const_charp message) {
  throw std::runtime_error(std::string("PNG: ") + message);
}

void pngWarning(png_structp, png_const_charp) {}

std::string pngBytes(const RasterPicture& picture) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
  if (png == nullptr) {
    throw std::runtime_error("PNG: no memory for the encoder");
  }
  png_infop info = png_create_info_struct(png);
  try {
    if (info == nullptr) {
      throw std::runtime_error("PNG: no memory for the encoder");
    }
    png_set_write_fn(png, &out, appendPngData, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width()),
                 static_cast<png_uint_32>(picture.height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width()) * 3;
    for (int y = 0; y < picture.height(); ++y) {
      // libpng takes rows as writable pointers but only reads them.
      auto* row = const_cast<png_bytep>(picture.rgbRows().data() + rowBytes * static_cast<std::size_t>(y));
      png_write_row(png, row);
    }
    png_write_end(png, nullptr);
  } catch (...) {
    png_destroy_write_struct(&png, &info);
    throw;
  }
  png_destroy_write_struct(&png, &info);
  return out;
}

} // namespace

std::string encodePicture(const RasterPicture& picture, PictureFormat format) {
  return format == PictureFormat::Png ? pngBytes(picture) : bitmapBytes(picture);
}

std::string savePicture(const std::string& path, const RasterPicture& picture) {
  std::string bytes;
  try {
    bytes = encodePicture(picture, endsWithPng(path) ? PictureFormat::Png : PictureFormat::Bitmap);
  } catch (const std::exception& error) {
    return std::string("The picture could not be encoded: ") + error.what();
  }
  return writeFileAtomically(path, bytes);
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
