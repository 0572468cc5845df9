#include "graph/graph_number.h"

#include "platform/number_text.h"

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
  const int exponent = rounded.exponent; // value = d.dddd × 10^exponent

  std::string out = value < 0 ? "-" : "";
  if (exponent < -4 || exponent > 4) {
    out += mantissaDigits(rounded, decimalSeparator);
    out.push_back('E');
    if (exponent < 0) {
      out.push_back('-');
    }
    const std::string magnitude = std::to_string(std::abs(exponent));
    out.append(magnitude.size() < 3 ? 3 - magnitude.size() : 0, '0');
    out += magnitude;
    return out;
  }
  return out + plainDigits(rounded, decimalSeparator);
}

} // namespace kavo
