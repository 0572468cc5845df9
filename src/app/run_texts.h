#pragma once
#include "app/run_result.h"

#include <string>
#include <vector>

namespace kavo {

// The refined result and the intervals as the window, kavo-cli and Save put them in words; numbers in
// the fixed form with the run's decimal separator.

// The refined result when there is one: the fit succeeded; nothing when it failed or did not run.
const RefinedResult* refinedOf(const RunResult& result);
// The classic interval when it could be computed.
const ClassicUncertainty* classicIntervalOf(const RunResult& result);

// "1599.6012 … 1600.4234".
std::string intervalText(double low, double high, char decimalSeparator);

// The refined focal length, its interval and the classic interval as shown; "" when there is none.
std::string refinedFocalText(const RunResult& result);
std::string refinedIntervalText(const RunResult& result);
std::string classicIntervalText(const RunResult& result);

// The corrected classic estimate ("1599.6012") and its interval; "" without one.
std::string classicCorrectedText(const RunResult& result);
std::string classicCorrectedIntervalText(const RunResult& result);

// The classic value's interval and the corrected estimate, one line each, as the classic field's
// tooltip and the refined one's name them; "" without the interval.
std::string classicIntervalLines(const RunResult& result);

// Why there is no refined focal length: the fit's message, or that it was not run. "" when there is one.
std::string refinedAbsenceText(const RunResult& result);

// The warnings of the checks of the series: the refined fit's, and why the classic interval could
// not be computed. The run's own warnings (RunInputs::warnings) are not among them.
std::vector<std::string> assessmentWarnings(const RunResult& result);

// The status line under a shown result: the first warning and how many more there are, or "".
std::string runStatusText(const RunResult& result);

// The tooltip of the refined field: the standard error and the classic interval, then every warning.
std::string refinedToolTip(const RunResult& result);

} // namespace kavo
