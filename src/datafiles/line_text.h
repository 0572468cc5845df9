#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace kavo {

// Helpers shared by the data file readers for wording what was wrong with a line.

// The text in «» quotes, cut short when it is long so that a detail stays readable.
std::string quoted(std::string_view text);

// "<file>, строка <n>: " with n counted from 1 as editors show it.
std::string lineAt(const std::string& file, std::size_t index);

// Parses a number; on failure sets why to a reason such as "«1 024» не число".
std::optional<double> numberOrReason(std::string_view text, char decimalSeparator, std::string& why);

// A number of lines with the word in the form the number needs: "1 строка", "3 строки", "11 строк".
std::string lineCount(std::size_t count);

} // namespace kavo
