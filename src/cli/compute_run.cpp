#include "cli/compute_run.h"

#include "app/main_commands.h"
#include "app/run_report.h"
#include "cli/cli.h"
#include "cli/values_file.h"

#include <algorithm>
#include <chrono>
#include <ostream>

#ifdef KAVO_HAVE_GRAPH_PICTURE
#include "graph/distribution_export.h"
#endif

namespace kavo {

namespace {

// Nobody is asked anything: every question is answered "yes" (the command keeps what it went on
// past as warnings), and the save dialog answers with the file named by --save.
class CliPort final : public UserPort {
public:
  explicit CliPort(std::string saveTarget) : saveTo(std::move(saveTarget)) {}

  void showMessage(const UserMessage&) override {}
  bool askYesNo(const UserMessage&) override { return true; }
  Answer askYesNoCancel(const UserMessage&) override { return Answer::Yes; }
  std::optional<std::string> chooseOpenFile(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> chooseSaveFile(const FileDialogRequest&) override {
    return saveTo.empty() ? std::nullopt : std::optional<std::string>(saveTo);
  }
  std::vector<std::string> chooseOpenFiles(const FileDialogRequest&) override { return {}; }
  std::optional<std::string> chooseFolder(const FileDialogRequest&) override { return std::nullopt; }

private:
  std::string saveTo;
};

class CliView final : public MainView {
public:
  CliView(std::ostream& progressOut, bool bar) : err(progressOut), drawBar(bar) {}

  ComputeCommand* command = nullptr;
  std::vector<std::string> memo;

  void showFile(FileField, const std::string&, const std::string&) override {}
  void clearMemo() override { memo.clear(); }
  void appendMemoLine(const std::string& line) override { memo.push_back(line); }
  void setProgressMaximum(int maximum) override { progressMaximum = maximum; }
  void setProgressPosition(int position) override {
    if (drawBar && position > 0 && progressMaximum > 0) {
      const int width = 40;
      const int filled = std::min(width, position * width / progressMaximum);
      err << '\r' << '[' << std::string(static_cast<std::size_t>(filled), '#')
          << std::string(static_cast<std::size_t>(width - filled), '.') << "] " << position << '/'
          << progressMaximum << std::flush;
      barShown = true;
    }
  }
  void showResult(const RunResult&) override {}
  void clearResult() override {}
  void setSaveEnabled(bool) override {}
  void setComputeEnabled(bool) override {}
  void setSignalText(const std::string& t) override {
    if (t != signal) {
      signal = t;
      if (command != nullptr) {
        command->Edit7Change(t);
      }
    }
  }
  void showStatus(const std::string&) override {}
  // No window here: the numbers are taken as "OK" would take them from a window just opened.
  DistributionOutcome showDistribution(const FocalValues&, double, double mean, double dev,
                                       double sd) override {
    return {false, mean, dev, sd};
  }

