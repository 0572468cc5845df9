#pragma once
// The compute command's surroundings for the app tests: a main window that records what it was
// told, and the commands wired to it over a synthetic series in a fresh folder.
#include "app/main_commands.h"
#include "app/run_texts.h"
#include "platform/text_file.h"
#include "sample_series.h"
#include "scripted_user_port.h"
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
  ComputeCommand* command = nullptr;
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
  std::string signal;
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
  void showResult(const RunResult& r) override {
    refined = refinedFocalText(r);
    focal = r.focalText;
    deviation = r.deviationText;
    stddev = r.standardDeviationText;
  }
  void clearResult() override { focal = deviation = stddev = refined = ""; }
  void showRefined(const RunResult& r) override { refined = refinedFocalText(r); }
  void setSaveEnabled(bool e) override { saveEnabled = e; }
  void setComputeEnabled(bool e) override { computeEnabled = e; }
  void setReportEnabled(bool e) override { reportEnabled = e; }
  // As the desktop's field: a change of text raises the change handler.
  void setSignalText(const std::string& t) override {
    if (t != signal) {
      signal = t;
      if (command != nullptr) {
        command->Edit7Change(t);
      }
    }
  }
  void showStatus(const std::string& t) override {
    status = t;
    statuses.push_back(t);
    if (onStatus) {
      onStatus(t);
    }
  }
  DistributionOutcome showDistribution(const FocalValues&, double clipFactor, double mean, double,
                                       double) override {
    ++distributionsShown;
    distributionClip = clipFactor;
    distributionMean = mean;
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
    command.setImageFolder(folder.path());
    command.setThreads(1);
    view.command = &command;
    // Sentinels: a test sees whether anything was shown since.
    view.focal = "old focal";
    view.deviation = "old deviation";
    view.stddev = "old stddev";
  }
  // Runs the command and, when it launched the worker, serves its steps until it has gone.
  void run() {
    command.N10Click();
    finish();
  }
  void finish() {
    if (auto exit = command.workerExit()) {
      ASSERT_TRUE(dispatcher.processUntil([&] { return exit->finished(); }, std::chrono::seconds(120)));
    }
  }

  TempFolder folder;
  SynthSeries series;
  CalibrationState state;
  ScriptedUserPort port;
  RecordingView view;
  QueuedDispatcher dispatcher;
  MainCommands commands{state, port, view, dispatcher, '.'};
  ComputeCommand& command = commands.compute();
};

} // namespace kavo::testing
