#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace kavo {

// Why path cannot receive an output ("" when it can): it names an existing folder, device, pipe or
// socket (which a plain file must not replace), or a link that points nowhere. A new file, or an
// existing regular one (also through a link), can.
std::string outputFileProblem(const std::string& path);

// Writes bytes to path through a temporary file in the same folder that is flushed to disk and
// renamed over the target. On failure the old file is untouched, no temporary file is left behind,
// and the reason is returned; success returns an empty string. Only a regular file is replaced
// (outputFileProblem). The temporary file's name carries the process id, and temporaries of
// processes that are gone (killed while writing) are removed from the folder first.
std::string writeFileAtomically(const std::string& path, std::string_view bytes);

// The same for a file too large to hold in memory at once: produce hands the bytes to its sink piece
// by piece, in order; the sink returns false once writing has failed, and produce may stop there.
using ByteSink = std::function<bool(std::string_view piece)>;
std::string writeFileAtomically(const std::string& path, const std::function<void(const ByteSink&)>& produce);

} // namespace kavo
