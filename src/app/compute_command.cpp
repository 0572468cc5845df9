#include "app/compute_command.h"

#include "app/memo_lines.h"
#include "app/run_texts.h"

#include <cmath>
#include <string>

namespace kavo {

// The command's side of the worker's steps. The worker holds it weakly and the command detaches it
// when it goes away, so a step that arrives late finds nobody and does nothing.
class ComputeCommand::Host final : public StatFocHost {
public:
  explicit Host(ComputeCommand& owner) : command(&owner) {}
  void detach() { command = nullptr; }

  EstimatorSettings snapshotSettings() override {
    EstimatorSettings s;
    if (command == nullptr) {
      return s;
    }
    const CalibrationState& st = command->state;
    s.minLineAngle = st.minLineAngle;
    s.minPointSpacing = st.minPointSpacing;
    s.clipSigmaCount = st.clipSigmaCount;
    s.processingMode = st.processingMode;
    s.firstImageNumber = st.firstImageNumber;
    s.secondImageNumber = st.secondImageNumber;
    s.imageWidth = st.imageWidth;
    s.imageHeight = st.imageHeight;
    s.imageValues.assign(st.imageValues.begin(), st.imageValues.begin() + st.imageCount);
    s.threads = command->threadCount;
    return s;
  }

  void stepProgress() override {
    if (command != nullptr) {
      command->view.setProgressPosition(++command->progress);
    }
  }

  void valuesEnumerated(const FocalValues& values) override {
    if (command != nullptr && command->valuesObserver) {
      command->valuesObserver(values);
    }
  }

  void listValues(const FocalValues& values) override {
    if (command != nullptr) {
      for (const std::string& line : listValuesLines(values, command->separator)) {
        command->view.appendMemoLine(line);
      }
    }
  }

  DistributionOutcome showDistribution(const FocalValues& values, double clipFactor, double mean,
                                       double deviation, double standardDeviation) override {
    DistributionOutcome outcome;
    outcome.exitPressed = true;
    if (command != nullptr) {
      outcome = command->view.showDistribution(values, clipFactor, mean, deviation, standardDeviation);
    }
    return outcome;
  }

  // The refined fit after the classic result: the status line says so and the bar fills once more,
  // over the same range.
  void laterStageProgress(double fraction) override {
    if (command == nullptr || !command->refineOn) {
      return;
    }
    ComputeCommand& c = *command;
    if (!c.refining) {
      c.refining = true;
      c.view.showStatus("Уточнение…");
    }
    c.view.setProgressPosition(static_cast<int>(std::lround(fraction * c.progressMaximum)));
  }

  void appendResult(double value) override {
    if (command != nullptr) {
      command->state.runResults->Add(new VT_Point(value, 0.0));
    }
  }

  void signalDone() override {
    if (command == nullptr) {
      return;
    }
    ComputeCommand& c = *command;
    c.last.stage = ComputeOutcome::Stage::Done;
    c.state.doneCount += 1;
    // The view passes the change on to Edit7Change, which shows the results.
    c.view.setSignalText(std::to_string(c.state.doneCount));
    c.changed();
  }

