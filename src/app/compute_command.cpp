#include "app/compute_command.h"

#include "datafiles/camera_file.h"
#include "datafiles/coordinate_files.h"
#include "datafiles/list_file.h"
#include "datafiles/number_text.h"
#include "datafiles/paths.h"

#include <cmath>
#include <string>

namespace kavo {

namespace {

const char* const kNotEnoughPoints = "Недостаточно точек! Процедура прервана!";

UserMessage fromReader(const ReadStatus& status) {
  // Reader boxes have no owner.
  return {status.message, status.caption, status.detail, BoxOwner::None, BoxIcon::None};
}

UserMessage ownedByMainWindow(std::string text, std::string caption, std::string detail = {},
                              BoxIcon icon = BoxIcon::None) {
  return {std::move(text), std::move(caption), std::move(detail), BoxOwner::MainWindow, icon};
}

} // namespace

std::string abandonText(const RunEnd& end) {
  std::string text;
  switch (end.reason) {
  case AbandonReason::None:
    return {};
  case AbandonReason::Cancelled:
    return "Счёт остановлен по запросу.";
  case AbandonReason::ExitPressed:
    return "Счёт прерван: окно распределения закрыто кнопкой «Выход».";
  case AbandonReason::ZeroDivisor:
    text = "Счёт прерван: деление на ноль";
    break;
  case AbandonReason::NonFinite:
    text = "Счёт прерван: переполнение или недопустимая операция";
    break;
  case AbandonReason::RangeError:
    text = "Счёт прерван: на изображении меньше точек, чем в сцене";
    break;
  case AbandonReason::NothingInBand:
    text = "Счёт прерван: ни одно значение не попало в полосу отсечения";
    break;
  case AbandonReason::Other:
    text = "Счёт прерван из-за ошибки";
    break;
  }
  if (!end.detail.empty()) {
    text += " (" + end.detail + ")";
  }
  return text + ".";
}

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

