#include "report/svg_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace kavo::svg {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// Length of the well-formed UTF-8 sequence at the start of text, or 0 when it is not one.
std::size_t sequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    return 1;
  }
  std::size_t length = 0;
  std::uint32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07u;
  } else {
    return 0;
  }
  if (text.size() < length) {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0u) != 0x80u) {
      return 0;
    }
    code = (code << 6) | (byte(i) & 0x3Fu);
  }
  // Overlong forms, surrogates and code points beyond U+10FFFF are not UTF-8.
  const std::uint32_t smallest = length == 2 ? 0x80u : length == 3 ? 0x800u : 0x10000u;
  if (code < smallest || (code >= 0xD800u && code <= 0xDFFFu) || code > 0x10FFFFu) {
    return 0;
  }
  return length;
}

std::string withSeparator(std::string text, char decimalSeparator) {
  for (char& c : text) {
    if (c == '.') {
      c = decimalSeparator;
    }
  }
  return text;
}

} // namespace

std::string escapeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const std::size_t length = sequenceLength(text);
    if (length == 0) {
      out += kReplacement;
      text.remove_prefix(1);
      continue;
    }
    if (length == 1) {
      const char c = text[0];
      switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      case '\t':
      case '\n':
        out += c;
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          out += kReplacement;
        } else {
          out += c;
        }
      }
    } else {
      out.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return out;
}

int characterCount(std::string_view text) {
  int count = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0u) != 0x80u) {
      ++count;
    }
  }
  return count;
}

std::string fixedNumber(double value, int decimals, char decimalSeparator) {
  if (!std::isfinite(value)) {
    return "\xE2\x80\x94"; // an em dash
  }
  char buffer[400];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) {
    return "\xE2\x80\x94";
  }
  std::string text(buffer, end);
  if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) {
    text.erase(0, 1);
  }
  return withSeparator(std::move(text), decimalSeparator);
}

std::string significantNumber(double value, int digits, char decimalSeparator) {
  if (!std::isfinite(value)) {
    return "\xE2\x80\x94";
  }
  if (value == 0.0) {
    return "0";
  }
  const double magnitude = std::fabs(value);
  char buffer[64];
  std::to_chars_result written{};
  const bool plain = magnitude >= 1e-4 && magnitude < 1e6;
  if (plain) {
    // Decimals enough for `digits` significant ones; to_chars rounds once.
    const int leading = static_cast<int>(std::floor(std::log10(magnitude))) + 1;
    if (leading > digits) {
      // More whole digits than significant ones: the rest become zeros.
      const double unit = std::pow(10.0, leading - digits);
      value = std::round(value / unit) * unit;
    }
    const int decimals = std::max(0, digits - leading);
    written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  } else {
    written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, digits - 1);
  }
  std::string text(buffer, written.ptr);
  std::string exponent;
  if (const auto e = text.find('e'); e != std::string::npos) {
    exponent = "E" + text.substr(e + 1);
    text.erase(e);
  }
  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') {
      text.pop_back();
    }
  }
  return withSeparator(text + exponent, decimalSeparator);
}

std::string coordinate(double value) {
  if (!std::isfinite(value)) {
    value = 0.0;
  }
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
  if (ec != std::errc()) {
    return "0";
  }
  std::string text(buffer, end);
  // "12.50" -> "12.5", "3.00" -> "3": fewer bytes, the same drawing.
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') {
    text.pop_back();
  }
  if (text == "-0") {
    text = "0";
  }
  return text;
}

} // namespace kavo::svg
