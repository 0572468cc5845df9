#include "app/main_commands.h"

#include "app/abandon_text.h"
#include "app/command_rules.h"
#include "app/memo_lines.h"
#include "app/run_texts.h"
#include "app/settings_input.h"

#include <cmath>
#include <filesystem>
#include <system_error>

namespace kavo {

namespace {

FileDialogRequest pickerRequest(FileField field) {
  FileDialogRequest request;
  switch (field) {
  case FileField::Camera:
    request.filter = "Camera Files|*.cam|All Files|*.*";
    request.defaultExtension = "cam";
    request.proposedName = "Kalibr";
    break;
  case FileField::Scene:
    request.filter = "Coordinate Files (*.crd)|*.crd";
    request.defaultExtension = "*.crd";
    break;
  case FileField::List:
    request.filter = "List Files|*.lst|All Files|*.*";
    request.defaultExtension = "*.lst";
    break;
  }
  return request;
}

// The status line once a file is written: what was written and where.
std::string savedStatus(const std::string& path) {
  return "Результат сохранён: " + path;
}

std::string reportStatus(const std::string& path) {
  return "Отчёт записан: " + path;
}

std::string currentDirectory() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  return error ? std::string() : folder.string();
}

} // namespace

MainCommands::MainCommands(CalibrationState& state_, UserPort& port_, MainView& view_,
                           MainThreadDispatcher& dispatcher_, char decimalSeparator)
    : state(state_), port(port_), view(view_), dispatcher(dispatcher_), separator(decimalSeparator) {}

MainCommands::~MainCommands() {
  if (job) {
    job->detach();
  }
}

std::optional<std::string> MainCommands::chooseFile(FileField field) {
  FileDialogRequest request = pickerRequest(field);
  request.initialFolder = state.startDirectory; // emptied by the first pick
  return port.chooseOpenFile(request);
}

void MainCommands::takeFile(FileField field, const std::string& fullPath) {
  const std::string shown = applyPickedFile(state, field, fullPath);
  view.showFile(field, shown, fullPath);
  // The fields no longer show the result, so there is nothing left for Save or the closing
  // question: the next result replaces everything.
  state.shownResult.reset();
  view.clearResult();
  refreshCommands();
}

void MainCommands::typedFileName(FileField field, const std::string& fieldText) {
  std::string& stored = storedPath(state, field);
  const std::string rebuilt = keyUpPath(stored, fieldText);
  if (rebuilt != stored) {
    stored = rebuilt;
    view.showFile(field, fieldText, stored);
    refreshCommands();
  }
}

RunRequest MainCommands::request() const {
  RunRequest r;
  r.cameraFile = state.cameraFile;
  r.sceneFile = state.sceneFile;
  r.listFile = state.listFile;
  // Names in the list are read where the current directory is now: a file picked while the run reads
  // its images moves the current directory, not the run.
  r.imageFolder = imageFolder.empty() ? currentDirectory() : imageFolder;
  r.settings = settingsNumbers(state);
  r.minLineAngle = state.minLineAngle;
  r.minPointSpacing = state.minPointSpacing;
  r.decimalSeparator = separator;
  r.threads = threadCount;
  r.refine = refineOn;
  return r;
}

void MainCommands::showProgress(const RunProgress& p) {
  if (p.stage == RunStage::Classic) {
    if (p.total != progressMaximum) {
      progressMaximum = p.total;
      view.setProgressMaximum(p.total);
    }
    view.setProgressPosition(p.done);
    return;
  }
  // The refined fit after the classic stage: the status line says so and the bar fills once more,
  // over the same range.
  if (!refining) {
    refining = true;
    view.showStatus("Уточнение…");
  }
  view.setProgressPosition(static_cast<int>(std::lround(p.done / 100.0 * progressMaximum)));
}

RunHooks MainCommands::hooks() {
  RunHooks h;
  h.progress = [this](const RunProgress& p) { showProgress(p); };
  h.confirm = [this](const UserMessage& question) { return port.askYesNo(question); };
  h.warn = [this](const UserMessage& warning) { port.showMessage(warning); };
  h.listing = [this](const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
      view.appendMemoLine(line);
    }
  };
  h.distribution = [this](const FocalValues& values, const DistributionNumbers& opening) {
    return view.showDistribution(values, opening);
  };
  return h;
}

