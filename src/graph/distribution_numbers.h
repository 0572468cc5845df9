#pragma once

namespace kavo {

// The four numbers of the distribution window: handed in by the worker, changed by the clipping
// box, "Счёт" and "Сброс", and read back when the window closes.
struct DistributionNumbers {
  double meanValue = 0.0;
  double clipFactor = 0.0;
  double deviation = 0.0;
  double standardDeviation = 0.0;
};

// How the distribution window was left: "Выход" abandons the run, otherwise the window's final
// numbers become the result.
struct DistributionOutcome {
  bool exitPressed = false;
  double mean = 0.0;
  double deviation = 0.0;
  double standardDeviation = 0.0;
};

} // namespace kavo
