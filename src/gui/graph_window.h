#pragma once
#include "estimator/stat_foc_thread.h"

class QWidget;

namespace kavo {

class FocalValues;
class UserPort;

// The worker's showDistribution step, on the GUI thread: builds the distribution window TRForm
// for the values and the numbers, shows it modally and returns the numbers current when it closed
// and whether it was left with "Выход". The values must stay untouched until it returns (the
// worker is blocked meanwhile). The save dialog and the error boxes go through the port.
DistributionOutcome showDistributionWindow(QWidget* parent, UserPort& port, const FocalValues& values,
                                           double clipFactor, double mean, double deviation,
                                           double standardDeviation, char decimalSeparator);

} // namespace kavo
