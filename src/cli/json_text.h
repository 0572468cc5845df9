#pragma once
#include <optional>
#include <string>
#include <vector>

namespace kavo {

// A JSON string literal, with the characters JSON requires escaped (UTF-8 passes through).
std::string jsonString(const std::string& text);

// The shortest decimal text that reads back to the same double; "null" for a non-finite value.
std::string shortestNumber(double value);

// What one compute command produced, as kavo-cli reports it.
struct ComputeReport {
  std::string status; // "ok", "stopped" or "abandoned"
  std::optional<std::string> message;
  std::optional<std::string> caption;
  std::optional<std::string> detail;
  std::vector<std::string> warnings;
  long long valueCount = 0;
  std::optional<double> meanValue;
  std::optional<double> deviation;
  std::optional<double> standardDeviation;
  std::optional<std::string> shownFocal;
  std::optional<std::string> shownDeviation;
  std::optional<std::string> shownStddev;
};

// One JSON object, keys in a fixed order, absent values as null.
std::string toJson(const ComputeReport& report);

} // namespace kavo
