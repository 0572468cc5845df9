#pragma once
#include <string>
#include <string_view>

namespace kavo::svg {

// Text for an HTML or SVG page: the five markup characters become entities, bytes that are not
// well-formed UTF-8 and control characters a page may not hold become U+FFFD, so a file name of
// any bytes cannot break the page or smuggle markup into it.
std::string escapeText(std::string_view text);

// Number of characters (code points) in UTF-8 text: what the layout uses to estimate text widths.
int characterCount(std::string_view text);

// A number with exactly `decimals` digits after the caller's decimal separator ("1799,70"); a
// value that rounds to zero loses its sign. Non-finite values are written as "—".
std::string fixedNumber(double value, int decimals, char decimalSeparator);

// A number with at most `digits` significant digits, trailing zeros dropped, in plain notation
// from 1e-4 to 1e6 and as "2,5E-08" beyond.
std::string significantNumber(double value, int digits, char decimalSeparator);

// A coordinate of the drawing: two decimals, always with '.', as SVG syntax requires.
std::string coordinate(double value);

} // namespace kavo::svg
