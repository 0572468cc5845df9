#include "estimator/estimator.h"
#include "estimator/focal_values_block.h"
#include "estimator/projective_solve.h"
#include "estimator/quadruple_layout.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>

namespace kavo {
namespace {

// What the plain nested loops would find for one quadruple in one image when they reach it.
enum class Status : std::uint8_t { Rejected, Accepted, Short, Fault };

struct ImageOutcome {
  Status status = Status::Rejected;
  SegmentLengths lengths;
  AbandonReason reason = AbandonReason::None;
  const char* what = "";
};

struct Fault {
  AbandonReason reason = AbandonReason::None;
  std::string detail;
};

struct ChunkResult {
  std::unique_ptr<FocalValues::Block> block = std::make_unique<FocalValues::Block>();
  std::vector<double> values; // exactly sized, when the values are kept
  std::int64_t count = 0;
  std::optional<Fault> fault;
};

// Everything the workers share, read only once the run has started.
struct Plan {
  const EstimatorInput* input = nullptr;
  int points = 0;
  int imageCount = 0;
  int firstBase = 0;
  int lastBase = -1;
  int gap = 1;
  double minLineAngle = 0.0;
  int minBaseCount = 0;                  // fewest points in a base image
  std::vector<int> pointCount;           // points of each image
  std::size_t maskWords = 1;             // 64-bit words of an image set
  std::vector<std::uint64_t> pairImages; // for each point pair, the images where it is far enough apart
  std::vector<std::uint64_t> baseImages; // the base images as an image set
  std::vector<ImageLayoutTable> layout;
  std::vector<double> pairScale; // S × 250 by (base, partner)

