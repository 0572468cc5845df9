#include "estimator/chunk_pass.h"

#include "estimator/focal_value.h"

#include <algorithm>

namespace kavo {
namespace {

struct Quadruple {
  int q[4] = {0, 0, 0, 0};
};

std::string pointsText(const Quadruple& quad) {
  return "точки " + std::to_string(quad.q[0] + 1) + ", " + std::to_string(quad.q[1] + 1) + ", " +
         std::to_string(quad.q[2] + 1) + ", " + std::to_string(quad.q[3] + 1);
}

RunFault imageFault(const ImageOutcome& o, int image, const Quadruple& quad) {
  const std::string where = "на изображении " + std::to_string(image + 1);
  if (o.status == ImageStatus::Short) {
    return {AbandonReason::RangeError, where + " меньше точек, чем в сцене (" + pointsText(quad) + ")"};
  }
  if (o.reason == AbandonReason::ZeroDivisor) {
    return {o.reason, where + " контрольная точка уходит в бесконечность (" + pointsText(quad) + ")"};
  }
  return {o.reason,
          where + " длина контрольного отрезка не является конечным числом (" + pointsText(quad) + ")"};
}

RunFault valueFault(AbandonReason why, int base, int partner, const Quadruple& quad) {
  const std::string images = std::to_string(base + 1) + " и " + std::to_string(partner + 1);
  if (why == AbandonReason::ZeroDivisor) {
    return {why,
            "изображения " + images + " дают равные длины контрольного отрезка (" + pointsText(quad) + ")"};
  }
  return {why, "для изображений " + images + " фокусное расстояние не является конечным числом (" +
                   pointsText(quad) + ")"};
}

ImageOutcome outcomeOf(const ImageMeasure& m) {
  ImageOutcome o;
  switch (m.fit) {
  case MeasureOutcome::Unsolved:
    break;
  case MeasureOutcome::Measured:
    o.status = ImageStatus::Accepted;
    o.lengths = m.lengths;
    break;
  case MeasureOutcome::PointAtInfinity:
    o.status = ImageStatus::Fault;
    o.reason = AbandonReason::ZeroDivisor;
    break;
  case MeasureOutcome::NotFinite:
    o.status = ImageStatus::Fault;
    o.reason = AbandonReason::NonFinite;
    break;
  }
  return o;
}

// Whether the quadruple is in the sample: a well-mixed hash of its four point numbers.
bool inSample(const EnumerationPlan& plan, int i, int j, int k, int l) {
  if (plan.sample <= 1) {
    return true;
  }
  std::uint64_t h = (static_cast<std::uint64_t>(i) << 48) ^ (static_cast<std::uint64_t>(j) << 32) ^
                    (static_cast<std::uint64_t>(k) << 16) ^ static_cast<std::uint64_t>(l);
  h += 0x9e3779b97f4a7c15ULL;
  h = (h ^ (h >> 30)) * 0xbf58476d1ce4e5b9ULL;
  h = (h ^ (h >> 27)) * 0x94d049bb133111ebULL;
  h ^= h >> 31;
  return h % plan.sample == 0;
}

bool inSet(const std::vector<std::uint64_t>& set, int m) {
  return (set[static_cast<std::size_t>(m) / 64] >> (static_cast<unsigned>(m) % 64) & 1u) != 0;
}

// The outcome of the quadruple in every image from the first base on: a short image, or the layout
// check, the solve and the measurement of each image where its points are far enough apart. Returns
// whether the loops could meet a fault in it.
bool solveQuadruple(const EnumerationPlan& plan, const Quadruple& quad, ChunkScratch& scratch) {
  const int l = quad.q[3];
  scratch.pending.clear();
  bool meetsFault = false;
  for (int m = plan.firstBase; m < plan.imageCount; ++m) {
    ImageOutcome& o = scratch.outcomes[static_cast<std::size_t>(m - plan.firstBase)];
    o = ImageOutcome{};
    if (plan.pointCount[static_cast<std::size_t>(m)] <= l) {
      o.status = ImageStatus::Short;
      meetsFault = true;
    } else if (inSet(scratch.quadImages, m) && plan.layout[static_cast<std::size_t>(m)].accepts(
                                                   quad.q[0], quad.q[1], quad.q[2], l, plan.minLineAngle)) {
      scratch.pending.push_back(m);
    }
  }
  Point2 scene[4];
  for (int n = 0; n < 4; ++n) {
    scene[n] = plan.input->scene[static_cast<std::size_t>(quad.q[n])];
  }
  scratch.pendingPoints.resize(scratch.pending.size());
  for (std::size_t s = 0; s < scratch.pending.size(); ++s) {
    const auto& pts = plan.input->images[static_cast<std::size_t>(scratch.pending[s])];
    for (int n = 0; n < 4; ++n) {
      scratch.pendingPoints[s][static_cast<std::size_t>(n)] = pts[static_cast<std::size_t>(quad.q[n])];
    }
  }
  scratch.measured.resize(scratch.pending.size());
  solveAndMeasureBatch(scratch.pendingPoints.data(), static_cast<int>(scratch.pending.size()), scene,
                       scratch.measured.data());
  for (std::size_t s = 0; s < scratch.pending.size(); ++s) {
    ImageOutcome& o = scratch.outcomes[static_cast<std::size_t>(scratch.pending[s] - plan.firstBase)];
    o = outcomeOf(scratch.measured[s]);
    meetsFault = meetsFault || o.status == ImageStatus::Fault;
  }
  return meetsFault;
}

// The exact walk of one quadruple in the order of the nested loops: meets the first fault where
// they would, values checked one by one, and marks the images taking part in a value.
std::optional<RunFault> walkQuadruple(const EnumerationPlan& plan, const Quadruple& quad,
                                      ChunkScratch& scratch, std::int64_t& values) {
  const auto outcome = [&](int m) -> const ImageOutcome& {
    return scratch.outcomes[static_cast<std::size_t>(m - plan.firstBase)];
  };
  for (int base = plan.firstBase; base <= plan.lastBase; ++base) {
    const ImageOutcome& b = outcome(base);
    if (b.status == ImageStatus::Short || b.status == ImageStatus::Fault) {
      return imageFault(b, base, quad);
    }
    if (b.status != ImageStatus::Accepted) {
      continue;
    }
    const double* scale = plan.pairs.scaleRow(base);
    for (int partner = base + plan.gap; partner < plan.imageCount; ++partner) {
      const ImageOutcome& p = outcome(partner);
      if (p.status == ImageStatus::Rejected) {
        continue;
      }
      if (p.status != ImageStatus::Accepted) {
        return imageFault(p, partner, quad);
      }
      const AxisPair baseLengths = {b.lengths.ly, b.lengths.lx};
      const AxisPair partnerLengths = {p.lengths.ly, p.lengths.lx};
      const AxisMask finite = finiteLanes(focalValues(bothAxes(scale[partner]), baseLengths, partnerLengths));
      for (int axis = 0; axis < 2; ++axis) {
        if (finite[axis] == 0) {
          const bool equal = partnerLengths[axis] == baseLengths[axis];
          return valueFault(equal ? AbandonReason::ZeroDivisor : AbandonReason::NonFinite, base, partner,
                            quad);
        }
      }
      values += 2;
      scratch.kept[static_cast<std::size_t>(base)] = 1;
      scratch.kept[static_cast<std::size_t>(partner)] = 1;
    }
  }
  return std::nullopt;
}

// A quadruple that meets no short image and no failed measurement: each accepted image up to the
// last base pairs with every accepted image at least the gap later.
void pairQuadruple(const EnumerationPlan& plan, ChunkScratch& scratch, std::int64_t& values) {
  auto& accepted = scratch.accepted;
  accepted.clear();
  for (int m = plan.firstBase; m < plan.imageCount; ++m) {
    if (scratch.outcomes[static_cast<std::size_t>(m - plan.firstBase)].status == ImageStatus::Accepted) {
      accepted.push_back(m);
    }
  }
  const std::size_t n = accepted.size();
  std::size_t partner = 0;
  std::size_t firstPartner = n;
  for (std::size_t a = 0; a < n && accepted[a] <= plan.lastBase; ++a) {
    while (partner < n && accepted[partner] < accepted[a] + plan.gap) {
      ++partner;
    }
    if (partner == n) {
      break;
    }
    values += 2 * static_cast<std::int64_t>(n - partner);
    scratch.kept[static_cast<std::size_t>(accepted[a])] = 1;
    firstPartner = std::min(firstPartner, partner);
  }
  // The partners of later bases are among those of the first.
  for (std::size_t b = firstPartner; b < n; ++b) {
    scratch.kept[static_cast<std::size_t>(accepted[b])] = 1;
  }
}

void keepLengths(const EnumerationPlan& plan, ChunkScratch& scratch) {
  FocalValues::Block& block = scratch.staging;
  const std::size_t before = block.image.size();
  for (int m = plan.firstBase; m < plan.imageCount; ++m) {
    if (scratch.kept[static_cast<std::size_t>(m)] != 0) {
      scratch.kept[static_cast<std::size_t>(m)] = 0;
      block.image.push_back(static_cast<std::uint16_t>(m));
      block.lengths.push_back(scratch.outcomes[static_cast<std::size_t>(m - plan.firstBase)].lengths);
    }
  }
  if (block.image.size() > before) {
    block.quadEnd.push_back(static_cast<std::uint32_t>(block.image.size()));
  }
}

std::unique_ptr<FocalValues::Block> exactCopy(const FocalValues::Block& staging) {
  auto block = std::make_unique<FocalValues::Block>();
  block->quadEnd.assign(staging.quadEnd.begin(), staging.quadEnd.end());
  block->image.assign(staging.image.begin(), staging.image.end());
  block->lengths.assign(staging.lengths.begin(), staging.lengths.end());
  block->values = staging.values;
  return block;
}

// The chunk's quadruples in loop order; checkValues sends every one through the exact walk.
bool passChunk(const EnumerationPlan& plan, int i, int j, const std::atomic<bool>& stop,
               ChunkScratch& scratch, bool checkValues, ChunkResult& out) {
  const std::size_t words = plan.maskWords;
  scratch.ijk.resize(words);
  scratch.quadImages.resize(words);
  scratch.outcomes.resize(static_cast<std::size_t>(std::max(0, plan.imageCount - plan.firstBase)));
  scratch.kept.assign(static_cast<std::size_t>(plan.imageCount), 0);
  scratch.staging.clear();
  const std::uint64_t* ij = plan.pairSet(i, j);
  for (int k = j + 1; k < plan.points - 1; ++k) {
    const std::uint64_t* ik = plan.pairSet(i, k);
    const std::uint64_t* jk = plan.pairSet(j, k);
    for (std::size_t w = 0; w < words; ++w) {
      scratch.ijk[w] = ij[w] & ik[w] & jk[w];
    }
    for (int l = k + 1; l < plan.points; ++l) {
      if (stop.load(std::memory_order_relaxed)) {
        return false;
      }
      const std::uint64_t* il = plan.pairSet(i, l);
      const std::uint64_t* jl = plan.pairSet(j, l);
      const std::uint64_t* kl = plan.pairSet(k, l);
      bool anyBase = l >= plan.minBaseCount; // a base image too short for point l is a fault to meet
      for (std::size_t w = 0; w < words; ++w) {
        scratch.quadImages[w] = scratch.ijk[w] & il[w] & jl[w] & kl[w];
        anyBase = anyBase || (scratch.quadImages[w] & plan.baseImages[w]) != 0;
      }
      if (!anyBase || !inSample(plan, i, j, k, l)) {
        continue; // no base image accepts this quadruple, so the loops touch no other image for it
      }
      const Quadruple quad{{i, j, k, l}};
      const bool meetsFault = solveQuadruple(plan, quad, scratch);
      std::int64_t values = 0;
      if (meetsFault || checkValues) {
        if (auto fault = walkQuadruple(plan, quad, scratch, values)) {
          out.fault = std::move(fault);
          std::fill(scratch.kept.begin(), scratch.kept.end(), 0);
          return true;
        }
      } else {
        pairQuadruple(plan, scratch, values);
      }
      scratch.staging.values += values;
      keepLengths(plan, scratch);
    }
  }
  return true;
}

} // namespace

void runChunk(const EnumerationPlan& plan, int i, int j, const std::atomic<bool>& stop, ChunkScratch& scratch,
              ChunkResult& out) {
  if (passChunk(plan, i, j, stop, scratch, false, out)) {
    out.block = exactCopy(scratch.staging);
  }
}

RunFault findChunkFault(const EnumerationPlan& plan, int i, int j, ChunkScratch& scratch) {
  const std::atomic<bool> never{false};
  ChunkResult result;
  passChunk(plan, i, j, never, scratch, true, result);
  if (result.fault) {
    return *result.fault;
  }
  return {AbandonReason::NonFinite, "фокусное расстояние не является конечным числом"};
}

} // namespace kavo
