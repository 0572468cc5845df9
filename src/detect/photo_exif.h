#pragma once
#include <optional>
#include <string>
#include <vector>

namespace kavo::detect {

// What a photo's EXIF says about its lens and about the picture as the camera wrote it; 0 where a
// tag is absent.
struct PhotoExif {
  double focalLength = 0.0;           // mm (Exif.Photo.FocalLength)
  double focalLengthIn35mmFilm = 0.0; // mm (Exif.Photo.FocalLengthIn35mmFilm)
  double focalPlaneXResolution = 0.0; // pixels per unit of the sensor (Exif.Photo.FocalPlaneXResolution)
  long focalPlaneResolutionUnit = 0;  // 2 inch, 3 cm, 4 mm; 0 when absent, which EXIF reads as inch
  double pixelXDimension = 0.0;       // the picture's width and height as the camera wrote it
  double pixelYDimension = 0.0;
  long orientation = 0; // Exif.Image.Orientation; 5 to 8 turn the picture by a quarter
};

// The photo's EXIF, read from the file itself (never through a network address, whatever the name);
// nothing when the file has no EXIF or it cannot be read. Never throws and prints nothing: a damaged
// EXIF block is simply no EXIF.
std::optional<PhotoExif> readPhotoExif(const std::string& path);

// The focal length in pixels that the EXIF gives for the photo as decoded, width × height pixels
// (the stored orientation applied):
// - from the focal length in mm and the sensor's resolution: f × resolution / unit in mm, scaled by
//   the photo's size over the size the camera wrote when the photo was resized since;
// - otherwise from the focal length in 35 mm terms: f35 × the photo's diagonal / 43.27 mm (the
//   diagonal of 36 × 24 mm).
// Nothing when the tags needed are absent, zero, negative or not finite.
std::optional<double> exifFocalPixels(const PhotoExif& exif, int width, int height);

// Both steps for one photo file.
std::optional<double> photoExifFocalPixels(const std::string& path, int width, int height);

// The EXIF focal length of a series: the median of the photos that give one, when they agree within
// 1 %. Photos that disagree (the zoom was turned between shots) give no value and a warning naming
// the two farthest apart; photos without EXIF are passed over.
struct SeriesExifFocal {
  std::optional<double> focal;
  std::string warning;
};
SeriesExifFocal seriesExifFocal(const std::vector<std::string>& photos,
                                const std::vector<std::optional<double>>& focals, char decimalSeparator);

} // namespace kavo::detect
