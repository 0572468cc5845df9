#pragma once
#include "estimator/enumeration_plan.h"
#include "estimator/focal_values_block.h"
#include "estimator/projective_batch.h"

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavo {

// A fault that ends the run, as the plain nested loops meet it first.
struct RunFault {
  AbandonReason reason = AbandonReason::None;
  std::string detail;
};

// What one chunk, the quadruples i, j, k, l of one pair i < j, hands to the merge.
struct ChunkResult {
  std::unique_ptr<FocalValues::Block> block; // the quadruples before the first fault
  std::optional<RunFault> fault;
};

// What the plain loops find for one quadruple in one image when they reach it.
enum class ImageStatus : std::uint8_t { Rejected, Accepted, Short, Fault };

struct ImageOutcome {
  ImageStatus status = ImageStatus::Rejected;
  AbandonReason reason = AbandonReason::None; // of a fault
  SegmentLengths lengths;
};

// A worker's memory, kept from chunk to chunk so that a warm worker allocates only its results.
struct ChunkScratch {
  std::vector<std::uint64_t> ijk;        // images where points i, j, k are far enough apart
  std::vector<std::uint64_t> quadImages; // ... and point l as well
  std::vector<ImageOutcome> outcomes;    // the current quadruple, per image from the first base on
  std::vector<int> pending;              // images waiting for the solve
  std::vector<std::array<Point2, 4>> pendingPoints;
  std::vector<ImageMeasure> measured;
  std::vector<int> accepted;      // accepted images of the current quadruple, ascending
  std::vector<std::uint8_t> kept; // per image: takes part in a value
  FocalValues::Block staging;
};

// Solves and measures every image of the chunk's quadruples once, then walks each quadruple in the
// order of the nested loops: out receives the lengths of the quadruples that yield values, up to the
// first short image or failed measurement the loops would meet. The values themselves are checked by
// the merge, which forms them anyway. Returns early, with nothing, when stop is set.
void runChunk(const EnumerationPlan& plan, int i, int j, const std::atomic<bool>& stop, ChunkScratch& scratch,
              ChunkResult& out);

// The first fault of the chunk in loop order with every value checked as well: for a chunk whose
// lengths gave a value that is not a finite number.
RunFault findChunkFault(const EnumerationPlan& plan, int i, int j, ChunkScratch& scratch);

} // namespace kavo
