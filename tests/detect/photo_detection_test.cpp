#include "detect/photo_detection.h"
#include "photo_renderer.h"
#include "temp_folder.h"

#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>

namespace kavo::detect {
namespace {

// How a photo is stored: file kind, bits per channel, colour.
struct Storage {
  const char* extension;
  int bits;
  bool colour;
};

struct PhotoCase {
  const char* name;
  TargetSpec target;
  Storage storage;
  double roll;
  bool mirrored;
  bool lightOnDark;
  double tiltX;
  double outerSquares = 1.0;
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const PhotoCase& c, std::ostream* os) {
  *os << c.name;
}

std::string writePhoto(const test::TempFolder& folder, const std::string& name, const cv::Mat& levels,
                       const Storage& s) {
  const std::string path = folder.path() + name + s.extension;
  const std::vector<int> params = {cv::IMWRITE_JPEG_QUALITY, 95};
  if (!cv::imwrite(path, test::storedPhoto(levels, s.bits, s.colour), params)) {
    throw std::runtime_error("cannot write " + path);
  }
  return path;
}

double rmsError(const OrderedPoints& found, const std::vector<cv::Point2d>& truth) {
  double sum = 0.0;
  for (std::size_t i = 0; i < truth.size(); ++i) {
    sum += std::pow(found.points[i].x - truth[i].x, 2) + std::pow(found.points[i].y - truth[i].y, 2);
  }
  return std::sqrt(sum / static_cast<double>(truth.size()));
}

class PhotoDetectionAccuracy : public ::testing::TestWithParam<PhotoCase> {};

// Every pattern in every stored form, turned half round or mirrored as a finder would report it from
// the other end: all points found to 0.03 pixels (chessboard corners), 0.08 (ChArUco corners) or 0.015
// (circle centres) and numbered in reading order.
TEST_P(PhotoDetectionAccuracy, FindsEveryPointInReadingOrderToHundredthsOfAPixel) {
  const PhotoCase& c = GetParam();
  test::PhotoScene scene;
  scene.target = c.target;
  scene.rollDegrees = c.roll;
  scene.mirrored = c.mirrored;
  scene.lightOnDark = c.lightOnDark;
  scene.tiltXDegrees = c.tiltX;
  scene.tiltYDegrees = -6.0;
  scene.outerSquares = c.outerSquares;
  scene.blurSigma = 0.9;
  scene.noiseLevels = 2.5;
  const test::RenderedPhoto rendered = test::renderPhoto(scene);
  test::TempFolder folder;
  const std::string path = writePhoto(folder, "photo", rendered.image, c.storage);

  const PhotoDetection d = detectPhoto(path, c.target);
  ASSERT_EQ(d.status, PhotoStatus::Found) << d.problem;
  EXPECT_EQ(d.width, scene.width);
  EXPECT_EQ(d.height, scene.height);
  ASSERT_EQ(d.points.points.size(), rendered.truth.size());
  const auto truth = test::truthInSeenOrder(rendered.truth, d.points.rows, c.roll);
  const double rms = rmsError(d.points, truth);
  std::printf("  %s: %.4f px RMS\n", c.name, rms);
  // A ChArUco corner's window keeps to narrow bands in the light squares, clear of the markers.
  const double limit = c.target.kind == TargetKind::Chessboard ? 0.03
                       : c.target.kind == TargetKind::Charuco  ? 0.08
                                                               : 0.015;
  EXPECT_LE(rms, limit);
}

constexpr TargetSpec kBoard{TargetKind::Chessboard, 9, 6, 20.0};
constexpr TargetSpec kCircles{TargetKind::Circles, 7, 5, 25.0};
constexpr TargetSpec kStaggered{TargetKind::AsymmetricCircles, 4, 11, 15.0};
constexpr int kDict5x5x100 = 5;
constexpr TargetSpec kCharuco{TargetKind::Charuco, 8, 6, 20.0, 15.0, kDict5x5x100};
constexpr Storage kPng8Grey{".png", 8, false};
constexpr Storage kPng16Colour{".png", 16, true};
constexpr Storage kJpegColour{".jpg", 8, true};
constexpr Storage kJpegGrey{".jpg", 8, false};
constexpr Storage kTiff16Grey{".tif", 16, false};
constexpr Storage kTiff8Colour{".tif", 8, true};

const PhotoCase kPhotoCases[] = {
    {"ChessboardPng8Grey", kBoard, kPng8Grey, 3, false, false, 8},
    {"ChessboardJpegColourHalfTurn", kBoard, kJpegColour, 184, false, false, -5},
    {"ChessboardTiff16Mirrored", kBoard, kTiff16Grey, -4, true, false, 12},
    {"ChessboardPng16ColourTilted", kBoard, kPng16Colour, 1, false, false, 25},
    // Outer squares cut to half a square, as on many printed boards: the window around an outermost
    // corner must not reach the outer squares' edge.
    {"ChessboardOuterSquaresCutShort", kBoard, kJpegGrey, -2, false, false, 18, 0.5},
    {"CharucoPng8Grey", kCharuco, kPng8Grey, 3, false, false, 8},
    {"CharucoJpegColourHalfTurnTilted", kCharuco, kJpegColour, 182, false, false, 20},
    {"CirclesPng8Grey", kCircles, kPng8Grey, 2, false, false, 10},
    {"CirclesJpegGreyHalfTurn", kCircles, kJpegGrey, 177, false, false, -8},
    {"CirclesTiff16LightOnDark", kCircles, kTiff16Grey, -3, false, true, 15},
    {"CirclesPng16ColourTilted", kCircles, kPng16Colour, 0, false, false, 25},
    {"StaggeredPng16Colour", kStaggered, kPng16Colour, -3, false, false, 10},
    {"StaggeredJpegColourHalfTurnMirrored", kStaggered, kJpegColour, 182, true, false, 5},
    {"StaggeredTiff8Colour", kStaggered, kTiff8Colour, 4, false, false, -12},
    {"StaggeredPng8LightOnDark", kStaggered, kPng8Grey, 0, false, true, 0},
};
INSTANTIATE_TEST_SUITE_P(Renders, PhotoDetectionAccuracy, ::testing::ValuesIn(kPhotoCases),
                         [](const auto& p) { return std::string(p.param.name); });

struct HardLight {
  const char* name;
  TargetSpec target;
  std::uint64_t seed;
  double distance;
  double shadingDegrees;
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const HardLight& c, std::ostream* os) {
  *os << c.name;
}

class PhotoDetectionHardLight : public ::testing::TestWithParam<HardLight> {};

// Dim, noisy photos lit unevenly. Under such light the chessboard finder may take the outer corners of
// the edge squares for one more column of corners; those are told from true corners and left out.
TEST_P(PhotoDetectionHardLight, FindsTheTargetAndNothingBeyondIt) {
  const HardLight& c = GetParam();
  test::PhotoScene scene;
  scene.target = c.target;
  scene.seed = c.seed;
  scene.distance = c.distance;
  scene.tiltXDegrees = -7;
  scene.tiltYDegrees = -7;
  scene.rollDegrees = 7;
  scene.blurSigma = 0.6;
  scene.noiseLevels = 6.7;
  scene.dark = 38;
  scene.light = 139;
  scene.shading = 0.3;
  scene.shadingDegrees = c.shadingDegrees;
  const test::RenderedPhoto rendered = test::renderPhoto(scene);
  test::TempFolder folder;
  const std::string path = writePhoto(folder, "dim", rendered.image, kJpegColour);
  const PhotoDetection d = detectPhoto(path, c.target);
  ASSERT_EQ(d.status, PhotoStatus::Found) << d.problem;
  ASSERT_EQ(d.points.points.size(), rendered.truth.size());
  const double rms =
      rmsError(d.points, test::truthInSeenOrder(rendered.truth, d.points.rows, scene.rollDegrees));
  std::printf("  %s: %.4f px RMS\n", c.name, rms);
  // Noise of 6.7 levels on a contrast of 100, through JPEG: the points scatter a little more than in
  // the well lit photos above.
  EXPECT_LE(rms, 0.15);
}

const HardLight kHardLight[] = {
    {"ChessboardSeed23", kBoard, 23, 520, 529},     {"ChessboardSeed25", kBoard, 25, 400, 575},
    {"ChessboardSeed38", kBoard, 38, 520, 874},     {"Circles", kCircles, 25, 400, 575},
    {"StaggeredCircles", kStaggered, 25, 400, 575},
};
INSTANTIATE_TEST_SUITE_P(Renders, PhotoDetectionHardLight, ::testing::ValuesIn(kHardLight),
                         [](const auto& p) { return std::string(p.param.name); });

struct BadPhoto {
  const char* name;
  std::function<std::string(const test::TempFolder&)> make; // writes the photo, returns its path
  TargetSpec target;
  PhotoStatus status;
  const char* says;
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const BadPhoto& c, std::ostream* os) {
  *os << c.name;
}

// Small photos of a chessboard, cut short or with garbled data (tests/data/photos).
std::string damagedPhoto(const std::string& name) {
  return std::string(KAVO_TEST_DATA) + "/photos/" + name;
}

std::string boardPhoto(const test::TempFolder& f, const TargetSpec& drawn) {
  test::PhotoScene scene;
  scene.target = drawn;
  return writePhoto(f, "board", test::renderPhoto(scene).image, kPng8Grey);
}

// A PNG whose header claims width × height: a real small PNG with its size rewritten (and the header's
// checksum with it), so that only its header can tell how large it is.
std::string pngClaiming(const test::TempFolder& f, std::uint32_t width, std::uint32_t height) {
  std::vector<unsigned char> bytes;
  cv::imencode(".png", cv::Mat(8, 8, CV_8U, cv::Scalar(128)), bytes);
  const auto put = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
      bytes[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (24 - 8 * i));
    }
  };
  put(16, width); // after the signature (8), the chunk's length (4) and its type (4)
  put(20, height);
  std::uint32_t crc = 0xffffffffu; // over the chunk's type and data: bytes 12 to 29
  for (std::size_t i = 12; i < 29; ++i) {
    crc ^= bytes[i];
    for (int k = 0; k < 8; ++k) {
      crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
  }
  put(29, ~crc);
  return f.write("huge.png", std::string(bytes.begin(), bytes.end()));
}

const BadPhoto kBadPhotos[] = {
    // A pipe would be waited on for ever: refused before it is opened.
    {"Pipe",
     [](const test::TempFolder& f) {
       const std::string path = f.path() + "pipe.png";
       ::mkfifo(path.c_str(), 0600);
       return path;
     },
     kBoard, PhotoStatus::Failed, "не обычный файл"},
    {"HeaderOf60000By60000", [](const test::TempFolder& f) { return pngClaiming(f, 60000, 60000); }, kBoard,
     PhotoStatus::Failed, "снимок слишком велик: 60000 × 60000 пикселей"},
    {"HeaderWiderThanAnySide", [](const test::TempFolder& f) { return pngClaiming(f, 70000, 10); }, kBoard,
     PhotoStatus::Failed, "снимок слишком велик: 70000 × 10 пикселей"},
    {"Missing", [](const test::TempFolder& f) { return f.path() + "none.png"; }, kBoard, PhotoStatus::Failed,
     "не читается"},
    {"Folder", [](const test::TempFolder& f) { return f.path(); }, kBoard, PhotoStatus::Failed, "папка"},
    {"TextFile", [](const test::TempFolder& f) { return f.write("notes.png", "9x6 board, 25 mm\n"); }, kBoard,
     PhotoStatus::Failed, "не изображение"},
    // 175 bytes that OpenCV takes for DICOM whatever the name; its reader allocated over 4 GB on the word
    // of their header. Only PNG, JPEG and TIFF content reaches a decoder.
    {"DicomUnderAJpegName", [](const test::TempFolder&) { return damagedPhoto("dicom-header.jpg"); }, kBoard,
     PhotoStatus::Failed, "это не изображение (PNG, JPEG или TIFF)"},
    // A BMP decodes, but its header's size is not checked: it is not a kind of photo read.
    {"BmpUnderAPngName",
     [](const test::TempFolder& f) {
       const std::string bmp = f.path() + "grey.bmp";
       cv::imwrite(bmp, cv::Mat(30, 40, CV_8U, cv::Scalar(90)));
       return f.write("grey.png", test::readBytes(bmp));
     },
     kBoard, PhotoStatus::Failed, "это не изображение (PNG, JPEG или TIFF)"},
    {"TruncatedPng",
     [](const test::TempFolder& f) {
       const std::string whole = boardPhoto(f, kBoard);
       const std::string bytes = test::readBytes(whole);
       return f.write("cut.png", bytes.substr(0, bytes.size() / 3));
     },
     kBoard, PhotoStatus::Failed, "файл повреждён или обрезан"},
    // Cut short or damaged on the way: OpenCV decodes some of them with grey where the data ends.
    {"JpegCutAt91Percent", [](const test::TempFolder&) { return damagedPhoto("cut91.jpg"); }, kBoard,
     PhotoStatus::Failed, "файл повреждён или обрезан (Premature end of JPEG file)"},
    {"JpegCutAt40Percent", [](const test::TempFolder&) { return damagedPhoto("cut40.jpg"); }, kBoard,
     PhotoStatus::Failed, "файл повреждён или обрезан (Premature end of JPEG file)"},
    {"PngCutAt60Percent", [](const test::TempFolder&) { return damagedPhoto("cut60.png"); }, kBoard,
     PhotoStatus::Failed, "файл повреждён или обрезан"},
    {"TiffCutInHalf", [](const test::TempFolder&) { return damagedPhoto("cut50.tif"); }, kBoard,
     PhotoStatus::Failed, "файл повреждён или обрезан"},
    {"TiffWithDamagedData", [](const test::TempFolder&) { return damagedPhoto("damaged.tif"); }, kBoard,
     PhotoStatus::Failed, "файл повреждён или обрезан"},
    {"Blank",
     [](const test::TempFolder& f) {
       return writePhoto(f, "blank", cv::Mat(900, 1200, CV_32F, cv::Scalar(128)), kJpegGrey);
     },
     kBoard, PhotoStatus::NotFound, "пуст"},
    {"NoTarget",
     [](const test::TempFolder& f) {
       cv::Mat noise(900, 1200, CV_32F);
       cv::RNG(7).fill(noise, cv::RNG::UNIFORM, 0, 255);
       return writePhoto(f, "noise", noise, kPng8Grey);
     },
     kBoard, PhotoStatus::NotFound, "не найдена"},
    {"BoardLargerThanSize",
     [](const test::TempFolder& f) { return boardPhoto(f, kBoard); },
     {TargetKind::Chessboard, 8, 6, 20.0},
     PhotoStatus::NotFound,
     "на снимке шахматная доска 9 × 6 внутренних углов, а не 8 × 6"},
    {"BoardSmallerThanSize",
     [](const test::TempFolder& f) { return boardPhoto(f, kBoard); },
     {TargetKind::Chessboard, 10, 6, 20.0},
     PhotoStatus::NotFound,
     "видна шахматная доска 9 × 6 внутренних углов, а задана 10 × 6"},
    {"CirclesMoreThanSize",
     [](const test::TempFolder& f) { return boardPhoto(f, kCircles); },
     {TargetKind::Circles, 6, 5, 25.0},
     PhotoStatus::NotFound,
     "больше заданной 6 × 5"},
    {"CirclesFewerThanSize",
     [](const test::TempFolder& f) { return boardPhoto(f, kCircles); },
     {TargetKind::Circles, 8, 5, 25.0},
     PhotoStatus::NotFound,
     "самая большая найденная сетка — 7 × 5"},
    // Every row and column there, one circle covered: said so, not "7 × 5 not found; 7 × 5 seen".
    {"CirclesOneCovered",
     [](const test::TempFolder& f) {
       test::PhotoScene scene;
       scene.target = kCircles;
       scene.hiddenCircle = 9;
       return writePhoto(f, "covered", test::renderPhoto(scene).image, kPng8Grey);
     },
     kCircles, PhotoStatus::NotFound, "сетка 7 × 5 кругов видна не целиком: найдено кругов 34 из 35"},
    {"StaggeredAsSymmetric",
     [](const test::TempFolder& f) { return boardPhoto(f, kStaggered); },
     {TargetKind::Circles, 4, 11, 15.0},
     PhotoStatus::NotFound,
     "сетка 4 × 11 кругов не найдена"},
};

class PhotoDetectionRefusal : public ::testing::TestWithParam<BadPhoto> {};

TEST_P(PhotoDetectionRefusal, SaysWhyThereAreNoPoints) {
  const BadPhoto& c = GetParam();
  test::TempFolder folder;
  const std::string path = c.make(folder);
  const PhotoDetection d = detectPhoto(path, c.target);
  EXPECT_EQ(d.status, c.status) << d.problem;
  EXPECT_NE(d.problem.find(c.says), std::string::npos) << d.problem;
  EXPECT_TRUE(d.points.points.empty());
}

INSTANTIATE_TEST_SUITE_P(Photos, PhotoDetectionRefusal, ::testing::ValuesIn(kBadPhotos),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace kavo::detect