  const std::uint64_t* pairSet(int i, int j) const {
    return pairImages.data() +
           (static_cast<std::size_t>(i) * static_cast<std::size_t>(points) + static_cast<std::size_t>(j)) *
               maskWords;
  }
  double scale(int base, int partner) const {
    return pairScale[static_cast<std::size_t>(base) * static_cast<std::size_t>(imageCount) +
                     static_cast<std::size_t>(partner)];
  }
};

std::string quadName(int i, int j, int k, int l) {
  return "points " + std::to_string(i + 1) + ", " + std::to_string(j + 1) + ", " + std::to_string(k + 1) +
         ", " + std::to_string(l + 1);
}

ImageOutcome solveImage(const Plan& plan, int m, const int q[4]) {
  const auto& pts = plan.input->images[static_cast<std::size_t>(m)];
  const auto& scene = plan.input->scene;
  ImageOutcome out;
  if (!plan.layout[static_cast<std::size_t>(m)].accepts(q[0], q[1], q[2], q[3], plan.minLineAngle)) {
    return out;
  }
  Point2 image[4];
  Point2 target[4];
  for (int n = 0; n < 4; ++n) {
    image[n] = pts[static_cast<std::size_t>(q[n])];
    target[n] = scene[static_cast<std::size_t>(q[n])];
  }
  ProjectiveTransform t;
  if (!solveProjectiveTransform(image, target, t)) {
    return out;
  }
  try {
    out.lengths = measureTestSegments(t);
    out.status = Status::Accepted;
  } catch (const RunAbandoned& e) {
    out.status = Status::Fault;
    out.reason = e.reason;
    out.what = e.reason == AbandonReason::ZeroDivisor ? "a test point maps to infinity"
                                                      : "a test segment length is not finite";
  }
  return out;
}

// A value |S·250 / (L(X) − L(I))|; a zero or non-finite outcome is a fault of the run.
bool valueIsSound(double scale, double baseLength, double partnerLength, AbandonReason& why) {
  const double divisor = partnerLength - baseLength;
  if (divisor == 0.0) {
    why = AbandonReason::ZeroDivisor;
    return false;
  }
  if (std::fabs(scale) <= 1e150 && std::fabs(divisor) >= 1e-150) {
    return true;
  }
  if (!std::isfinite(scale / divisor)) {
    why = AbandonReason::NonFinite;
    return false;
  }
  return true;
}

// Per-thread scratch of one chunk: for every quadruple that a base image may accept, the outcome
// in each image from the first base image on.
struct Scratch {
  std::vector<int> quadL;
  std::vector<int> quadK;
  std::vector<std::uint8_t> quadMeetsFault; // a short image or a failed mapping lies in its range
  std::vector<ImageOutcome> outcomes;       // quadruple-major, imageCount − firstBase per quadruple
  // The accepted images of the quadruple being written, in image order.
  std::vector<int> acceptedImage;
  std::vector<double> acceptedY;
  std::vector<double> acceptedX;
  std::vector<double> spare; // values that are only checked, for runs that keep lengths
};

std::string faultText(const ImageOutcome& o, int image, int i, int j, int k, int l) {
  if (o.status == Status::Short) {
    return "image " + std::to_string(image + 1) + " holds fewer points than the scene (" +
           quadName(i, j, k, l) + ")";
  }
  return std::string(o.what) + " in image " + std::to_string(image + 1) + " for " + quadName(i, j, k, l);
}

// Solves every image of the chunk's quadruples once (first pass) and counts the values they give.
std::int64_t solveChunk(const Plan& plan, int i, int j, const std::atomic<bool>& stop, Scratch& scratch) {
  const std::size_t words = plan.maskWords;
  const int span = plan.imageCount - plan.firstBase;
  std::vector<std::uint64_t> ijk(words);
  std::vector<std::uint64_t> set(words);
  const std::uint64_t* ij = plan.pairSet(i, j);
  scratch.quadK.clear();
  scratch.quadL.clear();
  scratch.quadMeetsFault.clear();
  scratch.outcomes.clear();
  std::int64_t values = 0;
  std::vector<int> acceptedAfter(static_cast<std::size_t>(span) + 1);

  for (int k = j + 1; k < plan.points - 1; ++k) {
    const std::uint64_t* ik = plan.pairSet(i, k);
    const std::uint64_t* jk = plan.pairSet(j, k);
    for (std::size_t w = 0; w < words; ++w) {
      ijk[w] = ij[w] & ik[w] & jk[w];
    }
    for (int l = k + 1; l < plan.points; ++l) {
      if (stop.load(std::memory_order_relaxed)) {
        return values;
      }
      const std::uint64_t* il = plan.pairSet(i, l);
      const std::uint64_t* jl = plan.pairSet(j, l);
      const std::uint64_t* kl = plan.pairSet(k, l);
      bool anyBase = l >= plan.minBaseCount; // a base image too short for point l is a fault to meet
      for (std::size_t w = 0; w < words; ++w) {
        set[w] = ijk[w] & il[w] & jl[w] & kl[w];
        anyBase = anyBase || (set[w] & plan.baseImages[w]) != 0;
      }
      if (!anyBase) {
        continue; // no base image accepts this quadruple, so the loops touch no other image for it
      }
      scratch.quadK.push_back(k);
      scratch.quadL.push_back(l);
      const std::size_t first = scratch.outcomes.size();
      scratch.outcomes.resize(first + static_cast<std::size_t>(span));
      ImageOutcome* outcome = scratch.outcomes.data() + first;
      const int q[4] = {i, j, k, l};
      bool meetsFault = false;
      for (int m = plan.firstBase; m < plan.imageCount; ++m) {
        ImageOutcome& o = outcome[m - plan.firstBase];
        if (plan.pointCount[static_cast<std::size_t>(m)] <= l) {
          o.status = Status::Short;
          meetsFault = true;
        } else if ((set[static_cast<std::size_t>(m) / 64] >> (static_cast<unsigned>(m) % 64) & 1u) != 0) {
          o = solveImage(plan, m, q);
          meetsFault = meetsFault || o.status == Status::Fault;
        }
      }
      scratch.quadMeetsFault.push_back(meetsFault ? 1 : 0);
      // Values of this quadruple: each accepted base with each accepted partner far enough on.
      acceptedAfter[static_cast<std::size_t>(span)] = 0;
      for (int m = span - 1; m >= 0; --m) {
        acceptedAfter[static_cast<std::size_t>(m)] =
            acceptedAfter[static_cast<std::size_t>(m) + 1] + (outcome[m].status == Status::Accepted ? 1 : 0);
      }
      for (int base = plan.firstBase; base <= plan.lastBase; ++base) {
        if (outcome[base - plan.firstBase].status == Status::Accepted) {
          values += 2 * acceptedAfter[static_cast<std::size_t>(base + plan.gap - plan.firstBase)];
        }
      }
    }
  }
  return values;
}

// The exact walk of one quadruple in the order of the nested loops: meets the first fault where
// they would (recorded in out, false returned), writes the values when values is given, and marks
// the images that take part in a value.
bool walkQuadruple(const Plan& plan, const int q[4], const ImageOutcome* outcome, double* values,
                   std::size_t& written, std::vector<std::uint8_t>& kept, ChunkResult& out) {
  for (int base = plan.firstBase; base <= plan.lastBase; ++base) {
    const ImageOutcome& b = outcome[base - plan.firstBase];
    if (b.status == Status::Short || b.status == Status::Fault) {
      out.fault = Fault{b.status == Status::Short ? AbandonReason::RangeError : b.reason,
                        faultText(b, base, q[0], q[1], q[2], q[3])};
      return false;
    }
    if (b.status != Status::Accepted) {
      continue;
    }
    for (int partner = base + plan.gap; partner < plan.imageCount; ++partner) {
      const ImageOutcome& p = outcome[partner - plan.firstBase];
      if (p.status == Status::Rejected) {
        continue;
      }
      if (p.status != Status::Accepted) {
        out.fault = Fault{p.status == Status::Short ? AbandonReason::RangeError : p.reason,
                          faultText(p, partner, q[0], q[1], q[2], q[3])};
        return false;
      }
      const double s = plan.scale(base, partner);
      AbandonReason why = AbandonReason::None;
      if (!valueIsSound(s, b.lengths.ly, p.lengths.ly, why) ||
          !valueIsSound(s, b.lengths.lx, p.lengths.lx, why)) {
        out.fault = Fault{why, std::string(why == AbandonReason::ZeroDivisor
                                               ? "the test segment has the same length in images "
                                               : "a focal value is not finite for images ") +
                                   std::to_string(base + 1) + " and " + std::to_string(partner + 1) + " (" +
                                   quadName(q[0], q[1], q[2], q[3]) + ")"};
        return false;
      }
      if (values != nullptr) {
        values[written] = std::fabs(s / (p.lengths.ly - b.lengths.ly));
        values[written + 1] = std::fabs(s / (p.lengths.lx - b.lengths.lx));
        written += 2;
      }
      kept[static_cast<std::size_t>(base)] = 1;
      kept[static_cast<std::size_t>(partner)] = 1;
    }
  }
  return true;
}

// The common case, a quadruple that meets no short image and no failed mapping: the values of each
// accepted base with its accepted partners, in a loop without branches; a zero or non-finite value
// sends the quadruple through the exact walk, which then reports the fault in its place.
bool writeQuadruple(const Plan& plan, const ImageOutcome* outcome, Scratch& scratch, double* values,
                    std::size_t& written, std::vector<std::uint8_t>& kept) {
  auto& img = scratch.acceptedImage;
  auto& ly = scratch.acceptedY;
  auto& lx = scratch.acceptedX;
  img.clear();
  ly.clear();
  lx.clear();
  for (int m = plan.firstBase; m < plan.imageCount; ++m) {
    const ImageOutcome& o = outcome[m - plan.firstBase];
    if (o.status == Status::Accepted) {
      img.push_back(m);
      ly.push_back(o.lengths.ly);
      lx.push_back(o.lengths.lx);
    }
  }
  const std::size_t n = img.size();
  std::size_t partnerStart = 0;
  std::size_t firstPartner = n;
  bool sound = true;
  for (std::size_t a = 0; a < n && img[a] <= plan.lastBase; ++a) {
    const int base = img[a];
    while (partnerStart < n && img[partnerStart] < base + plan.gap) {
      ++partnerStart;
    }
    if (partnerStart == n) {
      break;
    }
    kept[static_cast<std::size_t>(base)] = 1;
    firstPartner = std::min(firstPartner, partnerStart);
    const double* scale = plan.pairScale.data() + static_cast<std::size_t>(base) * plan.imageCount;
    const double baseY = ly[a];
    const double baseX = lx[a];
    double* out = values + written;
    for (std::size_t b = partnerStart; b < n; ++b) {
      const double s = scale[img[b]];
      const double vy = std::fabs(s / (ly[b] - baseY));
      const double vx = std::fabs(s / (lx[b] - baseX));
      out[0] = vy;
      out[1] = vx;
      out += 2;
      // A zero divisor gives an infinity or a NaN, an overflow an infinity: both fail this test.
      sound = sound && vy <= std::numeric_limits<double>::max() && vx <= std::numeric_limits<double>::max();
    }
    written = static_cast<std::size_t>(out - values);
  }
  // The partners of later bases start no earlier than those of the first, so the images paired with
  // some base are those from the first base's first partner on.
  if (firstPartner < n) {
    for (std::size_t b = firstPartner; b < n; ++b) {
      kept[static_cast<std::size_t>(img[b])] = 1;
    }
  }
  return sound;
}

// Second pass over a chunk: writes its values (or, for very large runs, the lengths they come from).
void emitChunk(const Plan& plan, int i, int j, Scratch& scratch, double* values, ChunkResult& out) {
  const int span = plan.imageCount - plan.firstBase;
  FocalValues::Block* block = values == nullptr ? out.block.get() : nullptr;
  std::vector<std::uint8_t> kept(static_cast<std::size_t>(plan.imageCount), 0);
  std::size_t written = 0;
  for (std::size_t quad = 0; quad < scratch.quadK.size(); ++quad) {
    const int q[4] = {i, j, scratch.quadK[quad], scratch.quadL[quad]};
    const ImageOutcome* outcome = scratch.outcomes.data() + quad * static_cast<std::size_t>(span);
    const std::size_t start = written;
    bool done = false;
    if (scratch.quadMeetsFault[quad] == 0) {
      std::size_t count = 0;
      for (int m = plan.firstBase; m < plan.imageCount; ++m) {
        count += outcome[m - plan.firstBase].status == Status::Accepted ? 1 : 0;
      }
      // Runs that keep lengths check the values in a scratch buffer.
      double* target = values;
      if (target == nullptr) {
        scratch.spare.resize(count * count * 2 + 2);
        target = scratch.spare.data();
        written = 0;
      }
      done = writeQuadruple(plan, outcome, scratch, target, written, kept);
      if (values == nullptr) {
        written = start;
      }
    }
    if (!done) {
      written = start;
      std::fill(kept.begin(), kept.end(), 0);
      if (!walkQuadruple(plan, q, outcome, values, written, kept, out)) {
        return;
      }
    }
    if (block != nullptr) {
      bool any = false;
      for (int m = plan.firstBase; m < plan.imageCount; ++m) {
        if (kept[static_cast<std::size_t>(m)] != 0) {
          const ImageOutcome& o = outcome[m - plan.firstBase];
          block->image.push_back(static_cast<std::uint16_t>(m));
          block->ly.push_back(o.lengths.ly);
          block->lx.push_back(o.lengths.lx);
          any = true;
        }
      }
      if (any) {
        block->quadEnd.push_back(static_cast<std::uint32_t>(block->image.size()));
      }
    }
    std::fill(kept.begin(), kept.end(), 0);
  }
}

void runChunk(const Plan& plan, int i, int j, const std::atomic<bool>& stop, Scratch& scratch,
              bool keepValues, ChunkResult& out) {
  const std::int64_t count = solveChunk(plan, i, j, stop, scratch);
  if (stop.load(std::memory_order_relaxed)) {
    return;
  }
  if (keepValues) {
    out.values.resize(static_cast<std::size_t>(count));
    emitChunk(plan, i, j, scratch, out.values.data(), out);
  } else {
    emitChunk(plan, i, j, scratch, nullptr, out);
  }
  out.count = count;
}

Plan makePlan(const EstimatorInput& input, const EstimatorSettings& settings) {
  if (settings.firstImageNumber < 1 || settings.secondImageNumber <= settings.firstImageNumber) {
    throw Error("the image numbers must be positive and the first below the second");
  }
  if (settings.imageValues.size() < input.images.size()) {
    throw Error("a camera step is missing for some image");
  }
  if (input.images.size() > 65535) {
    throw Error("too many images");
  }
  Plan plan;
  plan.input = &input;
  plan.points = static_cast<int>(input.scene.size());
  plan.imageCount = static_cast<int>(input.images.size());
  plan.gap = settings.secondImageNumber - settings.firstImageNumber;
  plan.firstBase = settings.firstImageNumber - 1;
  plan.lastBase = std::min(plan.imageCount - plan.gap, plan.imageCount - 1);
  plan.minLineAngle = settings.minLineAngle;
  plan.maskWords = std::max<std::size_t>(1, (input.images.size() + 63) / 64);

  for (const auto& pts : input.images) {
    plan.pointCount.push_back(static_cast<int>(pts.size()));
  }
  plan.minBaseCount = plan.points;
  for (int m = plan.firstBase; m <= plan.lastBase; ++m) {
    plan.minBaseCount =
        std::min(plan.minBaseCount, static_cast<int>(input.images[static_cast<std::size_t>(m)].size()));
  }

  const double minDistance =
      std::sqrt(settings.imageWidth * settings.imageWidth + settings.imageHeight * settings.imageHeight) *
      settings.minPointSpacing;
  plan.layout.reserve(input.images.size());
  for (const auto& pts : input.images) {
    plan.layout.emplace_back(pts, static_cast<int>(std::min(pts.size(), input.scene.size())), minDistance);
  }

  const auto points = static_cast<std::size_t>(plan.points);
  plan.pairImages.assign(points * points * plan.maskWords, 0);
  plan.baseImages.assign(plan.maskWords, 0);
  for (int m = plan.firstBase; m < plan.imageCount; ++m) {
    const auto bit = std::uint64_t{1} << (static_cast<unsigned>(m) % 64);
    const auto word = static_cast<std::size_t>(m) / 64;
    if (m <= plan.lastBase) {
      plan.baseImages[word] |= bit;
    }
    const int n = std::min(plan.points, static_cast<int>(input.images[static_cast<std::size_t>(m)].size()));
    for (int i = 0; i < n; ++i) {
      for (int j = i + 1; j < n; ++j) {
        if (plan.layout[static_cast<std::size_t>(m)].farEnough(i, j)) {
          plan.pairImages[(static_cast<std::size_t>(i) * points + static_cast<std::size_t>(j)) *
                              plan.maskWords +
                          word] |= bit;
          plan.pairImages[(static_cast<std::size_t>(j) * points + static_cast<std::size_t>(i)) *
                              plan.maskWords +
                          word] |= bit;
        }
      }
    }
  }

  // S = the camera steps from the base image up to the one before the partner, summed in order.
  plan.pairScale.assign(static_cast<std::size_t>(plan.imageCount) * static_cast<std::size_t>(plan.imageCount),
                        0.0);
  for (int base = std::max(plan.firstBase, 0); base <= plan.lastBase; ++base) {
    for (int partner = base + plan.gap; partner < plan.imageCount; ++partner) {
      double s = 0.0;
      for (int k = base; k < partner; ++k) {
        s += settings.imageValues[static_cast<std::size_t>(k)];
      }
      plan.pairScale[static_cast<std::size_t>(base) * static_cast<std::size_t>(plan.imageCount) +
                     static_cast<std::size_t>(partner)] = s * kTestSegmentLength;
    }
  }
  return plan;
}

std::int64_t countPairs(const Plan& plan) {
  std::int64_t pairs = 0;
  for (int base = plan.firstBase; base <= plan.lastBase; ++base) {
    pairs += std::max(0, plan.imageCount - (base + plan.gap));
  }
  return pairs;
}

// Memory the kept values may take: 40 % of the machine's memory.
double valueMemoryBudget() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || pageSize <= 0) {
    return 4e9;
  }
  return 0.4 * static_cast<double>(pages) * static_cast<double>(pageSize);
}

} // namespace

