#pragma once
// The steps as the images measure them, against the list: which ones stand out, and how much the
// others scatter beyond their precision.
#include <vector>

namespace kavo {

struct StepAnalysis {
  double scale = 1.0;           // measured steps × scale best match the listed ones
  std::vector<double> residual; // scale × measured − listed, per step
  double spread = 0.0;          // robust scatter of the typical step beyond its precision
  int worst = -1;               // the step that stands out most beyond 5 standard errors, or −1
  int consistentSteps = 0;      // steps not marked free
};

// listed and measured step lengths with the measured ones' standard errors; freeStep marks the steps
// already found suspect (they take no part in the scale or the scatter).
StepAnalysis analyseSteps(const std::vector<double>& listed, const std::vector<double>& measured,
                          const std::vector<double>& standardError, const std::vector<char>& freeStep);

// How many standard errors make a step suspect among this many judged: 3 for a short series, a little
// more for a long one (3.3 for 9 steps, 3.7 for 39), so that error-free series stay unflagged.
double suspectLimit(int judgedSteps);

// True when a step is beyond suspectLimit standard errors: its own precision, widened by the robust
// scatter of the series' other steps.
bool stepIsSuspect(const StepAnalysis& analysis, const std::vector<double>& standardError, std::size_t k);

} // namespace kavo
