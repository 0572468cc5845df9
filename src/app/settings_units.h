#pragma once
#include <numbers>

namespace kavo {

// The settings dialog's conversions, shared so that the desktop and the command line store the very
// same doubles: degrees × π × (1/180) and percent × 0.01, each product formed in extended precision
// and stored as a double.
inline double minLineAngleFromDegrees(double degrees) {
  return static_cast<double>(static_cast<long double>(degrees) * static_cast<long double>(std::numbers::pi) *
                             (1.0L / 180.0L));
}

inline double minPointSpacingFromPercent(double percent) {
  return static_cast<double>(static_cast<long double>(percent) * 0.01L);
}

} // namespace kavo
