#pragma once
#include "app/run_result.h"
#include "estimator/layout_reach.h"

#include <string>

namespace kavo {

// How far a run that gave no value got in the layout tests, in the settings dialog's units, with
// settings that would give values (whole numbers below what the series reached, the run's own value
// where one of the two can stay).
LayoutAdvice layoutAdviceOf(const LayoutReach& reach, const SettingsNumbers& settings);

// Where the user changes the settings: the window's menu, or kavo-cli's options.
enum class SettingsPlace { Window, CommandLine };

// The detail of a run that gave no value: why, and with the layout's reach what to change and where.
std::string noValueDetail(const RunResult& result, SettingsPlace place);

} // namespace kavo
