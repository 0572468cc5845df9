#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kavo {

// The individual focal values of a run, in the order the enumeration produces them (per
// quadruple, base image and partner image: the y-axis value, then the x-axis value).
//
// The values are not stored one by one: for every quadruple that yields values the list keeps the
// two test-segment lengths of each image whose transform was accepted, and regenerates the values
// from them, bit for bit as the enumeration computed them, whenever they are walked. That keeps a
// run of billions of values within a few hundred megabytes.
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
    double buffer[kPieceSize];
    walk([&](const double* v, std::size_t n) { sink(v, n); }, buffer);
  }

  // The whole list as one array; for lists that fit in memory (tests, the debug listing).
  std::vector<double> toVector() const;

  // A list held as plain values (tests, values read back from a file).
  static FocalValues fromVector(std::vector<double> values);

  static constexpr std::size_t kPieceSize = 1024;

  // Building (used by the enumeration): either the values of consecutive quadruples, in exactly
  // sized arrays, or their lengths when the values would not fit in memory.
  void setPairScale(std::vector<double> scaledSteps, int imageCount, int firstBase, int lastBase, int minGap);
  void append(std::unique_ptr<Block> block, std::int64_t valuesInBlock);
  void appendValues(std::vector<double> values);

  // The sum of all values in list order, when the enumeration has already formed it.
  bool hasOrderedSum() const { return orderedSumKnown; }
  double orderedSum() const { return sumInOrder; }
  void setOrderedSum(double sum) {
    sumInOrder = sum;
    orderedSumKnown = true;
  }

private:
  friend class FocalValuePairs; // walks the lengths with the image pair of each value

  template <typename F> void walk(F&& f, double* buffer) const;
  void walkErased(void (*emit)(void*, const double*, std::size_t), void* context, double* buffer) const;

  std::vector<double> stored;                // values held one by one (fromVector)
  std::vector<std::vector<double>> segments; // values held per run of quadruples
  double sumInOrder = 0.0;
  bool orderedSumKnown = false;
  std::vector<std::unique_ptr<Block>> blocks;
  std::vector<double> pairScale; // S × 250 for each (base, partner), row-major by image count
  int images = 0;
  int firstBaseIndex = 0;
  int lastBaseIndex = -1;
  int gap = 1;
  std::int64_t count = 0;
};

template <typename F> void FocalValues::walk(F&& f, double* buffer) const {
  walkErased([](void* ctx, const double* v, std::size_t n) { (*static_cast<F*>(ctx))(v, n); }, &f, buffer);
}

} // namespace kavo
