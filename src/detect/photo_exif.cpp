#include "detect/photo_exif.h"

#include "platform/number_text.h"

// exiv2 0.27 hands images out as std::auto_ptr, which C++17 deprecates; only this file touches it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cmath>
#include <exception>
#include <mutex>

namespace kavo::detect {

namespace {

// exiv2 writes its warnings about odd EXIF blocks to stderr; here a photo it cannot read simply has
// no EXIF. The XMP toolkit is set up once before any photo is read, as exiv2 asks of programs that
// may read from more than one thread.
void quietExiv2() {
  static std::once_flag once;
  std::call_once(once, [] {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Exiv2::XmpParser::initialize();
  });
}

// A tag's first value as a number; 0 when absent or empty.
double tagNumber(const Exiv2::ExifData& exif, const char* key) {
  const auto it = exif.findKey(Exiv2::ExifKey(key));
  if (it == exif.end() || it->count() < 1) {
    return 0.0;
  }
  const Exiv2::Rational r = it->toRational(0);
  return static_cast<double>(r.first) / static_cast<double>(r.second);
}

bool usable(double value) {
  return std::isfinite(value) && value > 0.0;
}

// The unit of the sensor's resolution in mm; 0 for a unit that gives no length.
double unitMillimetres(long unit) {
  switch (unit) {
  case 0: // absent: inch, as EXIF has it
  case 2:
    return 25.4;
  case 3:
    return 10.0;
  case 4:
    return 1.0;
  default:
    return 0.0;
  }
}

} // namespace

std::optional<PhotoExif> readPhotoExif(const std::string& path) {
  quietExiv2();
  try {
    // A FileIo of our own: given a name, exiv2 would fetch one that looks like a web address.
    Exiv2::BasicIo::AutoPtr io(new Exiv2::FileIo(path));
    auto image = Exiv2::ImageFactory::open(io);
    if (image.get() == nullptr) {
      return std::nullopt;
    }
    image->readMetadata();
    const Exiv2::ExifData& exif = image->exifData();
    if (exif.empty()) {
      return std::nullopt;
    }
    PhotoExif out;
    out.focalLength = tagNumber(exif, "Exif.Photo.FocalLength");
    out.focalLengthIn35mmFilm = tagNumber(exif, "Exif.Photo.FocalLengthIn35mmFilm");
    out.focalPlaneXResolution = tagNumber(exif, "Exif.Photo.FocalPlaneXResolution");
    const double unit = tagNumber(exif, "Exif.Photo.FocalPlaneResolutionUnit");
    out.focalPlaneResolutionUnit = std::isfinite(unit) ? std::lround(std::clamp(unit, -1.0, 1000.0)) : -1;
    out.pixelXDimension = tagNumber(exif, "Exif.Photo.PixelXDimension");
    out.pixelYDimension = tagNumber(exif, "Exif.Photo.PixelYDimension");
    const double orientation = tagNumber(exif, "Exif.Image.Orientation");
    out.orientation = std::isfinite(orientation) ? std::lround(std::clamp(orientation, 0.0, 9.0)) : 0;
    return out;
  } catch (const std::exception&) {
    // Exiv2::AnyError and anything else on the way: the photo has no EXIF to speak of.
    return std::nullopt;
  }
}

std::optional<double> exifFocalPixels(const PhotoExif& exif, int width, int height) {
  if (width <= 0 || height <= 0) {
    return std::nullopt;
  }
  const double unit = unitMillimetres(exif.focalPlaneResolutionUnit);
  if (usable(exif.focalLength) && usable(exif.focalPlaneXResolution) && unit > 0.0) {
    double focal = exif.focalLength * exif.focalPlaneXResolution / unit;
    // The resolution belongs to the picture the camera wrote. A photo resized since is scaled by its
    // size over that one: by the longer sides when both are known, which a quarter turn leaves
    // alone, otherwise by the width the camera wrote (the height of a photo stored turned).
    if (usable(exif.pixelXDimension) && usable(exif.pixelYDimension)) {
      focal *= std::max(width, height) / std::max(exif.pixelXDimension, exif.pixelYDimension);
    } else if (usable(exif.pixelXDimension)) {
      const bool turned = exif.orientation >= 5 && exif.orientation <= 8;
      focal *= (turned ? height : width) / exif.pixelXDimension;
    }
    if (usable(focal)) {
      return focal;
    }
  }
  if (usable(exif.focalLengthIn35mmFilm)) {
    const double diagonal = std::hypot(static_cast<double>(width), static_cast<double>(height));
    const double focal = exif.focalLengthIn35mmFilm * diagonal / std::hypot(36.0, 24.0);
    if (usable(focal)) {
      return focal;
    }
  }
  return std::nullopt;
}

std::optional<double> photoExifFocalPixels(const std::string& path, int width, int height) {
  const std::optional<PhotoExif> exif = readPhotoExif(path);
  return exif ? exifFocalPixels(*exif, width, height) : std::nullopt;
}

SeriesExifFocal seriesExifFocal(const std::vector<std::string>& photos,
                                const std::vector<std::optional<double>>& focals, char decimalSeparator) {
  SeriesExifFocal out;
  std::vector<std::size_t> given;
  for (std::size_t i = 0; i < focals.size() && i < photos.size(); ++i) {
    if (focals[i] && usable(*focals[i])) {
      given.push_back(i);
    }
  }
  if (given.empty()) {
    return out;
  }
  const auto [low, high] = std::minmax_element(
      given.begin(), given.end(), [&](std::size_t a, std::size_t b) { return *focals[a] < *focals[b]; });
  const double lowest = *focals[*low], highest = *focals[*high];
  if (highest - lowest > 0.01 * lowest) {
    out.warning = "фокусное расстояние по EXIF меняется от снимка к снимку (" + photos[*low] + ": " +
                  formatFixed(lowest, decimalSeparator, 1) + " пикс., " + photos[*high] + ": " +
                  formatFixed(highest, decimalSeparator, 1) +
                  " пикс.): зум между снимками менять нельзя; фокусное расстояние по EXIF не записано";
    return out;
  }
  std::vector<double> values;
  for (const std::size_t i : given) {
    values.push_back(*focals[i]);
  }
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  out.focal = values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
  return out;
}

} // namespace kavo::detect

#pragma GCC diagnostic pop
