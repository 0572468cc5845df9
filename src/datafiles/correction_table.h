#pragma once
#include "core/error.h"

#include <optional>
#include <string>
#include <vector>

namespace kavo {

// A correction that cannot be made: a malformed table line that was read, a point in no range,
// or a value the polynomial cannot be evaluated at. what() is the detail for people.
class CorrectionError : public Error {
  using Error::Error;
};

// The measured x corrected by the first table range whose x bounds hold it, relative to the image
// centre. The table is read afresh on every call.
double CorrectX(double x, const std::vector<std::string>& table, double imageCentreX, char decimalSeparator);

// The measured y corrected by the first range whose y bounds hold it, relative to the image centre,
// pointing up and divided by the table's vertical scale (line 0).
double CorrectY(double y, const std::vector<std::string>& table, double imageCentreY, char decimalSeparator);

// The table's vertical scale (line 0) as a number, or nothing when line 0 does not hold one.
std::optional<double> correctionVerticalScale(const std::vector<std::string>& table, char decimalSeparator);

// A table that leaves measured coordinates as they are: vertical scale 1 and one range, reaching an
// image width and height beyond every side of an image of the given size, with x' = x and y' = y.
std::vector<std::string> undistortedCorrectionTable(double imageWidth, double imageHeight,
                                                    char decimalSeparator);

// Writes undistortedCorrectionTable(...) atomically in Windows-1251 with CR LF. Returns "" on success,
// otherwise the reason naming the file (a size that is not a positive finite number included).
std::string writeUndistortedCorrectionTable(const std::string& path, double imageWidth, double imageHeight,
                                            char decimalSeparator);

} // namespace kavo
