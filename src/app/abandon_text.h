#pragma once
#include "app/run_result.h"

#include <string>

namespace kavo {

// A short text for the status line and the command line: why a run ended without a result.
std::string abandonText(const RunEnd& end);

} // namespace kavo
