#pragma once
#include "core/error.h"
#include "estimator/focal_values.h"

#include <cstdint>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace kavo {

struct Point2 {
  double x = 0.0;
  double y = 0.0;
};

// What the enumeration needs from the calibration, copied once before a run.
struct EstimatorSettings {
  double minLineAngle = std::numbers::pi / 6; // radians
  double minPointSpacing = 0.3;               // fraction of the image diagonal
  double clipSigmaCount = 3.0;
  int processingMode = 1; // 2: debug
  int firstImageNumber = 1;
  int secondImageNumber = 2;
  double imageWidth = 0.0;
  double imageHeight = 0.0;
  std::vector<double> imageValues; // the camera step after each image, one per image
  int threads = 0;                 // 0: every core
  // Bytes the lengths the values are formed from may take in memory; a run that needs more ends as
  // abandoned. 0: 40 % of the machine's memory.
  double lengthMemoryLimit = 0.0;
  // 1 enumerates every quadruple. n > 1 keeps about one quadruple in n, the same ones for the same
  // points whatever else the run holds (chosen by a hash of the four point numbers): a sample of the
  // values for estimates that need not every one of them, never for the classic result itself.
  int quadrupleSample = 1;
};

// The reference points and, per image, the measured points (corrected image coordinates).
struct EstimatorInput {
  std::vector<Point2> scene;
  std::vector<std::vector<Point2>> images;
};

// Why a run ended without a result.
enum class AbandonReason {
  None,
  Cancelled,     // a termination request at a checkpoint
  ExitPressed,   // "Выход" in the distribution window
  ZeroDivisor,   // equal test-segment lengths in two images, or another division by zero
  NonFinite,     // an overflow or an invalid operation
  RangeError,    // an image holds fewer points than the scene
  NothingInBand, // no value inside the clipping band
  Other,
};

const char* abandonReasonName(AbandonReason reason);

// An error that ends a run as abandoned; the text says what happened, for the front ends.
class RunAbandoned : public Error {
public:
  RunAbandoned(AbandonReason why, const std::string& detail) : Error(detail), reason(why) {}
  AbandonReason reason;
};

// The statistics triple of one value list.
struct Statistics {
  double mean = 0.0;
  double deviation = 0.0;
  double standardDeviation = 0.0;
  std::int64_t count = 0; // values the numbers were computed from
};

struct EnumerationHooks {
  // Runs once at the start of every outer index i, in order, on the calling thread.
  std::function<void()> stepProgress;
  // Polled at the start of every base image (and more often); true ends the run as Cancelled.
  std::function<bool()> shouldStop;
};

// Enumerates every quadruple of reference points and every admissible image pair and produces
// the individual focal values in their list order. Throws RunAbandoned on a fault, a missing
// point or a cancellation, exactly where the plain nested loops would meet it first.
FocalValues enumerateFocalValues(const EstimatorInput& input, const EstimatorSettings& settings,
                                 const EnumerationHooks& hooks);

// Mean, deviation and standard deviation of all values, summed in list order. shouldStop, when
// given, is polled as the passes go and ends them with RunAbandoned(Cancelled).
Statistics unclippedStatistics(const FocalValues& values, const std::function<bool()>& shouldStop = {});

// The kept values of one clipping pass summed per image pair, each pair's values added in list order:
// entry base × images + partner (image indices from 0). images is 0 for a list that carries no image
// pairs (FocalValues::fromVector).
struct PairSumsTable {
  int images = 0;
  std::vector<double> sum;
  std::vector<std::int64_t> count;
};

// One clipping pass at k deviations around the unclipped numbers (bounds inclusive), then the
// statistics of the kept values. Throws RunAbandoned(NothingInBand) when nothing is kept. With pairs,
// the kept values' sums per image pair are formed in the same walk over the values.
Statistics clippedStatistics(const FocalValues& values, const Statistics& unclipped, double k,
                             const std::function<bool()>& shouldStop = {}, PairSumsTable* pairs = nullptr);

// The mean of the values one clipping pass keeps (as clippedStatistics has it), without the walk
// that their deviation takes.
double clippedMean(const FocalValues& values, const Statistics& unclipped, double k,
                   const std::function<bool()>& shouldStop = {});

} // namespace kavo
