#pragma once
#include "app/calibration_state.h"
#include "app/run_result.h"
#include "graph/distribution_numbers.h"
#include "platform/user_port.h"
#include "report/report_file.h"
#include "report/report_input.h"

#include <string>

namespace kavo {

// The calibration report of a run, one road for the window's "Отчёт…" and kavo-cli --report: the
// report's input is built from the run's result value and written atomically.

// The report of a run: its inputs with the digests of the bytes it read, the settings, the classic
// result and its interval (or why there is none), the refined result with its checks and the plots.
ReportInput runReportInput(const RunResult& result, const std::string& date);

// Builds the report with today's date and writes it atomically: on failure nothing is left at path
// (an older file there stays as it was); the message and detail name the file and the reason.
ReportWriteResult writeRunReport(const std::string& path, const RunResult& result);

// The distribution window's numbers when it opens on these values: the unclipped mean, deviation and
// standard deviation with the settings' clipping factor.
DistributionNumbers openingDistribution(const FocalValues& values, double clipFactor);

// How "Отчёт…" ended.
struct ReportOutcome {
  enum class Status {
    Written,      // the report was written
    NothingShown, // no result is shown: nothing asked
    Cancelled,    // the save dialog was cancelled
    Declined,     // the chosen file exists and the user declined to overwrite it
    Failed,       // the write failed; the box naming the file was shown
  };
  Status status = Status::NothingShown;
  std::string path;
  UserMessage failure;
};

// "Отчёт…": the save dialog through the port proposes a name beside the list file; an existing file
// is replaced only after a yes; the report of the shown result is written; a failure is shown in a
// box naming the file.
ReportOutcome saveShownReport(const CalibrationState& state, UserPort& port);

} // namespace kavo
