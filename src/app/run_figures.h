#pragma once
#include "app/run_result.h"
#include "report/report_input.h"

#include <string>
#include <vector>

namespace kavo {

// A run's result as every output shows it, mapped once: the window's fields and tooltip, the command
// line's lines and JSON, Save's line 4, the report and the exports all read these figures and texts.
// Numbers in texts are in the fixed form with the run's decimal separator.
struct RunFigures {
  // The classic result: present only for a run that gave a classic value; its interval, with the
  // method in the report's words.
  ReportClassic classic;
  std::string classicIntervalMethod;  // the value's interval's method in the fit's own words (JSON)
  std::string classicCorrectedMethod; // the corrected estimate's, "" without one
  // The refined result: NotRun when the run did not go on to the fit (switched off, or the run ended
  // before it), Failed with its message, or Ok.
  ReportRefined refined;

  // The three result fields, "" without a classic value.
  std::string focalText;
  std::string deviationText;
  std::string standardDeviationText;
  // "1599.6012" and "1599.6012 … 1600.4234"; "" without a refined value or classic interval.
  std::string refinedFocalText;
  std::string refinedIntervalText;
  std::string classicIntervalText; // of the classic value, about it
  // The classic estimate corrected for its shift in this geometry and its interval; "" without one.
  std::string classicCorrectedText;
  std::string classicCorrectedIntervalText;
  std::string refinedAbsence; // why there is no refined value; "" when there is one
  // The warnings of the checks of the series (the run's own warnings are in RunInputs::warnings).
  std::vector<std::string> checkWarnings;
  // The status line under the result and the refined field's tooltip.
  std::string statusLine;
  std::string toolTip;
  // The classic field's tooltip: the value's interval and the corrected estimate; "" without either.
  std::string classicToolTip;
};

RunFigures runFigures(const RunResult& result);

// Why a run has no classic value, in one line: its box's text with the detail, or why it ended.
std::string noClassicValueReason(const RunResult& result);

} // namespace kavo