  void appendMemoLine(const std::string& line) override {
    if (command != nullptr) {
      command->view.appendMemoLine(line);
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
    c.view.setComputeEnabled(true);
    c.state.doneCount += 1;
    // The view passes the change on to Edit7Change, which shows the results.
    c.view.setSignalText(std::to_string(c.state.doneCount));
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
    c.view.setComputeEnabled(true);
    c.view.showStatus(abandonText(why));
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

void ComputeCommand::stopWith(const UserMessage& message) {
  last.stage = ComputeOutcome::Stage::Stopped;
  last.stopMessage = message;
  port.showMessage(message);
}

std::string ComputeCommand::imagePath(const std::string& name) const {
  const std::string path = nativePath(name);
  if (imageFolder.empty() || (!path.empty() && path.front() == '/')) {
    return path;
  }
  return imageFolder + path;
}

void ComputeCommand::N10Click() {
  if (running()) {
    // The worker reads the lists this command would clear and reload.
    view.showStatus("Счёт уже выполняется: дождитесь его окончания или остановите его.");
    return;
  }
  last = ComputeOutcome{};
  last.stage = ComputeOutcome::Stage::Stopped;
  view.showStatus({});
  try {
    if (loadInputs()) {
      launch();
    }
  } catch (const std::exception& e) {
    stopWith(ownedByMainWindow("Внутренняя ошибка! Проверьте входные данные.", "Отказ", e.what(),
                               BoxIcon::Exclamation));
  } catch (...) {
    stopWith(
        ownedByMainWindow("Внутренняя ошибка! Проверьте входные данные.", "Отказ", {}, BoxIcon::Exclamation));
  }
}

bool ComputeCommand::loadInputs() {
  view.clearMemo();

  double focalLength = -1.0;
  ReadStatus status =
      ReadCameraFile(state.cameraFile, state.imageCentreX, state.imageCentreY, state.correctionTable,
                     focalLength, state.imageWidth, state.imageHeight, separator);
  if (!status.ok) {
    stopWith(fromReader(status));
    return false;
  }
  status = ReadScenePoints(state.sceneFile, *state.scenePoints, separator);
  if (!status.ok) {
    stopWith(fromReader(status));
    return false;
  }
  if (focalLength != -1.0) {
    const UserMessage question =
        ownedByMainWindow("Фокусное расстояние уже вычислено. Продолжить работу?", "Предупреждение");
    if (!port.askYesNo(question)) {
      last.stage = ComputeOutcome::Stage::Stopped;
      return false;
    }
  }
  ReadListFile(state.listFile, state.imageFiles, state.imageValues, state.imageCount, separator);
  if (state.scenePoints->Count() < 4) {
    stopWith(ownedByMainWindow(kNotEnoughPoints, "Ошибка!",
                               fileNameOf(state.sceneFile) + ": " +
                                   std::to_string(state.scenePoints->Count()) +
                                   " reference points; at least 4 are needed"));
    return false;
  }
  state.imagePoints.clear();
  for (int j = 0; j < state.imageCount; ++j) {
    state.imagePoints.push_back(std::make_unique<VT_Points>(1));
  }
  for (int j = 0; j < state.imageCount; ++j) {
    const auto index = static_cast<std::size_t>(j);
    const std::string path = imagePath(state.imageFiles[index]);
    VT_Points& points = *state.imagePoints[index];
    status = ReadImagePoints(path, points, state.correctionTable, state.imageCentreX, state.imageCentreY,
                             separator);
    if (!status.ok) {
      stopWith(fromReader(status));
      return false;
    }
    if (points.Count() < 4) {
      stopWith(ownedByMainWindow(kNotEnoughPoints, "Ошибка!",
                                 path + ": " + std::to_string(points.Count()) +
                                     " measured points; at least 4 are needed (image " +
                                     std::to_string(j + 1) + ")"));
      return false;
    }
  }
  if (!CheckPointSpread()) {
    port.showMessage(ownedByMainWindow(
        "Реперные точки расположены слишком кучно. Достоверность результата низкая.", "Предупреждение!"));
  }
  return true;
}

bool ComputeCommand::CheckPointSpread() const {
  const double diagonal =
      std::sqrt(state.imageWidth * state.imageWidth + state.imageHeight * state.imageHeight);
  for (int i = 0; i < state.imageCount && static_cast<std::size_t>(i) < state.imagePoints.size(); ++i) {
    const VT_Points& points = *state.imagePoints[static_cast<std::size_t>(i)];
    double spread = 0.0;
    for (int j = 0; j < points.Count(); ++j) {
      for (int k = j; k < points.Count(); ++k) {
        const double dx = points.Get(j)->x - points.Get(k)->x;
        const double dy = points.Get(j)->y - points.Get(k)->y;
        const double distance = std::sqrt(dx * dx + dy * dy);
        if (distance > spread) {
          spread = distance;
        }
      }
    }
    if (0.5 * diagonal > spread) {
      return false;
    }
  }
  return true;
}

void ComputeCommand::launch() {
  progress = 0;
  view.setProgressMaximum(state.scenePoints->Count() - 3);
  view.setProgressPosition(0);
  state.doneCount = 0;
  view.setSignalText({});
  state.runResults->Clear();

  auto worker = StatFocThread::create(dispatcher, host, *state.scenePoints, state.imagePoints, separator);
  state.quadrupleWorker = worker;
  exitOfLast = worker->exitToken();
  last.stage = ComputeOutcome::Stage::Running;
  view.setComputeEnabled(false);
  try {
    worker->Resume();
  } catch (...) {
    last.stage = ComputeOutcome::Stage::Stopped;
    view.setComputeEnabled(true);
    throw;
  }
}

void ComputeCommand::Edit7Change(const std::string& text) {
  if (text != "1") {
    return;
  }
  try {
    const VT_Points& results = *state.runResults;
    const double count = results.Get(0)->x;
    if (std::fabs(count) < 0.1) {
      const std::string why =
          state.imageCount < 2
              ? "the list file names " + std::to_string(state.imageCount) +
                    " image(s); values need a pair of images"
              : "the run produced no individual value: no quadruple of reference points passed the angle and "
                "spacing tests in an admissible pair of images";
      port.showMessage(ownedByMainWindow("Неправильные входные данные! Измените параметры!", "Ошибка!", why));
      progress = 0;
      view.setProgressPosition(0);
      return;
    }
    if (state.processingMode == 2) {
      view.appendMemoLine("-------Результаты счёта-------");
      view.appendMemoLine("Среднее значение: " + formatFixed(results.Get(1)->x, separator));
      view.appendMemoLine("Отклонение: " + formatFixed(results.Get(2)->x, separator));
      view.appendMemoLine("Стандартное отклонение: " + formatFixed(results.Get(3)->x, separator));
      view.appendMemoLine("Общее количество используемых переборов:  " + formatGeneral(count, separator));
    }
    view.setFocalText(formatFixed(std::fabs(results.Get(1)->x), separator));
    if (count > 2) {
      view.setDeviationText(formatFixed(std::fabs(results.Get(2)->x), separator));
      view.setStandardDeviationText(formatFixed(std::fabs(results.Get(3)->x), separator));
    } else {
      view.setDeviationText("-");
      view.setStandardDeviationText("-");
    }
    state.resultSaved = false;
    view.setSaveEnabled(true);
    progress = 0;
    view.setProgressPosition(0);
  } catch (const std::exception& e) {
    // What the application's default error report would show for an error escaping the handler.
    port.showMessage({e.what(), "Kavo", {}, BoxOwner::MainWindow, BoxIcon::Error});
  }
}

} // namespace kavo
