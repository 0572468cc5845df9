#pragma once
#include <string>

namespace kavo {

// The number text of the distribution window and its picture: five significant digits, plain
// notation when the value is 0 or its magnitude is at least 0.0001 with at most five digits before
// the separator, otherwise "d.dddE" and an exponent of at least three digits ("1.2346E005",
// "-5E-005"); trailing zeros and a bare separator are dropped. The layout is chosen after rounding.
std::string formatGraphNumber(double value, char decimalSeparator);

} // namespace kavo
