#include "datafiles/correction_table.h"
#include "fuzz_support.h"
#include "platform/cp1251.h"
#include "platform/text_file.h"

#include <cmath>

using namespace kavo;

// Corrects one measured value through a fuzzed table: the call either fails with a CorrectionError
// or gives a finite number. The byte after the separator's picks the axis and the value, so every
// run makes one correction and the fuzzer explores the pairs as it explores the tables.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char separator = fuzz::separatorFrom(data, size);
  if (size == 0) {
    return 0;
  }
  static const double measured[] = {0.0, -0.0, 1.0, -1.0, 0.5, 10.0, 999.0, 1000.0, 1e6, -1e6, 1e300, 5e-324};
  constexpr std::size_t kValues = sizeof(measured) / sizeof(measured[0]);
  const bool isX = (data[0] & 0x80) == 0;
  const double v = measured[(data[0] & 0x7F) % kValues];
  ++data;
  --size;
  const std::vector<std::string> table =
      splitLines(decodeCp1251(std::string_view(reinterpret_cast<const char*>(data), size)));
  try {
    const double corrected =
        isX ? CorrectX(v, table, 1000.0, separator) : CorrectY(v, table, 750.0, separator);
    fuzz::check(std::isfinite(corrected), "a corrected value is finite");
  } catch (const CorrectionError&) {
  }
  return 0;
}
