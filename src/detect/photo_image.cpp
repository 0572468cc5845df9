#include "detect/photo_image.h"

#include "detect/photo_stream.h"
#include "platform/system_error_text.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cerrno>
#include <fstream>
#include <sys/stat.h>
#include <vector>

namespace kavo::detect {

namespace {

// The levels below which and above which a two-hundredth of the pixels lie; the stretch maps them to
// black and white so that the finders' fixed thresholds meet a photo of any exposure and depth.
void percentiles(const cv::Mat& grey, double& low, double& high) {
  const bool deep = grey.depth() == CV_16U;
  std::vector<std::size_t> histogram(deep ? 65536 : 256, 0);
  for (int y = 0; y < grey.rows; ++y) {
    if (deep) {
      const auto* row = grey.ptr<std::uint16_t>(y);
      for (int x = 0; x < grey.cols; ++x) {
        ++histogram[row[x]];
      }
    } else {
      const auto* row = grey.ptr<std::uint8_t>(y);
      for (int x = 0; x < grey.cols; ++x) {
        ++histogram[row[x]];
      }
    }
  }
  const std::size_t total = grey.total();
  const std::size_t tail = total / 200;
  std::size_t seen = 0;
  std::size_t level = 0;
  while (level + 1 < histogram.size() && seen + histogram[level] <= tail) {
    seen += histogram[level++];
  }
  low = static_cast<double>(level);
  seen = 0;
  level = histogram.size() - 1;
  while (level > 0 && seen + histogram[level] <= tail) {
    seen += histogram[level--];
  }
  high = static_cast<double>(level);
}

} // namespace

std::optional<PhotoImage> photoFromPixels(const cv::Mat& pixels, std::string& why) {
  if (pixels.empty()) {
    why = "изображение пустое";
    return std::nullopt;
  }
  if (pixels.depth() != CV_8U && pixels.depth() != CV_16U) {
    why = "в изображении не 8 и не 16 бит на канал";
    return std::nullopt;
  }
  cv::Mat grey;
  switch (pixels.channels()) {
  case 1:
    grey = pixels;
    break;
  case 3:
    cv::cvtColor(pixels, grey, cv::COLOR_BGR2GRAY);
    break;
  case 4:
    cv::cvtColor(pixels, grey, cv::COLOR_BGRA2GRAY);
    break;
  default:
    why = "в изображении " + std::to_string(pixels.channels()) + " канала; читаются серые и цветные снимки";
    return std::nullopt;
  }

  PhotoImage photo;
  photo.width = grey.cols;
  photo.height = grey.rows;
  const bool deep = grey.depth() == CV_16U;
  const double toEightBits = deep ? 1.0 / 257.0 : 1.0;
  if (deep) {
    grey.convertTo(photo.grey, CV_32F, toEightBits);
  } else {
    photo.grey = grey;
  }
  double low = 0.0, high = 0.0;
  percentiles(grey, low, high);
  if (high - low < (deep ? 257.0 : 1.0)) {
    // A photo of one level: nothing to find, but not an error of the file.
    photo.stretched = cv::Mat(grey.size(), CV_8U, cv::Scalar(0));
    photo.flat = true;
    return photo;
  }
  grey.convertTo(photo.stretched, CV_8U, 255.0 / (high - low), -low * 255.0 / (high - low));
  return photo;
}

std::optional<PhotoImage> loadPhoto(const std::string& path, std::string& why) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    why = "не читается: " + systemErrorText(errno);
    return std::nullopt;
  }
  if (S_ISDIR(info.st_mode)) {
    why = "это папка, а не снимок";
    return std::nullopt;
  }
  // A pipe or a device would be waited on for ever, or read without end.
  if (!S_ISREG(info.st_mode)) {
    why = "это не обычный файл (устройство или канал), а не снимок";
    return std::nullopt;
  }
  if (!std::ifstream(path, std::ios::binary)) {
    why = "не читается: нет доступа или это не обычный файл";
    return std::nullopt;
  }
  if (!isPhotoKind(path) || !cv::haveImageReader(path)) {
    why = "это не изображение (PNG, JPEG или TIFF)";
    return std::nullopt;
  }
  if (const PhotoSize size = photoSize(path); size.width * size.height > kMaxPhotoPixels ||
                                              size.width > kMaxPhotoSide || size.height > kMaxPhotoSide) {
    why = "снимок слишком велик: " + std::to_string(size.width) + " × " + std::to_string(size.height) +
          " пикселей, а обрабатываются снимки не больше " + std::to_string(kMaxPhotoPixels / 1000000) +
          " мегапикселей и " + std::to_string(kMaxPhotoSide) + " пикселей по стороне";
    return std::nullopt;
  }
  if (const std::string damage = streamDamage(path); !damage.empty()) {
    why = kDamagedText + " (" + damage + ")";
    return std::nullopt;
  }
  cv::Mat pixels;
  try {
    pixels = cv::imread(path, cv::IMREAD_ANYDEPTH | cv::IMREAD_ANYCOLOR);
  } catch (const cv::Exception& e) {
    why = "изображение не декодируется: " + std::string(e.what());
    return std::nullopt;
  }
  if (pixels.empty()) {
    why = kDamagedText + " или записан в неподдерживаемом виде";
    return std::nullopt;
  }
  return photoFromPixels(pixels, why);
}

ReducedImage reduced(const cv::Mat& image, int maxSide) {
  const int longer = std::max(image.cols, image.rows);
  if (longer <= maxSide) {
    return {image, 1.0, 1.0};
  }
  const double factor = static_cast<double>(longer) / maxSide;
  ReducedImage out;
  cv::resize(image, out.image,
             cv::Size(std::max(1, static_cast<int>(std::lround(image.cols / factor))),
                      std::max(1, static_cast<int>(std::lround(image.rows / factor)))),
             0, 0, cv::INTER_AREA);
  out.factorX = static_cast<double>(image.cols) / out.image.cols;
  out.factorY = static_cast<double>(image.rows) / out.image.rows;
  return out;
}

} // namespace kavo::detect
