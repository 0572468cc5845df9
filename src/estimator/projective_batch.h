#pragma once
#include "estimator/projective_solve.h"

#include <array>
#include <cstdint>

namespace kavo {

// How one image of a quadruple came out of the solve and the measurement of its test segments.
enum class MeasureOutcome : std::uint8_t {
  Unsolved,        // no transform (a zero pivot or a diagonal product below 1e-9)
  Measured,        // lengths holds the two test-segment lengths
  PointAtInfinity, // a test point maps to infinity (zero denominator)
  NotFinite,       // a mapped test point or a length is not a finite number
};

struct ImageMeasure {
  MeasureOutcome fit = MeasureOutcome::Unsolved;
  SegmentLengths lengths;
};

// Systems solved side by side in vector lanes: 4 where the processor has AVX2, else 2.
int solveBatchSize();

// Solves the transforms of count images of one quadruple (images[s] holds system s's four image
// points, scene the quadruple's four scene points) and measures their test segments, solveBatchSize()
// systems at a time. Each system gets exactly what solveProjectiveTransform followed by
// measureTestSegments gives it, to the last bit, with the fault measureTestSegments would throw
// reported as its fit instead.
void solveAndMeasureBatch(const std::array<Point2, 4>* images, int count, const Point2 scene[4],
                          ImageMeasure* out);

// The same with a chosen lane width: 2, or 4 where solveBatchSize() is 4 (the tests try both).
void solveAndMeasureBatch(const std::array<Point2, 4>* images, int count, const Point2 scene[4],
                          ImageMeasure* out, int width);

} // namespace kavo
