#include "app/run_result.h"

#include "platform/number_text.h"

#include <cmath>

namespace kavo {

long long runValueCount(const VT_Points& results) {
  return results.Count() > 0 ? static_cast<long long>(results.Get(0)->x) : 0;
}

bool runProducedValues(const VT_Points& results) {
  return std::fabs(results.Get(0)->x) >= 0.1;
}

RunResult decodeRunResult(const VT_Points& results, const std::string& cameraFile, char separator) {
  RunResult r;
  const double count = results.Get(0)->x;
  r.valueCount = static_cast<long long>(count);
  r.meanValue = results.Get(1)->x;
  r.deviation = results.Get(2)->x;
  r.standardDeviation = results.Get(3)->x;
  r.focalText = formatFixed(std::fabs(r.meanValue), separator);
  if (count > 2) {
    r.deviationText = formatFixed(std::fabs(r.deviation), separator);
    r.standardDeviationText = formatFixed(std::fabs(r.standardDeviation), separator);
  } else {
    r.deviationText = "-";
    r.standardDeviationText = "-";
  }
  r.cameraFile = cameraFile;
  return r;
}

} // namespace kavo
