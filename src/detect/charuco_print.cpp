#include "detect/charuco_print.h"

#include <opencv2/aruco/charuco.hpp>

namespace kavo::detect {

namespace {

// Pixels of OpenCV's drawing per square: a marker cell then spans several pixels, so sampling the
// middle of every cell reads it without doubt.
constexpr int kSquarePixels = 240;

bool whiteAt(const cv::Mat& image, double x, double y) {
  return image.at<unsigned char>(static_cast<int>(y), static_cast<int>(x)) > 127;
}

} // namespace

CharucoPrint charucoPrint(const TargetSpec& target) {
  CharucoPrint out;
  if (target.kind != TargetKind::Charuco) {
    out.problem = "мишень не доска ChArUco";
    return out;
  }
  if (out.problem = targetSpecProblem(target); !out.problem.empty()) {
    return out;
  }
  const auto dictionary = cv::aruco::getPredefinedDictionary(
      static_cast<cv::aruco::PREDEFINED_DICTIONARY_NAME>(target.dictionary));
  const auto board =
      cv::aruco::CharucoBoard::create(target.columns, target.rows, static_cast<float>(target.pitch),
                                      static_cast<float>(target.markerSize), dictionary);
  cv::Mat image;
  board->draw(cv::Size(target.columns * kSquarePixels, target.rows * kSquarePixels), image, 0, 1);
  out.cells = dictionary->markerSize + 2;
  const double markerPixels = kSquarePixels * target.markerSize / target.pitch;
  const double cell = markerPixels / out.cells;
  for (int row = 0; row < target.rows; ++row) {
    for (int column = 0; column < target.columns; ++column) {
      const double left = column * kSquarePixels;
      const double top = row * kSquarePixels;
      // A corner of the square lies outside its marker: it tells dark from light squares.
      if (!whiteAt(image, left + 2, top + 2)) {
        out.darkSquares.push_back({column, row});
        continue;
      }
      CharucoMarkerPrint marker{column, row, {}};
      const double start = (kSquarePixels - markerPixels) / 2.0;
      for (int i = 0; i < out.cells; ++i) {
        for (int j = 0; j < out.cells; ++j) {
          marker.white.push_back(
              whiteAt(image, left + start + (j + 0.5) * cell, top + start + (i + 0.5) * cell));
        }
      }
      out.markers.push_back(std::move(marker));
    }
  }
  return out;
}

} // namespace kavo::detect
