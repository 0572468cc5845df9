#include "datafiles/correction_table.h"
#include "fuzz_support.h"
#include "platform/cp1251.h"
#include "platform/text_file.h"

#include <cmath>

using namespace kavo;

// Corrects a handful of measured values through a fuzzed table: every call either fails with a
// CorrectionError or gives a finite number.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char separator = fuzz::separatorFrom(data, size);
  const std::vector<std::string> table =
      splitLines(decodeCp1251(std::string_view(reinterpret_cast<const char*>(data), size)));
  static const double measured[] = {0.0, -0.0, 1.0, -1.0, 0.5, 10.0, 999.0, 1000.0, 1e6, -1e6, 1e300, 5e-324};
  for (const double v : measured) {
    try {
      fuzz::check(std::isfinite(CorrectX(v, table, 1000.0, separator)), "a corrected x is finite");
    } catch (const CorrectionError&) {
    }
    try {
      fuzz::check(std::isfinite(CorrectY(v, table, 750.0, separator)), "a corrected y is finite");
    } catch (const CorrectionError&) {
    }
  }
  return 0;
}
