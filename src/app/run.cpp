#include "app/run.h"

#include "app/layout_advice.h"
#include "app/memo_lines.h"
#include "app/run_loading.h"
#include "app/run_texts.h"
#include "app/settings_input.h"
#include "estimator/layout_reach.h"
#include "platform/number_text.h"
#include "refine/refine_series.h"
#include "refine/series_assessment.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <future>
#include <new>
#include <optional>
#include <thread>

namespace kavo {

void setRunSettings(RunRequest& request, const SettingsNumbers& settings) {
  request.settings = settings;
  request.minLineAngle = minLineAngleFromDegrees(settings.minLineAngleDegrees);
  request.minPointSpacing = minPointSpacingFromPercent(settings.minPointSpacingPercent);
}

void setClassicResult(RunResult& result, double count, double mean, double deviation,
                      double standardDeviation, char separator) {
  result.status = RunStatus::Done;
  result.valueCount = static_cast<long long>(count);
  result.meanValue = mean;
  result.deviation = deviation;
  result.standardDeviation = standardDeviation;
  result.focalText = formatFixed(std::fabs(mean), separator);
  if (count > 2) {
    result.deviationText = formatFixed(std::fabs(deviation), separator);
    result.standardDeviationText = formatFixed(std::fabs(standardDeviation), separator);
  } else {
    result.deviationText = "-";
    result.standardDeviationText = "-";
  }
}

SeriesAssessment failedAssessment(const std::string& message) {
  SeriesAssessment a;
  a.refined.ok = false;
  a.refined.message = message;
  a.uncertainty.available = false;
  a.uncertainty.message = message;
  return a;
}

namespace {

void checkStop(const RunHooks& hooks) {
  if (hooks.shouldStop && hooks.shouldStop()) {
    throw RunAbandoned(AbandonReason::Cancelled, "счёт остановлен по запросу");
  }
}

// Whether the refined fit may run beside the classic reduction: the run may use more than one core,
// and the machine has them.
bool besideReduction(int threads) {
  return threads != 1 && std::thread::hardware_concurrency() > 1;
}

// The refined fit on a thread of its own. Its end is waited for whatever happens to the run: when the
// run ends early (abandoned, cancelled) the fit is asked to stop first.
struct EarlyFit {
  EarlyFit(bool start, RefineInput in, const RunHooks& hooks) : input(std::move(in)) {
    if (!start) {
      return;
    }
    RefineHooks fitHooks;
    fitHooks.shouldStop = [this, stop = hooks.shouldStop] { return dropped.load() || (stop && stop()); };
    fit = std::async(std::launch::async, [this, fitHooks] { return refineSeries(input, fitHooks); });
  }
  ~EarlyFit() {
    dropped.store(true);
    if (fit.valid()) {
      fit.wait();
    }
  }
  EarlyFit(const EarlyFit&) = delete;
  EarlyFit& operator=(const EarlyFit&) = delete;

  RefineInput input;
  std::atomic<bool> dropped{false};
  std::future<RefinedResult> fit;
};

class Run {
public:
  Run(const RunRequest& r, const RunHooks& h) : request(r), hooks(h), separator(r.decimalSeparator) {}

  RunResult compute();

private:
  EstimatorSettings estimatorSettings() const;
  void reduce(const FocalValues& values);
  void showClassic(double count, double mean, double deviation, double standardDeviation);
  RefineInput refineInput() const;
  void refine(const std::shared_ptr<const FocalValues>& values, std::future<RefinedResult>* early);
  void noValue();
  void progress(RunStage stage, int done, int total) const {
    if (hooks.progress) {
      hooks.progress({stage, done, total});
    }
  }