  void endBar() {
    if (barShown) {
      err << '\r' << std::string(60, ' ') << '\r' << std::flush;
      barShown = false;
    }
  }

private:
  std::ostream& err;
  bool drawBar;
  bool barShown = false;
  int progressMaximum = 100;
  std::string signal;
};

// The files the run writes besides the report: the values and the picture of their distribution.
std::vector<std::string> writeRunOutputs(const ComputeRequest& request, const FocalValues& values) {
  std::vector<std::string> problems;
  if (!request.valuesOut.empty()) {
    const std::string problem = writeValuesFile(request.valuesOut, values);
    if (!problem.empty()) {
      problems.push_back("значения не записаны: " + problem);
    }
  }
#ifdef KAVO_HAVE_GRAPH_PICTURE
  if (!request.histogramOut.empty()) {
    if (values.empty()) {
      problems.push_back("рисунок не записан: счёт не дал ни одного значения");
    } else {
      const DistributionNumbers n = openingDistribution(values, request.settings.clipSigmaCount);
      const std::string problem =
          exportDistributionPicture(request.histogramOut, values, request.settings.clipSigmaCount,
                                    n.meanValue, n.deviation, n.standardDeviation, request.decimalSeparator);
      if (!problem.empty()) {
        problems.push_back("рисунок не записан: " + problem);
      }
    }
  }
#endif
  return problems;
}

// Why a run gave no focal length, for the report: the message and its detail as the command line
// prints them.
std::string noResultReason(const ComputeReport& r) {
  std::string reason = r.message.value_or("");
  if (r.detail) {
    reason += (reason.empty() ? "" : " (") + *r.detail + (reason.empty() ? "" : ")");
  }
  return reason.empty() ? "счёт не дал результата" : reason;
}

} // namespace

ComputeResult runCompute(const ComputeRequest& request, const std::atomic<bool>& interrupted,
                         std::ostream& out, std::ostream& err) {
  ComputeResult result;
  CalibrationState state;
  if (const auto refused = applySettings(state, request.settings)) {
    result.exitStatus = kExitBadArguments;
    result.refusedSettings = refused->text;
    return result;
  }

  CliPort port(request.saveTo);
  CliView view(err, request.progressBar);
  QueuedDispatcher dispatcher;
  MainCommands commands(state, port, view, dispatcher, request.decimalSeparator);
  ComputeCommand& command = commands.compute();
  view.command = &command;
  command.setThreads(request.threads);
  command.setImageFolder(imageFolderOfList(request.listFile));
  command.setRefine(request.refine);
  commands.takeFile(FileField::Camera, request.cameraFile);
  commands.takeFile(FileField::Scene, request.sceneFile);
  commands.takeFile(FileField::List, request.listFile);

  std::vector<std::string> outputProblems;
  bool valuesSeen = false;
  if (!request.valuesOut.empty() || !request.histogramOut.empty()) {
    command.setValuesObserver([&](const FocalValues& values) {
      valuesSeen = true;
      const auto problems = writeRunOutputs(request, values);
      outputProblems.insert(outputProblems.end(), problems.begin(), problems.end());
    });
  }

  command.N10Click();
  bool stopAsked = false;
  if (const auto exit = command.workerExit()) {
    while (!exit->finished()) {
      if (!stopAsked && interrupted.load()) {
        command.requestStop();
        stopAsked = true;
      }
      dispatcher.processOne(std::chrono::milliseconds(20));
    }
  }
  view.endBar();

  result.report = reportOf(command.outcome(), state);
  ComputeReport& r = result.report;
  if (!valuesSeen && (!request.valuesOut.empty() || !request.histogramOut.empty())) {
    outputProblems.push_back("значения и рисунок не записаны: счёт не дошёл до значений");
  }
  if (!request.saveTo.empty()) {
    const SaveOutcome saved = commands.SaveFocalLength();
    if (saved.status == SaveOutcome::Status::NothingShown) {
      outputProblems.push_back("ничего не сохранено: результата нет");
    } else if (saved.status == SaveOutcome::Status::Failed) {
      outputProblems.push_back(saved.failure.text + " " + saved.failure.detail);
    }
  }
  const ComputeOutcome& outcome = command.outcome();
  const bool cancelled = stopAsked && outcome.stage == ComputeOutcome::Stage::Abandoned &&
                         outcome.abandon.reason == AbandonReason::Cancelled;
  if (!request.reportOut.empty() && !cancelled) {
    // A run without a result is reported too: what it read and why it gave nothing.
    const ReportWriteResult written =
        state.shownResult ? writeRunReport(request.reportOut, *state.shownResult)
                          : writeRunReport(request.reportOut, command.inputs(), noResultReason(r),
                                           r.refinedOnly ? &*r.refinedOnly : nullptr);
    if (!written.ok) {
      outputProblems.push_back(written.message + " " + written.detail);
    }
  }
  r.warnings.insert(r.warnings.end(), outputProblems.begin(), outputProblems.end());

  if (cancelled) {
    result.exitStatus = kExitCancelled;
  } else {
    result.exitStatus = r.result && outputProblems.empty() ? kExitComputed : kExitNoResult;
  }

  if (!request.json && state.processingMode == 2) {
    for (const auto& line : view.memo) {
      out << line << '\n';
    }
  }
  return result;
}

} // namespace kavo
