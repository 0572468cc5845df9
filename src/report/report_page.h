#pragma once
#include "report/report_input.h"

#include <string>

namespace kavo {

// The calibration report as one self-contained HTML page in Russian, UTF-8: styles and pictures
// inline, no script, nothing fetched from elsewhere, print styles for A4. Every part the input does
// not allow (no result, no refined fit, the debug mode) is stated in a sentence instead of left out.
std::string buildReportPage(const ReportInput& input);

// The sentence the page shows in place of the refined result, or "" when there is one.
std::string refinedAbsence(const ReportInput& input);

} // namespace kavo
