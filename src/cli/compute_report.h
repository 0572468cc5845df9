#pragma once
#include "cli/compute_run.h"

#include <iosfwd>
#include <string>

namespace kavo {

// kavo-cli compute's word for how the run ended: "ok", "noResult" (not a single value), "stopped"
// (before the computation) or "abandoned" (the computation ended without a result).
const char* computeStatusName(RunStatus status);

// One JSON object, keys in a fixed order, absent values as null, ending in a new line.
std::string toJson(const ComputeResult& result);

// The three result fields and the count on out; otherwise the message and its detail on err. The
// refined line follows either; the warnings go to err.
void printSummary(const ComputeResult& result, std::ostream& out, std::ostream& err);

} // namespace kavo
