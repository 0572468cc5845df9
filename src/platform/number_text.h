#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace kavo {

// Reads a number: optional spaces, an optional sign, decimal digits with at most one decimal
// separator, an optional exponent (E or e, optional sign, digits), optional spaces, nothing else.
// Only the space counts as a blank. Returns nothing for any other text and for a value that does
// not fit a double.
std::optional<double> parseNumber(std::string_view text, char decimalSeparator);

// Reads a 32-bit integer: optional spaces, an optional sign, decimal digits, optional spaces.
std::optional<int> parseInteger(std::string_view text);

// General form: at most 15 significant digits, trailing zeros dropped; exponent notation ("1.5E20",
// "5E-5") only below 0.0001 or with more than 15 digits before the separator.
std::string formatGeneral(double value, char decimalSeparator);

// |value| rounded once to the given number of significant digits: the digits without trailing zeros
// and the decimal exponent of the first (|value| ≈ d.ddd × 10^exponent). For finite, non-zero values;
// both written forms choose their layout from the rounded number.
struct SignificantDigits {
  std::string digits;
  int exponent = 0;
};
SignificantDigits roundToSignificant(double value, int significant);

// How both written forms lay the rounded digits out, without a sign: in plain notation ("0.00123",
// "1500", "12.5"), or as the mantissa before an exponent ("1.5" of 1.5E20, "5" of 5E-5).
std::string plainDigits(const SignificantDigits& rounded, char decimalSeparator);
std::string mantissaDigits(const SignificantDigits& rounded, char decimalSeparator);

// Fixed form: exactly four digits after the separator ("1523.0870", "-0.5000"), or as many as given
// ("2100.0" with one).
std::string formatFixed(double value, char decimalSeparator, int digits = 4);

} // namespace kavo
