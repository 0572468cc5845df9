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
// report's input is built here from the run's result value and written atomically.

// The report of a shown result: its inputs with the digests taken when they were read, the settings,
// the classic result and its interval, the refined result with its checks and the plots.
ReportInput runReportInput(const RunResult& result, const std::string& date);

// The report of a run that ended without a result: what it read, as far as it got, and why; and the
// refined fit when the run made one without the classic values (refinedOnly, may be null).
ReportInput noResultReportInput(const RunInputs& inputs, const std::string& whyNoResult,
                                const std::string& date, const RunResult* refinedOnly = nullptr);

// Builds the report with today's date and writes it atomically: on failure nothing is left at path
// (an older file there stays as it was); the message and detail name the file and the reason.
ReportWriteResult writeRunReport(const std::string& path, const RunResult& result);
ReportWriteResult writeRunReport(const std::string& path, const RunInputs& inputs,
                                 const std::string& whyNoResult, const RunResult* refinedOnly = nullptr);

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
