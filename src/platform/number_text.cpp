#include "platform/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <system_error>

namespace kavo {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view trimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') {
    text.remove_prefix(1);
  }
  while (!text.empty() && text.back() == ' ') {
    text.remove_suffix(1);
  }
  return text;
}

} // namespace

std::optional<double> parseNumber(std::string_view text, char decimalSeparator) {
  text = trimSpaces(text);
  std::string normal; // the same number spelled for from_chars: '.' separator, no '+'
  normal.reserve(text.size());
  std::size_t pos = 0;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    if (text[pos] == '-') {
      normal.push_back('-');
    }
    ++pos;
  }
  int mantissaDigits = 0;
  bool separatorSeen = false;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (isDigit(c)) {
      ++mantissaDigits;
      normal.push_back(c);
    } else if (c == decimalSeparator && !separatorSeen) {
      separatorSeen = true;
      normal.push_back('.');
    } else {
      break;
    }
  }
  if (mantissaDigits == 0) {
    return std::nullopt;
  }
  if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
    normal.push_back('e');
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
      normal.push_back(text[pos]);
      ++pos;
    }
    int exponentDigits = 0;
    for (; pos < text.size() && isDigit(text[pos]); ++pos) {
      normal.push_back(text[pos]);
      ++exponentDigits;
    }
    if (exponentDigits == 0) {
      return std::nullopt;
    }
  }
  if (pos != text.size()) {
    return std::nullopt;
  }
  double value = 0.0;
  const char* first = normal.data();
  const char* last = normal.data() + normal.size();
  const auto [end, error] = std::from_chars(first, last, value);
  if (end != last) {
    return std::nullopt;
  }
  if (error == std::errc::result_out_of_range) {
    // Too small reads as zero; too large is not a number we keep. The order of magnitude is the
    // position of the first significant digit against the separator plus the written exponent.
    const std::size_t e = normal.find('e');
    const std::string_view mantissa(normal.data(), e == std::string::npos ? normal.size() : e);
    const std::size_t point =
        mantissa.find('.') == std::string_view::npos ? mantissa.size() : mantissa.find('.');
    const std::size_t firstSignificant = mantissa.find_first_of("123456789");
    long long magnitude = static_cast<long long>(point) - static_cast<long long>(firstSignificant);
    if (e != std::string::npos) {
      const std::string_view exponentText(normal.data() + e + 1, normal.size() - e - 1);
      long long written = 0;
      for (const char c : exponentText) {
        if (isDigit(c) && written < 100000) {
          written = written * 10 + (c - '0');
        }
      }
      magnitude += exponentText.front() == '-' ? -written : written;
    }
    const bool tiny = magnitude < 0;
    if (!tiny) {
      return std::nullopt;
    }
    return normal.front() == '-' ? -0.0 : 0.0;
  }
  if (error != std::errc{}) {
    return std::nullopt;
  }
  return value;
}

std::optional<int> parseInteger(std::string_view text) {
  text = trimSpaces(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) {
    return std::nullopt;
  }
  long long magnitude = 0;
  for (const char c : text) {
    if (!isDigit(c)) {
      return std::nullopt;
    }
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > static_cast<long long>(std::numeric_limits<int>::max()) + 1) {
      return std::nullopt;
    }
  }
  const long long value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min()) {
    return std::nullopt;
  }
  return static_cast<int>(value);
}

SignificantDigits roundToSignificant(double value, int significant) {
  char buffer[64];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                     std::chars_format::scientific, significant - 1);
  const std::string_view text(buffer, static_cast<std::size_t>(written.ptr - buffer));
  const std::size_t e = text.find('e');
  SignificantDigits rounded;
  for (const char c : text.substr(0, e)) {
    if (isDigit(c)) {
      rounded.digits.push_back(c);
    }
  }
  while (rounded.digits.size() > 1 && rounded.digits.back() == '0') {
    rounded.digits.pop_back();
  }
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(),
                  rounded.exponent);
  return rounded;
}

std::string formatGeneral(double value, char decimalSeparator) {
  if (value == 0.0) {
    return "0";
  }
  if (std::isnan(value)) {
    return "NAN";
  }
  if (std::isinf(value)) {
    return value > 0 ? "INF" : "-INF";
  }
  const SignificantDigits rounded = roundToSignificant(value, 15);
  const int exponent = rounded.exponent; // value = d.ddd × 10^exponent

  std::string out = value < 0 ? "-" : "";
  const int pointExponent = exponent + 1; // value = 0.ddd × 10^pointExponent
  if (pointExponent > 15 || pointExponent < -3) {
    return out + mantissaDigits(rounded, decimalSeparator) + 'E' + std::to_string(exponent);
  }
  return out + plainDigits(rounded, decimalSeparator);
}

std::string mantissaDigits(const SignificantDigits& rounded, char decimalSeparator) {
  std::string out(1, rounded.digits[0]);
  if (rounded.digits.size() > 1) {
    out.push_back(decimalSeparator);
    out.append(rounded.digits, 1, std::string::npos);
  }
  return out;
}

std::string plainDigits(const SignificantDigits& rounded, char decimalSeparator) {
  const std::string& digits = rounded.digits;
  std::string out;
  if (rounded.exponent < 0) {
    out.push_back('0');
    out.push_back(decimalSeparator);
    out.append(static_cast<std::size_t>(-rounded.exponent - 1), '0');
    out += digits;
    return out;
  }
  const auto intDigits = static_cast<std::size_t>(rounded.exponent) + 1;
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

std::string formatFixed(double value, char decimalSeparator, int digits) {
  if (!std::isfinite(value)) {
    return formatGeneral(value, decimalSeparator);
  }
  char buffer[400];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits);
  std::string out(buffer, written.ptr);
  const std::size_t point = out.find('.');
  if (point != std::string::npos) {
    out[point] = decimalSeparator;
  }
  return out;
}

} // namespace kavo
