#pragma once
#include <cstddef>

namespace kavo {

// The largest data files the program reads. A file beyond them is refused by its size before it is
// read, so a wrong file named by mistake costs neither time nor memory.
//
// The classic computation visits every quadruple of reference points in every pair of images, so its
// work grows with the fourth power of the points: a thousand points already make a run of hours, and
// the largest calibration targets have a few hundred. A coordinate file of more points is refused.
constexpr std::size_t kMaxPointsPerFile = 1000;
constexpr std::size_t kMaxCoordinateFileBytes = std::size_t{1} << 20;  // 1000 lines of any sensible width
constexpr std::size_t kMaxCameraFileBytes = std::size_t{64} << 10;     // eight lines
constexpr std::size_t kMaxListFileBytes = std::size_t{1} << 20;        // 101 names and 101 numbers
constexpr std::size_t kMaxCorrectionTableBytes = std::size_t{1} << 20; // a few ranges of polynomials

} // namespace kavo