  void resetProgress(const RunEnd& why) override {
    if (command == nullptr) {
      return;
    }
    ComputeCommand& c = *command;
    c.last.stage = ComputeOutcome::Stage::Abandoned;
    c.last.abandon = why;
    c.progress = 0;
    c.view.setProgressPosition(0);
    c.view.showStatus(abandonText(why));
    c.changed();
  }

private:
  ComputeCommand* command;
};

ComputeCommand::ComputeCommand(CalibrationState& state_, UserPort& port_, MainView& view_,
                               MainThreadDispatcher& dispatcher_, char decimalSeparator)
    : state(state_), port(port_), view(view_), dispatcher(dispatcher_), separator(decimalSeparator),
      host(std::make_shared<Host>(*this)) {}

ComputeCommand::~ComputeCommand() {
  host->detach();
  requestStop();
}

bool ComputeCommand::running() const {
  return last.stage == ComputeOutcome::Stage::Running;
}

void ComputeCommand::requestStop() {
  if (auto worker = state.quadrupleWorker.lock()) {
    worker->Terminate();
  }
}

void ComputeCommand::changed() {
  if (changeObserver) {
    changeObserver();
  }
}

void ComputeCommand::launch() {
  progress = 0;
  progressMaximum = state.scenePoints->Count() - 3;
  view.setProgressMaximum(progressMaximum);
  view.setProgressPosition(0);
  state.doneCount = 0;
  view.setSignalText({});
  state.runResults->Clear();
  runCameraFile = state.cameraFile;
  runInputs = inputs();
  refining = false;
  stageOutcome = std::make_shared<RefineStageOutcome>();

  auto worker = StatFocThread::create(dispatcher, host, *state.scenePoints, state.imagePoints,
                                      refineStage(refineCamera, refineOn, stageOutcome));
  state.quadrupleWorker = worker;
  exitOfLast = worker->exitToken();
  last.stage = ComputeOutcome::Stage::Running;
  changed();
  try {
    worker->Resume();
  } catch (...) {
    last.stage = ComputeOutcome::Stage::Stopped;
    changed();
    throw;
  }
}

std::string ComputeCommand::noValueDetail() const {
  if (state.imageCount < 2) {
    return "список файлов называет изображений: " + std::to_string(state.imageCount) +
           "; значения получаются только из пары изображений";
  }
  return "ни одна четвёрка реперных точек не прошла проверку углов и расстояний ни в одной допустимой "
         "паре изображений";
}

// The refined fit does not rest on the classic values: a target too small or too close to the middle
// of the photos for the layout tests still gets its refined focal length, in its own field (the
// classic fields keep what they showed), with its warnings in the status line. A result shown before
// keeps its own refined value beside its classic fields: Save and the report still write that result.
void ComputeCommand::showRefinedWithoutValues() {
  if (!stageOutcome || !stageOutcome->assessment) {
    return;
  }
  RunResult refined;
  refined.cameraFile = runCameraFile.empty() ? state.cameraFile : runCameraFile;
  refined.inputs = runInputs;
  refined.assessment = std::move(stageOutcome->assessment);
  stageOutcome.reset();
  last.refinedOnly = std::move(refined);
  const RunResult& shown = state.shownResult ? *state.shownResult : *last.refinedOnly;
  if (!state.shownResult) {
    view.showRefined(shown);
  }
  view.showStatus(runStatusText(shown));
}

void ComputeCommand::Edit7Change(const std::string& text) {
  if (text != "1") {
    return;
  }
  try {
    const VT_Points& results = *state.runResults;
    if (!runProducedValues(results)) {
      const UserMessage noValue{"Неправильные входные данные! Измените параметры!", "Ошибка!",
                                noValueDetail(), BoxOwner::MainWindow, BoxIcon::Error};
      last.stage = ComputeOutcome::Stage::NoValue;
      last.message = noValue;
      showRefinedWithoutValues();
      port.showMessage(noValue);
      progress = 0;
      view.setProgressPosition(0);
      return;
    }
    RunResult result =
        decodeRunResult(results, runCameraFile.empty() ? state.cameraFile : runCameraFile, separator);
    result.inputs = runInputs;
    if (stageOutcome) {
      result.assessment = stageOutcome->assessment;
      result.values = stageOutcome->values;
      stageOutcome.reset();
    }
    if (state.processingMode == 2) {
      for (const std::string& line : resultMemoLines(result, separator)) {
        view.appendMemoLine(line);
      }
    }
    state.shownResult = std::move(result);
    state.resultSaved = false;
    view.showResult(*state.shownResult);
    // The checks of the series speak up where the user looks; nothing to say clears the line.
    view.showStatus(runStatusText(*state.shownResult));
    progress = 0;
    view.setProgressPosition(0);
    changed();
  } catch (const std::exception& e) {
    // What the application's default error report would show for an error escaping the handler;
    // the run has shown no result.
    const UserMessage report{e.what(), "Kavo", {}, BoxOwner::MainWindow, BoxIcon::Error};
    last.stage = ComputeOutcome::Stage::NoValue;
    last.message = report;
    port.showMessage(report);
  }
}

} // namespace kavo
