#include "estimator/chunk_pass.h"
#include "estimator/estimator.h"
#include "estimator/focal_values_walk.h"
#include "estimator/ordered_runner.h"
#include "platform/physical_memory.h"

#include <string>
#include <thread>

namespace kavo {
namespace {

struct Chunk {
  int i = 0;
  int j = 0;
};

std::vector<Chunk> chunksOf(const EnumerationPlan& plan) {
  std::vector<Chunk> chunks;
  for (int i = 0; i < plan.points - 3; ++i) {
    for (int j = i + 1; j < plan.points - 2; ++j) {
      chunks.push_back({i, j});
    }
  }
  return chunks;
}

// Memory the lengths may take: the setting, or 40 % of the machine's memory.
double lengthBudget(const EstimatorSettings& settings) {
  if (settings.lengthMemoryLimit > 0.0) {
    return settings.lengthMemoryLimit;
  }
  const std::uint64_t memory = physicalMemoryBytes();
  return memory > 0 ? 0.4 * static_cast<double>(memory) : 4e9;
}

std::string memoryText(double bytes) {
  if (bytes < 1e6) {
    return std::to_string(static_cast<long long>(bytes)) + " байт";
  }
  return std::to_string(static_cast<long long>(bytes / 1e6)) + " МБ";
}

// Forms the values of a chunk's lengths in list order: adds them to the run's sum and notes whether
// each is a finite number.
struct OrderedSum {
  double sum = 0.0;
  AxisMask finite = {-1, -1};
  void pair(AxisPair v) {
    sum += v[0];
    sum += v[1];
    finite &= finiteLanes(v);
  }
  bool allFinite() const { return finite[0] != 0 && finite[1] != 0; }
};

// Takes the chunks in list order on the calling thread: reports progress, adds their values to the
// ordered sum, meets the first fault and keeps the lengths.
class Merge {
public:
  Merge(const EnumerationPlan& p, const std::vector<Chunk>& c, std::vector<ChunkResult>& r,
        const EnumerationHooks& h, double budget)
      : plan(p), chunks(c), results(r), hooks(h), memoryBudget(budget) {}

  void take(std::size_t c, FocalValues& list) {
    while (progressDone < chunks[c].i) {
      ++progressDone;
      if (hooks.stepProgress) {
        hooks.stepProgress();
      }
    }
    ChunkResult r = std::move(results[c]);
    if (r.block) {
      OrderedSum block;
      block.sum = sum;
      FocalValues::visitBlock(*r.block, plan.pairs, block);
      if (!block.allFinite()) {
        ChunkScratch scratch;
        const RunFault fault = findChunkFault(plan, chunks[c].i, chunks[c].j, scratch);
        throw RunAbandoned(fault.reason, fault.detail);
      }
      sum = block.sum;
    }
    if (r.fault) {
      throw RunAbandoned(r.fault->reason, r.fault->detail);
    }
    if (r.block && r.block->values > 0) {
      list.append(std::move(r.block));
      if (static_cast<double>(list.lengthBytes()) > memoryBudget) {
        throw RunAbandoned(AbandonReason::Other, "длины, из которых образуются значения, заняли бы больше " +
                                                     memoryText(memoryBudget) + " памяти");
      }
    }
  }

  double orderedSum() const { return sum; }

private:
  const EnumerationPlan& plan;
  const std::vector<Chunk>& chunks;
  std::vector<ChunkResult>& results;
  const EnumerationHooks& hooks;
  double memoryBudget;
  int progressDone = -1;
  double sum = 0.0;
};

} // namespace

FocalValues enumerateFocalValues(const EstimatorInput& input, const EstimatorSettings& settings,
                                 const EnumerationHooks& hooks) {
  const EnumerationPlan plan = makeEnumerationPlan(input, settings);
  FocalValues list;
  list.setPairRule(plan.pairs);
  if (plan.points < 4) {
    return list;
  }
  const std::vector<Chunk> chunks = chunksOf(plan);
  std::vector<ChunkResult> results(chunks.size());
  Merge merge(plan, chunks, results, hooks, lengthBudget(settings));

  OrderedRun run;
  run.tasks = chunks.size();
  run.threads = settings.threads > 0 ? static_cast<unsigned>(settings.threads)
                                     : std::max(1u, std::thread::hardware_concurrency());
  std::vector<ChunkScratch> scratch(std::min<std::size_t>(run.threads, chunks.size()));
  run.work = [&](std::size_t c, unsigned worker, const std::atomic<bool>& stop) {
    runChunk(plan, chunks[c].i, chunks[c].j, stop, scratch[worker], results[c]);
  };
  run.deliver = [&](std::size_t c) { merge.take(c, list); };
  run.shouldStop = hooks.shouldStop;
  if (!runInOrder(run)) {
    throw RunAbandoned(AbandonReason::Cancelled, "счёт остановлен по запросу");
  }
  list.setOrderedSum(merge.orderedSum());
  return list;
}

} // namespace kavo
