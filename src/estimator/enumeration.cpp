#include "estimator/estimator.h"
#include "estimator/focal_values_block.h"
#include "estimator/projective_solve.h"
#include "estimator/quadruple_layout.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

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
  std::int64_t values = 0;
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

// Runs every quadruple (i, j, k, l) of one chunk in list order, exactly as the nested loops meet
// them, but with each image's transform solved once per quadruple.
void runChunk(const Plan& plan, int i, int j, const std::atomic<bool>& stop, ChunkResult& out) {
  const std::size_t words = plan.maskWords;
  std::vector<std::uint64_t> ijk(words);
  std::vector<ImageOutcome> outcome(static_cast<std::size_t>(plan.imageCount));
  const std::uint64_t* ij = plan.pairSet(i, j);
  FocalValues::Block& block = *out.block;

  for (int k = j + 1; k < plan.points - 1; ++k) {
    const std::uint64_t* ik = plan.pairSet(i, k);
    const std::uint64_t* jk = plan.pairSet(j, k);
    for (std::size_t w = 0; w < words; ++w) {
      ijk[w] = ij[w] & ik[w] & jk[w];
    }
    for (int l = k + 1; l < plan.points; ++l) {
      if (stop.load(std::memory_order_relaxed)) {
        return;
      }
      const std::uint64_t* il = plan.pairSet(i, l);
      const std::uint64_t* jl = plan.pairSet(j, l);
      const std::uint64_t* kl = plan.pairSet(k, l);
      bool anyBase = l >= plan.minBaseCount; // a base image too short to hold point l is a fault to meet
      std::uint64_t mask[4] = {0, 0, 0, 0};
      std::vector<std::uint64_t> bigMask;
      std::uint64_t* set = words <= 4 ? mask : (bigMask.resize(words), bigMask.data());
      for (std::size_t w = 0; w < words; ++w) {
        set[w] = ijk[w] & il[w] & jl[w] & kl[w];
        anyBase = anyBase || (set[w] & plan.baseImages[w]) != 0;
      }
      if (!anyBase) {
        continue; // no base image can accept this quadruple, so the loops would touch nothing else
      }

      const int q[4] = {i, j, k, l};
      for (int m = plan.firstBase; m < plan.imageCount; ++m) {
        ImageOutcome& o = outcome[static_cast<std::size_t>(m)];
        if (static_cast<int>(plan.input->images[static_cast<std::size_t>(m)].size()) <= l) {
          o.status = Status::Short;
        } else if ((set[static_cast<std::size_t>(m) / 64] >> (static_cast<unsigned>(m) % 64) & 1u) == 0) {
          o.status = Status::Rejected;
        } else {
          o = solveImage(plan, m, q);
        }
      }

      // Walk base and partner images in the order of the nested loops.
      const std::size_t entriesBefore = block.image.size();
      std::int64_t valuesHere = 0;
      std::vector<bool> kept(static_cast<std::size_t>(plan.imageCount), false);
      const auto fail = [&](AbandonReason why, const std::string& detail) { out.fault = Fault{why, detail}; };
      for (int base = plan.firstBase; base <= plan.lastBase && !out.fault; ++base) {
        const ImageOutcome& b = outcome[static_cast<std::size_t>(base)];
        if (b.status == Status::Short) {
          fail(AbandonReason::RangeError, "image " + std::to_string(base + 1) +
                                              " holds fewer points than the scene (" + quadName(i, j, k, l) +
                                              ")");
          break;
        }
        if (b.status == Status::Fault) {
          fail(b.reason, std::string(b.what) + " in image " + std::to_string(base + 1) + " for " +
                             quadName(i, j, k, l));
          break;
        }
        if (b.status != Status::Accepted) {
          continue;
        }
        for (int partner = base + plan.gap; partner < plan.imageCount; ++partner) {
          const ImageOutcome& p = outcome[static_cast<std::size_t>(partner)];
          if (p.status == Status::Short) {
            fail(AbandonReason::RangeError, "image " + std::to_string(partner + 1) +
                                                " holds fewer points than the scene (" +
                                                quadName(i, j, k, l) + ")");
            break;
          }
          if (p.status == Status::Fault) {
            fail(p.reason, std::string(p.what) + " in image " + std::to_string(partner + 1) + " for " +
                               quadName(i, j, k, l));
            break;
          }
          if (p.status != Status::Accepted) {
            continue;
          }
          const double s = plan.scale(base, partner);
          AbandonReason why = AbandonReason::None;
          if (!valueIsSound(s, b.lengths.ly, p.lengths.ly, why) ||
              !valueIsSound(s, b.lengths.lx, p.lengths.lx, why)) {
            fail(why, std::string(why == AbandonReason::ZeroDivisor
                                      ? "the test segment has the same length in images "
                                      : "a focal value is not finite for images ") +
                          std::to_string(base + 1) + " and " + std::to_string(partner + 1) + " (" +
                          quadName(i, j, k, l) + ")");
            break;
          }
          kept[static_cast<std::size_t>(base)] = true;
          kept[static_cast<std::size_t>(partner)] = true;
          valuesHere += 2;
        }
      }
      if (out.fault) {
        return;
      }
      if (valuesHere == 0) {
        continue;
      }
      for (int m = plan.firstBase; m < plan.imageCount; ++m) {
        if (kept[static_cast<std::size_t>(m)]) {
          const ImageOutcome& o = outcome[static_cast<std::size_t>(m)];
          block.image.push_back(static_cast<std::uint16_t>(m));
          block.ly.push_back(o.lengths.ly);
          block.lx.push_back(o.lengths.lx);
        }
      }
      (void)entriesBefore;
      block.quadEnd.push_back(static_cast<std::uint32_t>(block.image.size()));
      out.values += valuesHere;
    }
  }
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
      for (;;) {
        const std::size_t c = nextChunk.fetch_add(1);
        if (c >= chunks.size() || stop.load(std::memory_order_relaxed)) {
          return;
        }
        try {
          runChunk(plan, chunks[c].i, chunks[c].j, stop, results[c]);
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

  // Merge the chunks in list order on this thread, which also reports progress and watches for a
  // termination request.
  try {
    int progressDone = -1;
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
      if (r.values > 0) {
        result.append(std::move(r.block), r.values);
      } else {
        r.block.reset();
      }
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
