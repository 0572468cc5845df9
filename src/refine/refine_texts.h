#pragma once
// Numbers and words of the warning texts, and the quantile of the intervals.
#include <string>
#include <vector>

namespace kavo {

// value with exactly `decimals` digits after the separator (a minus sign when negative).
std::string decimalText(double value, int decimals, char separator);
// value with a sign always (+0,51 or −0,51 written with a hyphen-minus).
std::string signedDecimalText(double value, int decimals, char separator);

// "5", "5 и 7", "5–10", "2, 5–7 и 9": image numbers (from 1, ascending) as a reader counts them.
std::string numberRanges(const std::vector<int>& numbers);

// The two-sided 95 % quantile of Student's t with nu degrees of freedom (1.96 for very large nu).
double studentQuantile95(double nu);

} // namespace kavo
