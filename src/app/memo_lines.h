#pragma once
#include "app/run_result.h"
#include "estimator/focal_values.h"

#include <string>
#include <vector>

namespace kavo {

// What the debug mode writes into the results memo.

// The worker's listing (listValues): a heading and every value in the fixed form, or a notice
// instead when there are 2000 values or more.
std::vector<std::string> listValuesLines(const FocalValues& values, char decimalSeparator);

// The summary block under a shown result, with the signed numbers.
std::vector<std::string> resultMemoLines(const RunResult& result, char decimalSeparator);

} // namespace kavo
