#include "fuzz_support.h"
#include "platform/number_text.h"

#include <cmath>
#include <string_view>

using namespace kavo;

// Any text either is no number or reads as a finite double; what the writers make of that double
// reads back to (nearly) the same value.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char separator = fuzz::separatorFrom(data, size);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)parseInteger(text);
  const auto value = parseNumber(text, separator);
  if (!value) {
    return 0;
  }
  fuzz::check(std::isfinite(*value), "a parsed number is finite");
  const std::string general = formatGeneral(*value, separator);
  const auto back = parseNumber(general, separator);
  // Rounding to 15 digits may carry the very largest doubles past the range; stay below it.
  if (std::fabs(*value) < 1e300) {
    fuzz::check(back.has_value(), "the general form reads back");
    fuzz::check(std::fabs(*back - *value) <= 1e-14 * std::fabs(*value), "the general form keeps 15 digits");
  }
  if (std::fabs(*value) < 1e15) {
    const auto fixed = parseNumber(formatFixed(*value, separator), separator);
    fuzz::check(fixed.has_value(), "the fixed form reads back");
    fuzz::check(std::fabs(*fixed - *value) <= 0.00005 + 1e-15 * std::fabs(*value),
                "the fixed form keeps 4 decimals");
  }
  return 0;
}
