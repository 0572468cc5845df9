#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace kavo {

// The image pairs whose lengths give values, and the scale S × 250 of each pair.
struct PairRule {
  std::vector<double> scale; // by (base, partner), row-major by image count
  int images = 0;
  int firstBase = 0;
  int lastBase = -1;
  int gap = 1; // the smallest distance from a base to its partner

  const double* scaleRow(int base) const {
    return scale.data() + static_cast<std::size_t>(base) * static_cast<std::size_t>(images);
  }
};

// The individual focal values of a run, in the order the enumeration produces them (per
// quadruple, base image and partner image: the y-axis value, then the x-axis value).
//
// The values are not stored one by one: for every quadruple that yields values the list keeps the
// two test-segment lengths of each image taking part, and forms the values from them, bit for bit
// as the enumeration defines them, whenever the list is walked. A division costs less than reading
// the value back from memory would, and a run of tens of millions of values stays within a few
// tens of megabytes.
class FocalValues {
public:
  struct Block; // lengths of a run of consecutive quadruples

  FocalValues();
  FocalValues(FocalValues&&) noexcept;
  FocalValues& operator=(FocalValues&&) noexcept;
  ~FocalValues();

  std::int64_t size() const { return count; }
  bool empty() const { return count == 0; }

  // Calls sink(const double* values, std::size_t n) for consecutive pieces of the list, in order.
  template <typename Sink> void forEachPiece(Sink&& sink) const {
    walkErased([](void* ctx, const double* v, std::size_t n) { (*static_cast<Sink*>(ctx))(v, n); }, &sink);
  }

  // The whole list as one array; for lists that fit in memory (tests, the debug listing).
  std::vector<double> toVector() const;

  // A list held as plain values (tests, values read back from a file).
  static FocalValues fromVector(std::vector<double> values);

  static constexpr std::size_t kPieceSize = 1024;

  // Building (used by the enumeration): the pair rule first, then the lengths of consecutive
  // quadruples, block by block.
  void setPairRule(PairRule rule) { pairRule = std::move(rule); }
  void append(std::unique_ptr<Block> block);

  // The number of images whose pairs the values come from; 0 for a list held as plain values, which
  // carries no image pairs.
  int imagePairCount() const { return stored.empty() && !blocks.empty() ? pairRule.images : 0; }

  // Memory the lengths take, in bytes.
  std::size_t lengthBytes() const { return bytes; }

  // The sum of all values in list order, when the enumeration has already formed it.
  bool hasOrderedSum() const { return orderedSumKnown; }
  double orderedSum() const { return sumInOrder; }
  void setOrderedSum(double sum) {
    sumInOrder = sum;
    orderedSumKnown = true;
  }

  // Visits every value in order, inlined into the caller (focal_values_walk.h): visitor.pair(AxisPair)
  // for the two values of one image pair, y first; visitor.single(double) for the last value of a list
  // held one by one when its count is odd; visitor.boundary() between blocks of work.
  template <typename Visitor> void visit(Visitor& visitor) const;
  template <typename Visitor>
  static void visitBlock(const Block& block, const PairRule& rule, Visitor& visitor);

private:
  void walkErased(void (*emit)(void*, const double*, std::size_t), void* context) const;

  std::vector<double> stored; // values held one by one (fromVector)
  std::vector<std::unique_ptr<Block>> blocks;
  PairRule pairRule;
  std::int64_t count = 0;
  std::size_t bytes = 0;
  double sumInOrder = 0.0;
  bool orderedSumKnown = false;
};

} // namespace kavo
