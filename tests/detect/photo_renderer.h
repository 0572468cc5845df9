#pragma once
#include "detect/target.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace kavo::test {

// A photo of a flat target taken by a pinhole camera, with radial distortion where asked: the target is
// drawn sharply, warped into a supersampled frame, averaged down to the photo's pixels, blurred and
// given noise. The truth is the exact projection of every corner or circle centre.
struct PhotoScene {
  detect::TargetSpec target{detect::TargetKind::Chessboard, 9, 6, 20.0};
  int width = 1200;
  int height = 900;
  double focal = 1000.0;    // pixels; the principal point is the middle of the photo
  double distance = 600.0;  // millimetres from the camera to the target's centre along the axis
  double offsetX = 0.0;     // millimetres the target's centre lies off the axis, to the right
  double offsetY = 0.0;     // and downwards
  double rollDegrees = 0.0; // the target turned in its own plane
  double tiltXDegrees = 0.0;
  double tiltYDegrees = 0.0;
  bool mirrored = false;        // the target drawn mirrored left to right
  bool lightOnDark = false;     // light circles on a dark ground
  double circleRadius = 0.3;    // of the circles, in pitches
  double outerSquares = 1.0;    // how far a chessboard's outer squares reach beyond its corners, in pitches
  int hiddenCircle = -1;        // a circle left undrawn (its index in the finder's order), as if covered
  int supersample = 3;          // pixels of the frame per photo pixel along each side
  double blurSigma = 0.7;       // photo pixels
  double noiseLevels = 2.0;     // standard deviation of the noise, in levels of an 8-bit photo
  double shading = 0.0;         // uneven light: the brightness changes by this fraction across the photo
  double shadingDegrees = 30.0; // the direction in which it grows
  // Radial distortion of the lens at the normalised radius (x/z, y/z) about the principal point, as
  // OpenCV's k1, k2 (and Kavo's refined fit) have it: the photo and its truth are distorted.
  double k1 = 0.0;
  double k2 = 0.0;
  double dark = 30.0; // the target's dark and light levels, 8-bit scale
  double light = 220.0;
  std::uint64_t seed = 1;
};

struct RenderedPhoto {
  cv::Mat image; // CV_32F, one channel, levels of an 8-bit photo
  // The projected corners or centres in the finder's order of the drawn target (row by row).
  std::vector<cv::Point2d> truth;
};

RenderedPhoto renderPhoto(const PhotoScene& scene);

// The photo as stored: 8 or 16 bits, grey or colour (a tinted copy in the three channels).
cv::Mat storedPhoto(const cv::Mat& levels, int bits, bool colour);

// The truth in the order of the series files, found independently of the library: rows are the
// points grouped by height, each row sorted left to right, once the photo is turned back by the
// target's roll (less half turns, which change what is seen as the top row).
std::vector<cv::Point2d> truthInSeenOrder(const std::vector<cv::Point2d>& truth, int rows,
                                          double rollDegrees);

// A series as the camera takes it: photo k with the target k * step millimetres further away than in
// the scene given, written as folder/img01.png … (8-bit grey PNG). truth[k] is photo k's truth in the
// order of the series files.
struct RenderedSeries {
  std::vector<std::string> photos;
  std::vector<std::vector<cv::Point2d>> truth;
};
RenderedSeries renderSeries(const std::string& folder, const PhotoScene& first, int count, double step);

// A photo of one grey level, as a lens cap or a missed shot gives.
std::string writeBlankPhoto(const std::string& path, int width, int height);

} // namespace kavo::test
