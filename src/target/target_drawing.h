#pragma once
#include "detect/target.h"
#include "target/target_page.h"

#include <optional>
#include <string>

namespace kavo {

// A target to print: the board at 1:1 on its page (see layTargetPage), a 100 mm check ruler and, in
// the band at the bottom, what the target is and the kavo-cli detect command that reads its photos.
// PDF for a path ending in ".pdf", SVG for ".svg" (in any case); written atomically. Returns "" when
// written, otherwise the reason, naming the file where the writing failed; a board that does not
// fit the paper is refused with the largest pitch that would.
enum class TargetPageFormat { Pdf, Svg };

// The format a path's extension names (".pdf" or ".svg" in any case), or nothing.
std::optional<TargetPageFormat> targetPageFormat(const std::string& path);

std::string writeTargetPage(const detect::TargetSpec& target, const Paper& paper, const std::string& path);

} // namespace kavo
