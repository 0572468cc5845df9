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

// The relative difference from the focal length the photos' EXIF gives (the camera file's line 9)
// beyond which a result is suspect: the EXIF value is rounded, but a changed zoom or focus, or wrong
// camera steps, move the result much further.
inline constexpr double kExifFocalTolerance = 0.10;

// The warning of a result that differs from the EXIF focal length by more than that: "Фокусное
// расстояние по EXIF 2100.0 пикс. отличается от результата 1799.7 более чем на 10 %: …", naming
// the classic or the refined value, or both, whichever is shown and differs. "" when every shown
// value agrees, nothing is shown, or the camera file has no EXIF focal length.
std::string exifFocalWarning(const RunResult& result);

// The status line under a shown result: the first warning and how many more there are, or "".
std::string runStatusText(const RunResult& result);

// The tooltip of the refined field: the standard error and the classic interval, then every warning.
std::string refinedToolTip(const RunResult& result);

} // namespace kavo
