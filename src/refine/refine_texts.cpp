#include "refine/refine_texts.h"

#include <charconv>
#include <cmath>

namespace kavo {

std::string decimalText(double value, int decimals, char separator) {
  if (!std::isfinite(value)) {
    return "-";
  }
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  std::string text(buffer, r.ptr);
  for (char& c : text) {
    if (c == '.') {
      c = separator;
    }
  }
  if (text.find_first_not_of("-0.,") == std::string::npos && text.front() == '-') {
    text.erase(0, 1); // no "-0,00"
  }
  return text;
}

std::string signedDecimalText(double value, int decimals, char separator) {
  std::string text = decimalText(value, decimals, separator);
  return text.front() == '-' ? text : "+" + text;
}

std::string numberRanges(const std::vector<int>& numbers) {
  std::vector<std::string> parts;
  for (std::size_t i = 0; i < numbers.size();) {
    std::size_t j = i;
    while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) {
      ++j;
    }
    if (j >= i + 2) {
      parts.push_back(std::to_string(numbers[i]) + "–" + std::to_string(numbers[j]));
    } else {
      for (std::size_t k = i; k <= j; ++k) {
        parts.push_back(std::to_string(numbers[k]));
      }
    }
    i = j + 1;
  }
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) {
      text += i + 1 == parts.size() ? " и " : ", ";
    }
    text += parts[i];
  }
  return text;
}

double studentQuantile95(double nu) {
  if (!(nu < 1e6)) {
    return 1.959963984540054;
  }
  if (nu <= 1.0) {
    return 12.706204736174698;
  }
  if (nu <= 2.0) {
    // Exact at 2; between 1 and 2 the expansion below is poor, so interpolate in 1/nu.
    const double w = (1.0 / nu - 0.5) / 0.5;
    return 4.302652729749464 * (1.0 - w) + 12.706204736174698 * w;
  }
  // Cornish–Fisher expansion of the quantile in 1/nu (Abramowitz and Stegun 26.7.5), within 0.5 %
  // from 3 degrees of freedom on.
  const double z = 1.959963984540054;
  const double z2 = z * z;
  const double g1 = (z2 + 1.0) * z / 4.0;
  const double g2 = ((5.0 * z2 + 16.0) * z2 + 3.0) * z / 96.0;
  const double g3 = (((3.0 * z2 + 19.0) * z2 + 17.0) * z2 - 15.0) * z / 384.0;
  const double g4 = ((((79.0 * z2 + 776.0) * z2 + 1482.0) * z2 - 1920.0) * z2 - 945.0) * z / 92160.0;
  if (nu < 3.0) {
    const double at3 = z + g1 / 3.0 + g2 / 9.0 + g3 / 27.0 + g4 / 81.0;
    const double w = (1.0 / nu - 1.0 / 3.0) / (0.5 - 1.0 / 3.0);
    return at3 * (1.0 - w) + 4.302652729749464 * w;
  }
  return z + g1 / nu + g2 / (nu * nu) + g3 / (nu * nu * nu) + g4 / (nu * nu * nu * nu);
}

} // namespace kavo
