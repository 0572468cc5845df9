#pragma once
#include <string>
#include <string_view>

namespace kavo {

// Writes bytes to path through a temporary file in the same folder that is flushed to disk and
// renamed over the target. On failure the old file is untouched, no temporary file is left behind,
// and the reason is returned; success returns an empty string.
std::string writeFileAtomically(const std::string& path, std::string_view bytes);

} // namespace kavo
