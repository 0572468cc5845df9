#pragma once
#include "detect/target.h"

#include <optional>
#include <string>
#include <vector>

namespace kavo {

// A sheet of paper, millimetres, as named on the command line ("A4", "A3", "letter", in any case, or
// "WxH" in millimetres such as "300x400").
struct Paper {
  std::string name;
  double width = 0.0;
  double height = 0.0;
};
std::optional<Paper> paperFromName(const std::string& name);

// How a target is laid on its page, millimetres from the page's top left corner: the board at 1:1,
// centred in the page less the band that holds the check ruler and the texts. The band lies along
// the bottom of the page, or, for a board that fits only so, along its right side (its texts then read
// upwards); the page is turned to landscape when only then the board fits.
struct TargetPage {
  double pageWidth = 0.0;
  double pageHeight = 0.0;
  bool landscape = false;
  double boardLeft = 0.0; // the board's drawn extent: squares, or the circles with their radius
  double boardTop = 0.0;
  double boardWidth = 0.0;
  double boardHeight = 0.0;
  bool bandAtSide = false;
  double bandLeft = 0.0; // the band's rectangle on the page
  double bandTop = 0.0;
  double bandWidth = 0.0;
  double bandHeight = 0.0;
  std::string refusal; // why the board cannot be printed on this paper, with the largest pitch that fits
  double largestPitch = 0.0; // the largest pitch that fits (any way round), millimetres
};

// Millimetres every edge of the page keeps free (printers do not print there), the white kept around
// the board (finders need light around the target), and the band's depth.
constexpr double kPageMargin = 8.0;
constexpr double kQuietZone = 4.0;
constexpr double kBandHeight = 18.0;

// Circles are drawn with this radius, in pitches.
constexpr double kCircleRadius = 0.3;

TargetPage layTargetPage(const detect::TargetSpec& target, const Paper& paper);

// The target the options of kavo-cli describe (--pattern, --size, --square, --marker, --dictionary),
// or nothing with the problem in why.
std::optional<detect::TargetSpec> targetFromOptions(const std::string& pattern, const std::string& size,
                                                    double pitch, double markerSize,
                                                    const std::string& dictionary, std::string& why);

// The arguments of kavo-cli detect that describe the target, as the page prints them:
// --pattern chessboard --size 9x6 --square 25 (and --marker, --dictionary for ChArUco).
std::vector<std::string> detectTargetArguments(const detect::TargetSpec& target);

// The whole command printed on the page, with the step, folder and photos left to fill in.
std::string detectCommandText(const detect::TargetSpec& target);

// What the page says of the target, in words: kind, size, pitch, marker, paper, print at 100 %.
std::string targetDescription(const detect::TargetSpec& target, const Paper& paper);

} // namespace kavo
