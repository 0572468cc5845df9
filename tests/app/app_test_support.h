#pragma once
// Doubles for the compute command's surroundings: a user port answered from a script, a main
// window that records what it was told, and a throw-away series folder.
#include "app/compute_command.h"
#include "cli/synthetic_series.h"
#include "platform/text_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace kavo::testing {

class ScriptedPort final : public UserPort {
public:
  std::vector<UserMessage> shown;
  std::vector<UserMessage> asked;
  bool answer = true;

  void showMessage(const UserMessage& m) override { shown.push_back(m); }
  bool askYesNo(const UserMessage& q) override {
    asked.push_back(q);
    return answer;
  }
  Answer askYesNoCancel(const UserMessage& q) override {
    asked.push_back(q);
    return answer ? Answer::Yes : Answer::No;
  }
  std::optional<std::string> chooseOpenFile(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> chooseSaveFile(const FileDialogRequest&) override { return std::nullopt; }
};

class RecordingView final : public MainView {
public:
  ComputeCommand* command = nullptr;
  std::vector<std::string> memo;
  int progressMaximum = 100;
  int progressPosition = 0;
  int highestPosition = 0;
  std::string focal = "old focal", deviation = "old deviation", stddev = "old stddev";
  bool saveEnabled = false;
  bool computeEnabled = true;
  std::string signal;
  std::string status;
  int distributionsShown = 0;
  double distributionClip = 0.0, distributionMean = 0.0;
  DistributionOutcome distributionAnswer;

  void clearMemo() override { memo.clear(); }
  void appendMemoLine(const std::string& line) override { memo.push_back(line); }
  void setProgressMaximum(int maximum) override { progressMaximum = maximum; }
  void setProgressPosition(int position) override {
    progressPosition = position;
    highestPosition = std::max(highestPosition, position);
  }
  void setFocalText(const std::string& t) override { focal = t; }
  void setDeviationText(const std::string& t) override { deviation = t; }
  void setStandardDeviationText(const std::string& t) override { stddev = t; }
  void setSaveEnabled(bool e) override { saveEnabled = e; }
  void setComputeEnabled(bool e) override { computeEnabled = e; }
  // As the desktop's field: a change of text raises the change handler.
  void setSignalText(const std::string& t) override {
    if (t != signal) {
      signal = t;
      if (command != nullptr) {
        command->Edit7Change(t);
      }
    }
  }
  void showStatus(const std::string& t) override { status = t; }
  DistributionOutcome showDistribution(const FocalValues&, double clipFactor, double mean, double,
                                       double) override {
    ++distributionsShown;
    distributionClip = clipFactor;
    distributionMean = mean;
    return distributionAnswer;
  }
};

class TempFolder {
public:
  TempFolder() {
    static int counter = 0;
    path = std::filesystem::temp_directory_path() /
           ("kavo-test-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string file(const std::string& name) const { return (path / name).string(); }
  std::filesystem::path path;
};

inline void writeLines(const std::string& path, const std::vector<std::string>& lines) {
  ASSERT_EQ(saveLines(path, lines), "");
}

inline std::vector<std::string> readLines(const std::string& path) {
  return loadLines(path).lines;
}

// A compute command wired to the doubles, over a synthetic series in a fresh folder.
struct Bench {
  explicit Bench(SynthOptions options = {}) {
    series = writeSyntheticSeries(folder.path.string(), options);
    state.cameraFile = series.cameraFile;
    state.sceneFile = series.sceneFile;
    state.listFile = series.listFile;
    command.setImageFolder(folder.path.string() + "/");
    command.setThreads(1);
    view.command = &command;
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
  ScriptedPort port;
  RecordingView view;
  QueuedDispatcher dispatcher;
  ComputeCommand command{state, port, view, dispatcher, '.'};
};

} // namespace kavo::testing