void MainCommands::startRun() {
  if (jobRunning) {
    // The files would be read again while the running job reads them.
    view.showStatus("Счёт уже выполняется: дождитесь его окончания или остановите его.");
    return;
  }
  view.showStatus({});
  view.clearMemo();
  state.doneCount = 0;
  view.clearRunSignal();
  handedOver.reset();
  refining = false;
  view.setProgressPosition(0);
  if (job) {
    job->detach();
  }
  jobRunning = true;
  refreshCommands();
  try {
    job = RunJob::start(dispatcher, request(), hooks(),
                        [this](RunResult result) { takeRunResult(std::move(result)); });
    exitOfLast = job->exit();
  } catch (const std::exception& e) {
    jobRunning = false;
    refreshCommands();
    port.showMessage({"Внутренняя ошибка! Проверьте входные данные.", "Отказ", e.what(), BoxOwner::MainWindow,
                      BoxIcon::Exclamation});
  }
}

void MainCommands::takeRunResult(RunResult result) {
  jobRunning = false;
  last = result;
  switch (result.status) {
  case RunStatus::Stopped:
    // Stopped before the computation: the reader's or the command's box (none after a "no").
    view.setProgressPosition(0);
    refreshCommands();
    if (!result.message.text.empty()) {
      port.showMessage(result.message);
    }
    return;
  case RunStatus::Abandoned:
    // The window stays silent; the status line says why.
    view.setProgressPosition(0);
    view.showStatus(abandonText(result.end));
    refreshCommands();
    return;
  case RunStatus::Done:
  case RunStatus::NoValue:
    break;
  }
  handedOver = std::move(result);
  refreshCommands();
  state.doneCount += 1;
  view.signalRunEnd(state.doneCount);
}

void MainCommands::showRunResult() {
  if (!handedOver) {
    return;
  }
  RunResult result = std::move(*handedOver);
  handedOver.reset();
  const RunFigures figures = runFigures(result);
  if (result.status == RunStatus::NoValue) {
    // The refined fit does not rest on the classic values: it is shown in its own field unless a
    // classic result of an earlier run is still shown (Save and the report still write that one).
    // A refined value shown so is the result Save, the report and the closing question then take.
    bool keep = false;
    if (result.assessment) {
      if (state.shownResult && hasClassicValue(*state.shownResult)) {
        view.showStatus(runFigures(*state.shownResult).statusLine);
      } else {
        view.showRefined(figures);
        view.showStatus(figures.statusLine);
        keep = figures.refined.status == RefinedStatus::Ok;
        if (!keep) {
          // The field no longer shows an earlier refined value: nothing of it is left to save.
          state.shownResult.reset();
          state.resultSaved = true;
        }
      }
    }
    port.showMessage(result.message);
    view.setProgressPosition(0);
    if (keep) {
      state.shownResult = std::move(result);
      state.resultSaved = false;
    }
    refreshCommands();
    return;
  }
  if (state.processingMode == 2) {
    for (const std::string& line : resultMemoLines(result, separator)) {
      view.appendMemoLine(line);
    }
  }
  state.shownResult = std::move(result);
  state.resultSaved = false;
  view.showResult(figures);
  // The checks of the series speak up where the user looks; nothing to say clears the line.
  view.showStatus(figures.statusLine);
  view.setProgressPosition(0);
  refreshCommands();
}

void MainCommands::requestStop() {
  if (job && jobRunning) {
    job->requestStop();
  }
}

SaveOutcome MainCommands::saveResult() {
  if (!saveAvailable()) {
    return {};
  }
  const SaveOutcome outcome = saveShownResult(state, port);
  if (outcome.status == SaveOutcome::Status::Written) {
    view.showStatus(savedStatus(outcome.path));
  }
  refreshCommands();
  return outcome;
}

ReportOutcome MainCommands::saveReport() {
  if (!reportAvailable()) {
    return {};
  }
  const ReportOutcome outcome = saveShownReport(state, port);
  if (outcome.status == ReportOutcome::Status::Written) {
    view.showStatus(reportStatus(outcome.path));
  }
  return outcome;
}

CameraExportOutcome MainCommands::exportCamera() {
  if (!exportAvailable()) {
    return {};
  }
  return exportShownCamera(state, port);
}

CloseDecision MainCommands::closeDecision() {
  const CloseDecision decision = askToSaveBeforeClosing(state, port);
  refreshCommands();
  return decision;
}

bool MainCommands::computeAvailable() const {
  return kavo::computeAvailable(state, jobRunning);
}

bool MainCommands::saveAvailable() const {
  return kavo::saveAvailable(state, jobRunning);
}

bool MainCommands::reportAvailable() const {
  return kavo::reportAvailable(state, jobRunning);
}

bool MainCommands::exportAvailable() const {
  return kavo::exportAvailable(state, jobRunning);
}

void MainCommands::refreshCommands() {
  view.setComputeEnabled(computeAvailable());
  view.setSaveEnabled(saveAvailable());
  view.setReportEnabled(reportAvailable());
  view.setExportEnabled(exportAvailable());
}

} // namespace kavo
