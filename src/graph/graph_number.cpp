#include "graph/graph_number.h"

#include "datafiles/number_text.h"

#include <cmath>

namespace kavo {

std::string formatGraphNumber(double value, char decimalSeparator) {
  if (value == 0.0) {
    return "0";
  }
  if (std::isnan(value)) {
    return "NAN";
  }
  if (std::isinf(value)) {
    return value > 0 ? "INF" : "-INF";
  }
  // Rounded once to five significant digits; the rounded number decides the layout, so 99999.7
  // is written as 1E005 and 0.000099999 as 0.0001.
  const SignificantDigits rounded = roundToSignificant(value, 5);
  const std::string& digits = rounded.digits;
  const int exponent = rounded.exponent; // value = d.dddd × 10^exponent

  std::string out = value < 0 ? "-" : "";
  if (exponent < -4 || exponent > 4) {
    out.push_back(digits[0]);
    if (digits.size() > 1) {
      out.push_back(decimalSeparator);
      out.append(digits, 1, std::string::npos);
    }
    out.push_back('E');
    if (exponent < 0) {
      out.push_back('-');
    }
    const std::string magnitude = std::to_string(std::abs(exponent));
    out.append(magnitude.size() < 3 ? 3 - magnitude.size() : 0, '0');
    out += magnitude;
    return out;
  }
  if (exponent < 0) {
    out += "0";
    out.push_back(decimalSeparator);
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
    return out;
  }
  const auto intDigits = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= intDigits) {
    out += digits;
    out.append(intDigits - digits.size(), '0');
  } else {
    out.append(digits, 0, intDigits);
    out.push_back(decimalSeparator);
    out.append(digits, intDigits, std::string::npos);
  }
  return out;
}

} // namespace kavo
