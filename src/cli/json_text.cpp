#include "cli/json_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kavo {

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
    case '"':
      out += "\\\"";
      break;
    case '\\':
      out += "\\\\";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    case '\t':
      out += "\\t";
      break;
    default:
      if (c < 0x20) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(c));
        out += buffer;
      } else {
        out += ch;
      }
    }
  }
  return out + "\"";
}

std::string shortestNumber(double value) {
  if (!std::isfinite(value)) {
    return "null";
  }
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

namespace {

std::string text(const std::optional<std::string>& value) {
  return value ? jsonString(*value) : "null";
}

std::string number(const std::optional<double>& value) {
  return value ? shortestNumber(*value) : "null";
}

} // namespace

std::string toJson(const ComputeReport& r) {
  std::string warnings = "[";
  for (std::size_t i = 0; i < r.warnings.size(); ++i) {
    warnings += (i == 0 ? "\n  " : ",\n  ") + jsonString(r.warnings[i]);
  }
  warnings += r.warnings.empty() ? "]" : "\n ]";
  return "{\n \"status\": " + jsonString(r.status) + ",\n \"message\": " + text(r.message) +
         ",\n \"caption\": " + text(r.caption) + ",\n \"detail\": " + text(r.detail) +
         ",\n \"warnings\": " + warnings + ",\n \"valueCount\": " + std::to_string(r.valueCount) +
         ",\n \"meanValue\": " + number(r.meanValue) + ",\n \"deviation\": " + number(r.deviation) +
         ",\n \"standardDeviation\": " + number(r.standardDeviation) +
         ",\n \"shown\": {\n  \"focal\": " + text(r.shownFocal) +
         ",\n  \"deviation\": " + text(r.shownDeviation) + ",\n  \"stddev\": " + text(r.shownStddev) +
         "\n }\n}\n";
}

} // namespace kavo
