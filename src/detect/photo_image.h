#pragma once
#include <opencv2/core.hpp>

#include <optional>
#include <string>

namespace kavo::detect {

// A photo decoded for the finders: its brightness in one channel at full resolution, in the photo's
// own levels (8-bit photos as 8-bit, deeper ones as 32-bit floats on an 8-bit scale), and a copy
// stretched to the full 8-bit range for the finders, which work on 8 bits and expect contrast.
struct PhotoImage {
  cv::Mat grey;      // CV_8U or CV_32F
  cv::Mat stretched; // CV_8U
  bool flat = false; // every pixel at nearly the same level: a blank photo
  int width = 0;
  int height = 0;
};

// The largest photo decoded: a larger one is refused by its header, before it takes memory (the
// largest cameras give about 150 megapixels).
constexpr long long kMaxPhotoPixels = 200000000;
constexpr long long kMaxPhotoSide = 65535;

// What a photo whose file is cut short or damaged is called; such a photo stops a series even where
// photos without the target are left out.
inline const std::string kDamagedText = "файл повреждён или обрезан";

// Decodes a PNG, JPEG or TIFF file of 8 or 16 bits per channel, grey or colour (an alpha channel is
// ignored; an orientation stored by the camera is applied). Returns nothing, with the reason in
// why, when the file cannot be read, is no such image, or is cut short or damaged.
std::optional<PhotoImage> loadPhoto(const std::string& path, std::string& why);

// Turns decoded pixels of any supported layout into a PhotoImage; used by loadPhoto.
std::optional<PhotoImage> photoFromPixels(const cv::Mat& pixels, std::string& why);

// The photo scaled down so that its longer side is at most maxSide pixels (the photo itself when it
// is small enough), and the factors from its pixels to the photo's.
struct ReducedImage {
  cv::Mat image;
  double factorX = 1.0;
  double factorY = 1.0;

  // A position in the reduced image as a position in the photo (pixel centres at whole numbers).
  cv::Point2d toPhoto(const cv::Point2d& p) const {
    return {(p.x + 0.5) * factorX - 0.5, (p.y + 0.5) * factorY - 0.5};
  }
};
ReducedImage reduced(const cv::Mat& image, int maxSide);

} // namespace kavo::detect
