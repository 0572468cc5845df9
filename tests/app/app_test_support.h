#pragma once
// The compute command's surroundings for the app tests: a main window that records what it was
// told, and the commands wired to it over a synthetic series in a fresh folder.
#include "app/main_commands.h"
#include "app/run_texts.h"
#include "platform/text_file.h"
#include "sample_series.h"
#include "scripted_user_port.h"
#include "synth/synthetic_series.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace kavo::testing {

using test::ScriptedUserPort;
using test::TempFolder;

class RecordingView final : public MainView {
public:
  MainCommands* commands = nullptr;
  std::string fileNames[3];
  std::string filePaths[3];
  std::vector<std::string> memo;
  int progressMaximum = 100;
  int progressPosition = 0;
  int highestPosition = 0;
  std::string focal = "old focal", deviation = "old deviation", stddev = "old stddev";
  std::string refined; // the refined field
  bool saveEnabled = false;
  bool computeEnabled = false;
  bool reportEnabled = false;
  bool exportEnabled = false;
  std::vector<int> signals; // every run end signalled, with its count
  std::string status;
  std::vector<std::string> statuses; // every status line shown, in order
  // Runs whenever the status line changes, on the main thread, as a user reacting to it would.
  std::function<void(const std::string&)> onStatus;
  int distributionsShown = 0;
  double distributionClip = 0.0, distributionMean = 0.0;
  DistributionOutcome distributionAnswer;

  void showFile(FileField field, const std::string& name, const std::string& path) override {
    fileNames[static_cast<int>(field)] = name;
    filePaths[static_cast<int>(field)] = path;
  }
  void clearMemo() override { memo.clear(); }
  void appendMemoLine(const std::string& line) override { memo.push_back(line); }
  void setProgressMaximum(int maximum) override { progressMaximum = maximum; }
  void setProgressPosition(int position) override {
    progressPosition = position;
    highestPosition = std::max(highestPosition, position);
  }
  void showResult(const RunFigures& f) override {
    refined = f.refinedFocalText;
    focal = f.focalText;
    deviation = f.deviationText;
    stddev = f.standardDeviationText;
  }
  void clearResult() override { focal = deviation = stddev = refined = ""; }
  void showRefined(const RunFigures& f) override { refined = f.refinedFocalText; }
  void setSaveEnabled(bool e) override { saveEnabled = e; }
  void setComputeEnabled(bool e) override { computeEnabled = e; }
  void setReportEnabled(bool e) override { reportEnabled = e; }
  void setExportEnabled(bool e) override { exportEnabled = e; }
  // As the desktop's hidden field: the first signal of a run shows its result.
  void signalRunEnd(int doneCount) override {
    signals.push_back(doneCount);
    if (doneCount == 1 && commands != nullptr) {
      commands->showRunResult();
    }
  }
  void showStatus(const std::string& t) override {
    status = t;
    statuses.push_back(t);
    if (onStatus) {
      onStatus(t);
    }
  }
  DistributionOutcome showDistribution(const FocalValues&, const DistributionNumbers& opening) override {
    ++distributionsShown;
    distributionClip = opening.clipFactor;
    distributionMean = opening.meanValue;
    return distributionAnswer;
  }
};

inline void writeLines(const std::string& path, const std::vector<std::string>& lines) {
  ASSERT_EQ(saveLines(path, lines), "");
}

inline std::vector<std::string> readLines(const std::string& path) {
  return loadLines(path).lines;
}

// The main window's commands wired to the doubles, over a synthetic series in a fresh folder whose
// three files have been picked.
struct Bench {
  explicit Bench(SynthOptions options = {}) {
    series = writeSyntheticSeries(folder.path(), options);
    commands.takeFile(FileField::Camera, series.cameraFile);
    commands.takeFile(FileField::Scene, series.sceneFile);
    commands.takeFile(FileField::List, series.listFile);
    commands.setImageFolder(folder.path());
    commands.setThreads(1);
    view.commands = &commands;
    // Sentinels: a test sees whether anything was shown since.
    view.focal = "old focal";
    view.deviation = "old deviation";
    view.stddev = "old stddev";
  }
  // Starts a run and serves its steps until its job has gone.
  void run() {
    commands.startRun();
    finish();
  }
  void finish() {
    if (auto exit = commands.runExit()) {
      ASSERT_TRUE(dispatcher.processUntil([&] { return exit->finished(); }, std::chrono::seconds(120)));
    }
  }
  // The last run that ended.
  const RunResult& last() const {
    static const RunResult none;
    return commands.lastRun() != nullptr ? *commands.lastRun() : none;
  }

  TempFolder folder;
  SynthSeries series;
  CalibrationState state;
  ScriptedUserPort port;
  RecordingView view;
  QueuedDispatcher dispatcher;
  MainCommands commands{state, port, view, dispatcher, '.'};
};

} // namespace kavo::testing
