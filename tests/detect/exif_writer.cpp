#include "exif_writer.h"

#include <opencv2/imgcodecs.hpp>

// exiv2 0.27 hands images out as std::auto_ptr, which C++17 deprecates.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include <stdexcept>

namespace kavo::test {

void writeExif(const std::string& path, const ExifTags& tags) {
  try {
    auto image = Exiv2::ImageFactory::open(path);
    image->readMetadata();
    Exiv2::ExifData& exif = image->exifData();
    for (const auto& [key, value] : tags) {
      exif[key] = value; // parsed as the tag's own type
    }
    image->writeMetadata();
  } catch (const std::exception& e) {
    throw std::runtime_error("cannot write EXIF into " + path + ": " + e.what());
  }
}

std::string writeSmallJpeg(const std::string& path, int width, int height) {
  if (!cv::imwrite(path, cv::Mat(height, width, CV_8U, cv::Scalar(128)))) {
    throw std::runtime_error("cannot write " + path);
  }
  return path;
}

std::string copyAsJpeg(const std::string& path, const std::string& jpegPath) {
  const cv::Mat pixels = cv::imread(path, cv::IMREAD_UNCHANGED);
  if (pixels.empty() || !cv::imwrite(jpegPath, pixels, {cv::IMWRITE_JPEG_QUALITY, 95})) {
    throw std::runtime_error("cannot write " + jpegPath);
  }
  return jpegPath;
}

} // namespace kavo::test

#pragma GCC diagnostic pop
