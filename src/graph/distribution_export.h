#pragma once
#include <string>

namespace kavo {

class FocalValues;

// Writes the distribution picture exactly as the window shows it when it opens (curve, axis, the
// red mean line and the blue band lines), 900 × 580 pixels, 24 bits per pixel: a bitmap file, or a
// PNG file when the name ends in ".png" (any case). The file is replaced atomically. Returns an
// empty text on success, otherwise the reason for the user.
std::string exportDistributionPicture(const std::string& path, const FocalValues& values, double clipFactor,
                                      double mean, double deviation, double standardDeviation,
                                      char decimalSeparator);

} // namespace kavo
