#include "estimator/stat_foc_thread.h"

#include <algorithm>
#include <new>

namespace kavo {

void StatFocThread::onHost(const std::function<void(StatFocHost&)>& step) {
  Synchronize([&] {
    if (auto h = host.lock()) {
      step(*h);
    }
  });
}

std::shared_ptr<StatFocThread>
StatFocThread::create(MainThreadDispatcher& dispatcher, std::weak_ptr<StatFocHost> host,
                      const VT_Points& scenePoints,
                      const std::vector<std::unique_ptr<VT_Points>>& imagePoints, LaterStage later) {
  return std::shared_ptr<StatFocThread>(
      new StatFocThread(dispatcher, std::move(host), scenePoints, imagePoints, std::move(later)));
}

namespace {

std::vector<Point2> copyPoints(const VT_Points& points) {
  std::vector<Point2> copy;
  copy.reserve(static_cast<std::size_t>(points.Count()));
  for (int i = 0; i < points.Count(); ++i) {
    const VT_Point* p = points.Get(i);
    copy.push_back({p->x, p->y});
  }
  return copy;
}

} // namespace

StatFocThread::StatFocThread(MainThreadDispatcher& mainThread, std::weak_ptr<StatFocHost> host_,
                             const VT_Points& scenePoints,
                             const std::vector<std::unique_ptr<VT_Points>>& imagePoints, LaterStage later)
    : WorkerThread(mainThread), host(std::move(host_)), laterStage(std::move(later)) {
  setPriority(ThreadPriority::Normal);
  setFreeOnTerminate(true);
  // The run works on its own copy of the points, so nothing the main window does later can change
  // them under it.
  input.scene = copyPoints(scenePoints);
  input.images.reserve(imagePoints.size());
  for (const auto& image : imagePoints) {
    input.images.push_back(copyPoints(*image));
  }
  // Runs at once: the constructor is called on the main thread.
  onHost([this](StatFocHost& h) { snapshot = h.snapshotSettings(); });
  runAbandoned = false;
}

void StatFocThread::checkpoint() {
  if (Terminated()) {
    throw RunAbandoned(AbandonReason::Cancelled, "счёт остановлен по запросу");
  }
}

void StatFocThread::Execute() {
  RunEnd end;
  try {
    run();
  } catch (const RunAbandoned& e) {
    end = {e.reason, e.what()};
  } catch (const std::bad_alloc&) {
    end = {AbandonReason::Other, "не хватает памяти для отдельных значений"};
  } catch (const Error& e) {
    // The list range error of the point lists and every other error of the system.
    end = {AbandonReason::Other, e.what()};
  } catch (const std::exception& e) {
    end = {AbandonReason::Other, e.what()};
  } catch (...) {
    end = {AbandonReason::Other, "неизвестная ошибка"};
  }
  // The run's own lists are gone by now (they are locals of run(); only the values may live on in what
  // the later stage keeps); only the last step remains.
  try {
    if (end.reason == AbandonReason::None) {
      onHost([](StatFocHost& h) { h.signalDone(); });
    } else {
      onHost([&end](StatFocHost& h) { h.resetProgress(end); });
    }
  } catch (...) {
    // The main window handles its own errors; the worker shows nothing.
  }
}

void StatFocThread::run() {
  EnumerationHooks hooks;
  hooks.stepProgress = [this] { onHost([](StatFocHost& h) { h.stepProgress(); }); };
  hooks.shouldStop = [this] { return Terminated(); };
  const auto values = std::make_shared<const FocalValues>(enumerateFocalValues(input, snapshot, hooks));
  onHost([&values](StatFocHost& h) { h.valuesEnumerated(*values); });
  reduce(*values);
  // The later stage runs also when no quadruple gave a value: what it does need not rest on the
  // values, and the classic result's absence is shown as before.
  if (laterStage) {
    runLaterStage(values);
  }
}

void StatFocThread::runLaterStage(const std::shared_ptr<const FocalValues>& values) {
  checkpoint();
  // The host hears of the stage's progress in whole percents: a step on the main thread per call of
  // a stage that reports at every iteration would cost more than the iteration.
  int shownPercent = -1;
  const auto progress = [this, &shownPercent](double fraction) {
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
    if (percent != shownPercent) {
      shownPercent = percent;
      onHost([fraction](StatFocHost& h) { h.laterStageProgress(fraction); });
    }
  };
  progress(0.0);
  laterStage({input, snapshot, values, [this] { return Terminated(); }, progress});
  checkpoint();
}

void StatFocThread::reduce(const FocalValues& values) {
  const auto count = static_cast<double>(values.size());
  onHost([count](StatFocHost& h) { h.appendResult(count); });
  if (values.empty()) {
    return;
  }
  const bool debugMode = snapshot.processingMode == 2;
  if (debugMode) {
    onHost([&values](StatFocHost& h) { h.listValues(values); });
  }
  // The passes over a very long list take a while: a termination request is honoured inside them.
  const auto stopRequested = [this] { return Terminated(); };
  const Statistics unclipped = unclippedStatistics(values, stopRequested);
  meanValue = unclipped.mean;
  deviation = unclipped.deviation;
  standardDeviation = unclipped.standardDeviation;
  checkpoint();
  if (debugMode) {
    // A host that has gone counts as "Выход": nobody is left to take the result.
    DistributionOutcome outcome;
    outcome.exitPressed = true;
    onHost([&](StatFocHost& h) {
      outcome = h.showDistribution(values, snapshot.clipSigmaCount, meanValue, deviation, standardDeviation);
      h.appendResult(outcome.mean);
      h.appendResult(outcome.deviation);
      h.appendResult(outcome.standardDeviation);
    });
    if (outcome.exitPressed) {
      runAbandoned = true;
    }
    if (runAbandoned) {
      throw RunAbandoned(AbandonReason::ExitPressed, "окно распределения закрыто кнопкой «Выход»");
    }
    return;
  }
  const Statistics clipped = clippedStatistics(values, unclipped, snapshot.clipSigmaCount, stopRequested);
  meanValue = clipped.mean;
  deviation = clipped.deviation;
  standardDeviation = clipped.standardDeviation;
  onHost([this](StatFocHost& h) {
    h.appendResult(meanValue);
    h.appendResult(deviation);
    h.appendResult(standardDeviation);
  });
}

} // namespace kavo
