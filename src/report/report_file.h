#pragma once
#include "report/report_input.h"

#include <string>

namespace kavo {

// The outcome of writing a report: the message a user sees and a detail naming the file and the
// system's reason.
struct ReportWriteResult {
  bool ok = true;
  std::string message;
  std::string detail;
};

// Builds the page and writes it atomically: on failure nothing is left at `path` (an older report
// there stays as it was) and no temporary file remains.
ReportWriteResult writeReport(const std::string& path, const ReportInput& input);

// The local date and time as the report shows it: "10.12.2025 13:07".
std::string reportDateNow();

} // namespace kavo