FocalValues enumerateFocalValues(const EstimatorInput& input, const EstimatorSettings& settings,
                                 const EnumerationHooks& hooks) {
  Plan plan = makePlan(input, settings);
  FocalValues result;
  result.setPairScale(plan.pairScale, plan.imageCount, plan.firstBase, plan.lastBase, plan.gap);
  if (plan.points < 4) {
    return result;
  }

  struct Chunk {
    int i;
    int j;
  };
  std::vector<Chunk> chunks;
  for (int i = 0; i < plan.points - 3; ++i) {
    for (int j = i + 1; j < plan.points - 2; ++j) {
      chunks.push_back({i, j});
    }
  }

  // Keep the values themselves when even the most the run could produce fits comfortably in memory;
  // otherwise keep the lengths and let the list regenerate its values on every walk.
  const double pairs = static_cast<double>(countPairs(plan));
  const double quadruples =
      static_cast<double>(plan.points) * (plan.points - 1) * (plan.points - 2) * (plan.points - 3) / 24.0;
  const double budget = settings.valueMemoryLimit > 0.0 ? settings.valueMemoryLimit : valueMemoryBudget();
  const bool keepValues = 2.0 * pairs * quadruples * sizeof(double) <= budget;

  std::vector<ChunkResult> results(chunks.size());
  std::vector<std::uint8_t> ready(chunks.size(), 0);
  std::mutex mutex;
  std::condition_variable chunkDone;
  std::atomic<std::size_t> nextChunk{0};
  std::atomic<bool> stop{false};

  unsigned threads = settings.threads > 0 ? static_cast<unsigned>(settings.threads)
                                          : std::max(1u, std::thread::hardware_concurrency());
  threads = std::min<unsigned>(threads, static_cast<unsigned>(chunks.size()));
  std::vector<std::thread> workers;
  workers.reserve(threads);
  for (unsigned t = 0; t < threads; ++t) {
    workers.emplace_back([&] {
      Scratch scratch;
      for (;;) {
        const std::size_t c = nextChunk.fetch_add(1);
        if (c >= chunks.size() || stop.load(std::memory_order_relaxed)) {
          return;
        }
        try {
          runChunk(plan, chunks[c].i, chunks[c].j, stop, scratch, keepValues, results[c]);
        } catch (const std::exception& e) {
          results[c].fault = Fault{AbandonReason::Other, e.what()};
        }
        {
          const std::lock_guard<std::mutex> lock(mutex);
          ready[c] = 1;
        }
        chunkDone.notify_all();
      }
    });
  }
  const auto finishWorkers = [&] {
    stop.store(true);
    for (auto& w : workers) {
      w.join();
    }
    workers.clear();
  };

  // Merge the chunks in list order on this thread, which also reports progress, watches for a
  // termination request and forms the sum of the values in list order as they arrive.
  try {
    int progressDone = -1;
    double sum = 0.0;
    for (std::size_t c = 0; c < chunks.size(); ++c) {
      while (progressDone < chunks[c].i) {
        ++progressDone;
        if (hooks.stepProgress) {
          hooks.stepProgress();
        }
      }
      for (;;) {
        if (hooks.shouldStop && hooks.shouldStop()) {
          throw RunAbandoned(AbandonReason::Cancelled, "the run was cancelled");
        }
        std::unique_lock<std::mutex> lock(mutex);
        if (chunkDone.wait_for(lock, std::chrono::milliseconds(10), [&] { return ready[c] != 0; })) {
          break;
        }
      }
      ChunkResult& r = results[c];
      if (r.fault) {
        throw RunAbandoned(r.fault->reason, r.fault->detail);
      }
      if (keepValues) {
        for (const double v : r.values) {
          sum += v;
        }
        if (!r.values.empty()) {
          result.appendValues(std::move(r.values));
        }
      } else if (r.count > 0) {
        result.append(std::move(r.block), r.count);
      }
      r = ChunkResult{};
      r.block.reset();
    }
    if (keepValues) {
      result.setOrderedSum(sum);
    }
  } catch (...) {
    finishWorkers();
    throw;
  }
  finishWorkers();
  return result;
}

const char* abandonReasonName(AbandonReason reason) {
  switch (reason) {
  case AbandonReason::None:
    return "none";
  case AbandonReason::Cancelled:
    return "cancelled";
  case AbandonReason::ExitPressed:
    return "exit pressed";
  case AbandonReason::ZeroDivisor:
    return "zero divisor";
  case AbandonReason::NonFinite:
    return "non-finite value";
  case AbandonReason::RangeError:
    return "list range error";
  case AbandonReason::NothingInBand:
    return "nothing inside the clipping band";
  case AbandonReason::Other:
    return "error";
  }
  return "error";
}

} // namespace kavo
