#include "cli/compute_run.h"

#include "app/compute_command.h"
#include "app/settings_units.h"
#include "datafiles/camera_file.h"
#include "datafiles/paths.h"
#include "estimator/estimator.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>

#ifdef KAVO_HAVE_GRAPH_PICTURE
#include "graph/distribution_export.h"
#endif

namespace kavo {

namespace {

// Nobody is asked anything: questions are answered "yes" and kept, with every box, for the report.
class CliPort final : public UserPort {
public:
  struct Event {
    UserMessage message;
    bool afterLaunch = false;
  };
  std::vector<Event> events;
  bool afterLaunch = false;

  void showMessage(const UserMessage& m) override { events.push_back({m, afterLaunch}); }
  bool askYesNo(const UserMessage& q) override {
    events.push_back({q, afterLaunch});
    return true;
  }
  Answer askYesNoCancel(const UserMessage& q) override {
    events.push_back({q, afterLaunch});
    return Answer::Yes;
  }
  std::optional<std::string> chooseOpenFile(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> chooseSaveFile(const FileDialogRequest&) override { return std::nullopt; }
};

class CliView final : public MainView {
public:
  CliView(std::ostream& progressOut, bool bar) : err(progressOut), drawBar(bar) {}

  ComputeCommand* command = nullptr;
  std::vector<std::string> memo;
  std::optional<std::string> focal, deviation, stddev;

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
  void setFocalText(const std::string& t) override { focal = t; }
  void setDeviationText(const std::string& t) override { deviation = t; }
  void setStandardDeviationText(const std::string& t) override { stddev = t; }
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

std::string writeValues(const std::string& path, const FocalValues& values) {
  const std::string temporary = path + ".part";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) {
      return path + ": cannot be written";
    }
    values.forEachPiece([&](const double* v, std::size_t n) {
      for (std::size_t i = 0; i < n; ++i) {
        file << shortestNumber(v[i]) << '\n';
      }
    });
    file.flush();
    if (!file) {
      std::remove(temporary.c_str());
      return path + ": writing failed";
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::remove(temporary.c_str());
    return path + ": " + ec.message();
  }
  return {};
}

std::optional<std::string> nonEmpty(const std::string& text) {
  return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

} // namespace

ComputeResult runCompute(const ComputeRequest& request, const std::atomic<bool>& interrupted,
                         std::ostream& out, std::ostream& err) {
  CalibrationState state;
  state.cameraFile = request.cameraFile;
  state.sceneFile = request.sceneFile;
  state.listFile = request.listFile;
  state.clipSigmaCount = request.clipSigma;
  state.minLineAngle = minLineAngleFromDegrees(request.minAngleDegrees);
  state.minPointSpacing = minPointSpacingFromPercent(request.minSpacingPercent);
  state.firstImageNumber = request.firstImage;
  state.secondImageNumber = request.secondImage;
  state.processingMode = request.mode;

  CliPort port;
  CliView view(err, request.progressBar);
  QueuedDispatcher dispatcher;
  ComputeCommand command(state, port, view, dispatcher, request.decimalSeparator);
  view.command = &command;
  command.setThreads(request.threads);
  command.setImageFolder(folderOf(request.listFile));

  std::vector<std::string> outputProblems;
  if (!request.valuesOut.empty() || !request.histogramOut.empty()) {
    command.setValuesObserver([&](const FocalValues& values) {
      if (!request.valuesOut.empty()) {
        const std::string problem = writeValues(request.valuesOut, values);
        if (!problem.empty()) {
          outputProblems.push_back("the values were not written: " + problem);
        }
      }
#ifdef KAVO_HAVE_GRAPH_PICTURE
      if (!request.histogramOut.empty()) {
        if (values.empty()) {
          outputProblems.push_back("no picture was written: the run produced no value");
        } else {
          const Statistics s = unclippedStatistics(values);
          const std::string problem =
              exportDistributionPicture(request.histogramOut, values, request.clipSigma, s.mean, s.deviation,
                                        s.standardDeviation, request.decimalSeparator);
          if (!problem.empty()) {
            outputProblems.push_back("the picture was not written: " + problem);
          }
        }
      }
#endif
    });
  }

  command.N10Click();
  port.afterLaunch = true;
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

  ComputeResult result;
  ComputeReport& r = result.report;
  const ComputeOutcome& outcome = command.outcome();
  const VT_Points& results = *state.runResults;
  std::size_t warningsEnd = port.events.size();
  switch (outcome.stage) {
  case ComputeOutcome::Stage::Done: {
    r.status = "ok";
    const int entries = results.Count();
    r.valueCount = entries > 0 ? static_cast<long long>(results.Get(0)->x) : 0;
    if (entries >= 4 && r.valueCount > 0) {
      r.meanValue = results.Get(1)->x;
      r.deviation = results.Get(2)->x;
      r.standardDeviation = results.Get(3)->x;
    }
    break;
  }
  case ComputeOutcome::Stage::Abandoned:
    r.status = "abandoned";
    r.detail = abandonText(outcome.abandon);
    r.valueCount = results.Count() > 0 ? static_cast<long long>(results.Get(0)->x) : 0;
    break;
  default:
    r.status = "stopped";
    if (!outcome.stopMessage.text.empty()) {
      r.message = outcome.stopMessage.text;
      r.caption = outcome.stopMessage.caption;
      r.detail = nonEmpty(outcome.stopMessage.detail);
      warningsEnd = port.events.empty() ? 0 : port.events.size() - 1;
    }
    break;
  }
  for (std::size_t i = 0; i < port.events.size(); ++i) {
    const auto& e = port.events[i];
    if (!e.afterLaunch && i < warningsEnd) {
      r.warnings.push_back(e.message.text);
    } else if (e.afterLaunch && !r.message) {
      // What the result display said instead of a result.
      r.message = e.message.text;
      r.caption = e.message.caption;
      r.detail = nonEmpty(e.message.detail);
    }
  }
  r.shownFocal = view.focal;
  r.shownDeviation = view.deviation;
  r.shownStddev = view.stddev;
  const bool computed = r.status == "ok" && view.focal.has_value();

  if (!request.saveTo.empty()) {
    if (computed) {
      const ReadStatus saved = writeFocalLengthCopy(request.cameraFile, request.saveTo, *view.focal,
                                                    *view.deviation, *view.stddev);
      if (!saved.ok) {
        outputProblems.push_back(saved.message + " " + saved.detail);
      }
    } else {
      outputProblems.push_back("nothing was saved: there is no result");
    }
  }
  r.warnings.insert(r.warnings.end(), outputProblems.begin(), outputProblems.end());

  if (stopAsked && outcome.stage == ComputeOutcome::Stage::Abandoned &&
      outcome.abandon.reason == AbandonReason::Cancelled) {
    result.exitStatus = 130;
  } else {
    result.exitStatus = computed && outputProblems.empty() ? 0 : 1;
  }

  if (!request.json && request.mode == 2) {
    for (const auto& line : view.memo) {
      out << line << '\n';
    }
  }
  return result;
}

} // namespace kavo
