#pragma once
#include "core/vt_point.h"
#include "estimator/estimator.h"
#include "platform/worker_thread.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kavo {

// What the distribution window hands back when it closes: "Выход" abandons the run, otherwise the
// window's final numbers become the result.
struct DistributionOutcome {
  bool exitPressed = false;
  double mean = 0.0;
  double deviation = 0.0;
  double standardDeviation = 0.0;
};

// How a run that produced no result ended; the window stays silent, the front ends may say it.
struct RunEnd {
  AbandonReason reason = AbandonReason::None;
  std::string detail;
};

// What a run goes on to once its classic result stands (in the debug mode: once the distribution
// window has closed with its numbers), or once the enumeration gave no value at all, on the worker
// thread. The compute command supplies it, so the
// estimator knows nothing of what it does; it keeps its own result. A RunAbandoned it throws ends the
// run as abandoned (a cancellation polled through shouldStop); it must turn every other failure of its
// own into its result, for its failure never costs the classic result.
struct LaterStageInput {
  const EstimatorInput& points;
  const EstimatorSettings& settings;
  std::shared_ptr<const FocalValues> values; // the run's values, in list order
  std::function<bool()> shouldStop;          // the run's stop request
  std::function<void(double)> progress;      // the stage's fraction done, 0 to 1, shown by the host
};
using LaterStage = std::function<void(const LaterStageInput&)>;

// The main window as the worker sees it. Every call is made on the main thread, through
// Synchronize, while the worker waits.
class StatFocHost {
public:
  virtual ~StatFocHost() = default;
  // The settings the run works with, copied once when the worker is created.
  virtual EstimatorSettings snapshotSettings() = 0;
  virtual void stepProgress() = 0;
  // The enumeration has finished: the individual values in list order, before any reduction.
  virtual void valuesEnumerated(const FocalValues& values) { static_cast<void>(values); }
  // The debug mode's listing of the values (listValues); the host writes them as it shows numbers.
  virtual void listValues(const FocalValues& values) = 0;
  virtual DistributionOutcome showDistribution(const FocalValues& values, double clipFactor, double mean,
                                               double deviation, double standardDeviation) = 0;
  // The later stage's progress (a fraction from 0 to 1), whenever it has moved by a percent.
  virtual void laterStageProgress(double fraction) { static_cast<void>(fraction); }
  // Appends one number to the result list (count, mean, deviation, standard deviation in turn).
  virtual void appendResult(double value) = 0;
  // The last step of a run that ended normally.
  virtual void signalDone() = 0;
  // The last step of an abandoned run.
  virtual void resetProgress(const RunEnd& why) = 0;
};

// The quadruple worker: one per compute command, freeing itself when its run returns.
//
// It holds its host weakly: when the host goes away during a run, the remaining steps do nothing
// and the distribution window counts as left with "Выход", so the run ends quietly.
class StatFocThread final : public WorkerThread {
public:
  // Runs on the main thread: copies the points and, through the host, the settings. The worker is
  // suspended, frees itself at the end and runs at normal priority.
  // later, when given, runs after the reduction, also of a run that produced no value; not after a run
  // abandoned on the way.
  static std::shared_ptr<StatFocThread> create(MainThreadDispatcher& dispatcher,
                                               std::weak_ptr<StatFocHost> host, const VT_Points& scenePoints,
                                               const std::vector<std::unique_ptr<VT_Points>>& imagePoints,
                                               LaterStage later = {});

  const EstimatorSettings& settings() const { return snapshot; }

protected:
  void Execute() override;

private:
  StatFocThread(MainThreadDispatcher& mainThread, std::weak_ptr<StatFocHost> host,
                const VT_Points& scenePoints, const std::vector<std::unique_ptr<VT_Points>>& imagePoints,
                LaterStage later);

  void run();
  void reduce(const FocalValues& values);
  void runLaterStage(const std::shared_ptr<const FocalValues>& values);
  void checkpoint();
  // Performs a step on the host through Synchronize; nothing when the host has gone.
  void onHost(const std::function<void(StatFocHost&)>& step);

  std::weak_ptr<StatFocHost> host;
  LaterStage laterStage;
  EstimatorInput input;
  EstimatorSettings snapshot;
  bool runAbandoned = false;
  double meanValue = 0.0;
  double deviation = 0.0;
  double standardDeviation = 0.0;
};

} // namespace kavo
