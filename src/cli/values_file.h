#pragma once
#include "estimator/focal_values.h"

#include <iosfwd>
#include <string>

namespace kavo {

// The shortest decimal text that reads back to the same double ("nan", "inf" for the others).
std::string shortestNumber(double value);

// Writes the individual values, one per line in list order, atomically; a list far larger than
// memory is written piece by piece. Returns why it failed, or nothing.
std::string writeValuesFile(const std::string& path, const FocalValues& values);

// The same text on a stream (standard output).
void writeValuesTo(std::ostream& out, const FocalValues& values);

} // namespace kavo
