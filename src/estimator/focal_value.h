#pragma once
#include <cstdint>
#include <limits>

namespace kavo {

// Two doubles side by side: the y-axis and the x-axis quantity of one image pair. Each lane performs
// exactly the scalar operations, so a lane's result is the bits the scalar code would give.
using AxisPair = double __attribute__((vector_size(16)));
using AxisMask = std::int64_t __attribute__((vector_size(16)));

inline AxisPair bothAxes(double v) {
  return AxisPair{v, v};
}

// |v| lane by lane: the sign bit cleared, as std::fabs does.
inline AxisPair magnitude(AxisPair v) {
  return reinterpret_cast<AxisPair>(reinterpret_cast<AxisMask>(v) & AxisMask{INT64_MAX, INT64_MAX});
}

// The focal values of one quadruple and image pair, y axis in lane 0 and x axis in lane 1:
// |S·250 / (L(partner) − L(base))|, where scale holds S·250 in both lanes. Every value of a run is
// formed here. A zero divisor gives an infinity or a NaN, an overflow an infinity.
inline AxisPair focalValues(AxisPair scale, AxisPair baseLengths, AxisPair partnerLengths) {
  return magnitude(scale / (partnerLengths - baseLengths));
}

// True in each lane whose value is a finite number (false for infinities and NaN).
inline AxisMask finiteLanes(AxisPair v) {
  return magnitude(v) <= bothAxes(std::numeric_limits<double>::max());
}

} // namespace kavo
