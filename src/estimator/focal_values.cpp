#include "estimator/focal_values.h"

#include "estimator/focal_values_block.h"

#include <cmath>
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

void FocalValues::setPairScale(std::vector<double> scaledSteps, int imageCount, int firstBase, int lastBase,
                               int minGap) {
  pairScale = std::move(scaledSteps);
  images = imageCount;
  firstBaseIndex = firstBase;
  lastBaseIndex = lastBase;
  gap = minGap;
}

void FocalValues::append(std::unique_ptr<Block> block, std::int64_t valuesInBlock) {
  block->shrink();
  blocks.push_back(std::move(block));
  count += valuesInBlock;
}

void FocalValues::appendValues(std::vector<double> values) {
  count += static_cast<std::int64_t>(values.size());
  segments.push_back(std::move(values));
}

void FocalValues::walkErased(void (*emit)(void*, const double*, std::size_t), void* context,
                             double* buffer) const {
  // Whole arrays are handed over in large pieces: the sink's loop is the hot one.
  constexpr std::size_t kDirectPiece = std::size_t{1} << 16;
  for (std::size_t start = 0; start < stored.size(); start += kDirectPiece) {
    emit(context, stored.data() + start, std::min(kDirectPiece, stored.size() - start));
  }
  for (const auto& segment : segments) {
    for (std::size_t start = 0; start < segment.size(); start += kDirectPiece) {
      emit(context, segment.data() + start, std::min(kDirectPiece, segment.size() - start));
    }
  }
  std::size_t n = 0;
  const std::size_t imageStride = static_cast<std::size_t>(images);
  for (const auto& block : blocks) {
    std::size_t begin = 0;
    for (const std::uint32_t end : block->quadEnd) {
      for (std::size_t a = begin; a < end; ++a) {
        const int base = block->image[a];
        if (base < firstBaseIndex || base > lastBaseIndex) {
          continue;
        }
        const double baseY = block->ly[a];
        const double baseX = block->lx[a];
        const double* scale = pairScale.data() + static_cast<std::size_t>(base) * imageStride;
        for (std::size_t b = a + 1; b < end; ++b) {
          const int partner = block->image[b];
          if (partner < base + gap) {
            continue;
          }
          const double s = scale[partner];
          buffer[n] = std::fabs(s / (block->ly[b] - baseY));
          buffer[n + 1] = std::fabs(s / (block->lx[b] - baseX));
          n += 2;
          if (n + 2 > kPieceSize) {
            emit(context, buffer, n);
            n = 0;
          }
        }
      }
      begin = end;
    }
  }
  if (n > 0) {
    emit(context, buffer, n);
  }
}

} // namespace kavo
