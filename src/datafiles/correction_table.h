#pragma once
#include "core/error.h"

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

} // namespace kavo
