#pragma once
#include "app/compute_command.h"
#include "app/run_result.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kavo {

// What one compute command produced, as kavo-cli reports it.
struct ComputeReport {
  // "ok": a focal length was computed; "noResult": the run ended without a single value;
  // "stopped": the command stopped before the run; "abandoned": the run ended without a result.
  std::string status;
  std::optional<std::string> message;
  std::optional<std::string> caption;
  std::optional<std::string> detail;
  std::vector<std::string> warnings;
  long long valueCount = 0;
  std::optional<RunResult> result; // only with "ok"
  // Only with "noResult": the refined fit, which does not need the classic values; its classic
  // fields are empty.
  std::optional<RunResult> refinedOnly;
};

// The report of a finished command, from its outcome and the result it showed.
ComputeReport reportOf(const ComputeOutcome& outcome, const CalibrationState& state);

// One JSON object, keys in a fixed order, absent values as null, ending in a new line.
std::string toJson(const ComputeReport& report);

// The three result fields and the count on out; otherwise the message and its detail on err. The
// refined line follows either.
void printSummary(const ComputeReport& report, std::ostream& out, std::ostream& err);

} // namespace kavo
