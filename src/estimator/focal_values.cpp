#include "estimator/focal_values.h"

#include "estimator/focal_values_walk.h"

#include <utility>

namespace kavo {

FocalValues::FocalValues() = default;
FocalValues::FocalValues(FocalValues&&) noexcept = default;
FocalValues& FocalValues::operator=(FocalValues&&) noexcept = default;
FocalValues::~FocalValues() = default;

FocalValues FocalValues::fromVector(std::vector<double> values) {
  FocalValues list;
  list.count = static_cast<std::int64_t>(values.size());
  list.stored = std::move(values);
  return list;
}

std::vector<double> FocalValues::toVector() const {
  std::vector<double> all;
  all.reserve(static_cast<std::size_t>(count));
  forEachPiece([&](const double* v, std::size_t n) { all.insert(all.end(), v, v + n); });
  return all;
}

void FocalValues::append(std::unique_ptr<Block> block) {
  count += block->values;
  bytes += block->bytes();
  blocks.push_back(std::move(block));
}

namespace {

// Gathers the values into pieces of kPieceSize for a sink that takes arrays.
class PieceWriter {
public:
  PieceWriter(void (*emitPiece)(void*, const double*, std::size_t), void* sinkContext)
      : emit(emitPiece), context(sinkContext) {}

  void pair(AxisPair v) {
    buffer[n] = v[0];
    buffer[n + 1] = v[1];
    n += 2;
    if (n == FocalValues::kPieceSize) {
      flush();
    }
  }
  void single(double v) {
    buffer[n++] = v;
    flush();
  }
  void boundary() {}
  void flush() {
    if (n > 0) {
      emit(context, buffer, n);
      n = 0;
    }
  }

private:
  void (*emit)(void*, const double*, std::size_t);
  void* context;
  double buffer[FocalValues::kPieceSize] = {};
  std::size_t n = 0;
};

static_assert(FocalValues::kPieceSize % 2 == 0, "pieces hold whole image pairs");

} // namespace

void FocalValues::walkErased(void (*emit)(void*, const double*, std::size_t), void* context) const {
  PieceWriter writer(emit, context);
  visit(writer);
  writer.flush();
}

} // namespace kavo