  const RunRequest& request;
  const RunHooks& hooks;
  char separator;
  RunResult result;
  LoadedPoints loaded;
  EstimatorInput points;
  EstimatorSettings settings;
  std::optional<ClassicReduction> reduction; // the normal mode's clipping pass
};

EstimatorSettings Run::estimatorSettings() const {
  EstimatorSettings s;
  s.minLineAngle = request.minLineAngle;
  s.minPointSpacing = request.minPointSpacing;
  s.clipSigmaCount = request.settings.clipSigmaCount;
  s.processingMode = request.settings.processingMode;
  s.firstImageNumber = request.settings.firstImageNumber;
  s.secondImageNumber = request.settings.secondImageNumber;
  s.imageWidth = result.camera.imageWidth;
  s.imageHeight = result.camera.imageHeight;
  s.imageValues = loaded.steps;
  s.threads = request.threads;
  return s;
}

void Run::showClassic(double count, double mean, double deviation, double standardDeviation) {
  setClassicResult(result, count, mean, deviation, standardDeviation, separator);
}

// No value: the box, and for a series of two images or more how far its quadruples got in the layout
// tests and what would pass.
void Run::noValue() {
  result.status = RunStatus::NoValue;
  if (result.inputs.imageCount >= 2) {
    result.layout = layoutAdviceOf(layoutReach(points, settings, 50, hooks.shouldStop), request.settings);
  }
  result.message = {"Неправильные входные данные! Измените параметры!", "Ошибка!",
                    noValueDetail(result, SettingsPlace::Window), BoxOwner::MainWindow, BoxIcon::Error};
}

// The values reduced as the processing mode says: one clipping pass at the settings' factor, or in
// the debug mode the listing and the distribution window, whose numbers become the result.
void Run::reduce(const FocalValues& values) {
  const auto count = static_cast<double>(values.size());
  if (values.empty()) {
    noValue();
    return;
  }
  const bool debugMode = settings.processingMode == 2;
  if (debugMode && hooks.listing) {
    hooks.listing(listValuesLines(values, separator));
  }
  // The passes over a very long list take a while: a stop request is honoured inside them.
  const Statistics unclipped = unclippedStatistics(values, hooks.shouldStop);
  checkStop(hooks);
  if (debugMode) {
    DistributionOutcome outcome{false, unclipped.mean, unclipped.deviation, unclipped.standardDeviation};
    if (hooks.distribution) {
      outcome = hooks.distribution(values, {unclipped.mean, settings.clipSigmaCount, unclipped.deviation,
                                            unclipped.standardDeviation});
    }
    if (outcome.exitPressed) {
      throw RunAbandoned(AbandonReason::ExitPressed, "окно распределения закрыто кнопкой «Выход»");
    }
    showClassic(count, outcome.mean, outcome.deviation, outcome.standardDeviation);
    return;
  }
  // The interval of the classic mean takes this very pass, and the kept values' sums per image pair
  // formed in the same walk.
  ClassicReduction pass;
  pass.unclipped = unclipped;
  pass.clipped = clippedStatistics(values, unclipped, settings.clipSigmaCount, hooks.shouldStop,
                                   request.refine ? &pass.pairs : nullptr);
  showClassic(count, pass.clipped.mean, pass.clipped.deviation, pass.clipped.standardDeviation);
  reduction = std::move(pass);
}

RefineInput Run::refineInput() const {
  RefineInput input;
  input.points = points;
  input.settings = settings;
  input.imageCentreX = result.camera.imageCentreX;
  input.imageCentreY = result.camera.imageCentreY;
  input.verticalScale = result.camera.verticalScale;
  input.hasPrincipalPoint = result.camera.hasPrincipalPoint;
  input.principalPointX = result.camera.principalPointX;
  input.principalPointY = result.camera.principalPointY;
  input.decimalSeparator = separator;
  input.stepAccuracy = request.settings.stepAccuracy;
  input.circleRadius = request.settings.circleRadius;
  return input;
}

// The refined fit, the intervals and the checks of the series. Its failure is a failed refined result
// with its message and never costs the classic one; a stop request ends the run. early: the fit
// started beside the classic reduction, when it was.
void Run::refine(const std::shared_ptr<const FocalValues>& values, std::future<RefinedResult>* early) {
  checkStop(hooks);
  RefineInput input = refineInput();
  RefineHooks refineHooks;
  refineHooks.shouldStop = hooks.shouldStop;
  // Whole percents: a fit that reports at every iteration would otherwise flood the front ends.
  int shownPercent = -1;
  refineHooks.progress = [this, &shownPercent](double fraction) {
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
    if (percent != shownPercent) {
      shownPercent = percent;
      progress(RunStage::Refine, percent, 100);
    }
  };
  refineHooks.progress(0.0);
  RunAssessment assessment;
  try {
    std::optional<RefinedResult> fitted;
    if (early != nullptr && early->valid()) {
      fitted = early->get();
    }
    assessment.series = assessSeries(input, refineHooks, values.get(), reduction ? &*reduction : nullptr,
                                     fitted ? &*fitted : nullptr);
  } catch (const RunAbandoned& e) {
    if (e.reason == AbandonReason::Cancelled) {
      throw;
    }
    assessment.series = failedAssessment(std::string("Уточнение не выполнено: ") + e.what() + ".");
  } catch (const std::bad_alloc&) {
    assessment.series = failedAssessment("Уточнение не выполнено: не хватает памяти.");
  } catch (const std::exception& e) {
    assessment.series = failedAssessment(std::string("Уточнение не выполнено: ") + e.what() + ".");
  }
  assessment.settings = input.settings;
  assessment.points = std::move(input.points);
  result.assessment = std::move(assessment);
  checkStop(hooks);
}

RunResult Run::compute() {
  if (!loadRunInputs(request, hooks, result, loaded)) {
    return std::move(result);
  }
  points.scene = std::move(loaded.scene);
  points.images = std::move(loaded.images);
  settings = estimatorSettings();
  const int outerSteps = static_cast<int>(points.scene.size()) - 3;
  try {
    checkStop(hooks);
    progress(RunStage::Classic, 0, outerSteps);
    int step = 0;
    EnumerationHooks enumeration;
    enumeration.stepProgress = [&] { progress(RunStage::Classic, ++step, outerSteps); };
    enumeration.shouldStop = hooks.shouldStop;
    auto values = std::make_shared<const FocalValues>(enumerateFocalValues(points, settings, enumeration));
    result.valueCount = values->size();
    result.values = values;
    if (hooks.valuesReady) {
      hooks.valuesReady(*values);
    }
    // The refined fit does not rest on the classic values: it runs also when none was produced, and
    // where a core is free it runs beside the reduction, whose passes add in list order on one core.
    EarlyFit early(request.refine && besideReduction(request.threads), refineInput(), hooks);
    reduce(*values);
    if (request.refine) {
      refine(values, &early.fit);
    }
  } catch (const RunAbandoned& e) {
    result.status = RunStatus::Abandoned;
    result.end = {e.reason, e.what()};
  } catch (const std::bad_alloc&) {
    result.status = RunStatus::Abandoned;
    result.end = {AbandonReason::Other, "не хватает памяти для отдельных значений"};
  } catch (const std::exception& e) {
    result.status = RunStatus::Abandoned;
    result.end = {AbandonReason::Other, e.what()};
  }
  // An abandoned run keeps its values (they may be written out and looked at), but not after a stop.
  if (result.status == RunStatus::Abandoned) {
    result.assessment.reset();
    if (result.end.reason == AbandonReason::Cancelled) {
      result.values.reset();
    }
    return std::move(result);
  }
  // The result checked against the focal length the photos' EXIF gives: a run warning, as the
  // clustered points' one.
  if (const std::string warning = exifFocalWarning(result); !warning.empty()) {
    result.inputs.warnings.push_back(warning);
    if (hooks.warn) {
      hooks.warn({warning, "Предупреждение!", {}, BoxOwner::MainWindow, BoxIcon::Warning});
    }
  }
  return std::move(result);
}

} // namespace

RunResult computeRun(const RunRequest& request, const RunHooks& hooks) {
  return Run(request, hooks).compute();
}

} // namespace kavo
