#pragma once
#include "app/user_port.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

// The user port of the window tests: it answers from a script and records every box and dialog,
// so a test can say what the user saw and what he answered. A question or dialog the script did
// not expect is recorded as unexpected and answered "No" or "Cancel".
class ScriptedUserPort final : public kavo::UserPort {
public:
  struct Shown {
    enum class Kind { Message, Question, OpenDialog, SaveDialog } kind = Kind::Message;
    kavo::UserMessage message;
    kavo::FileDialogRequest request;
  };

  std::deque<bool> answers;                         // askYesNo, in order
  std::deque<kavo::Answer> threeWayAnswers;         // askYesNoCancel, in order
  std::deque<std::optional<std::string>> openFiles; // chooseOpenFile, in order
  std::deque<std::optional<std::string>> saveFiles; // chooseSaveFile, in order
  std::vector<Shown> shown;
  int unexpected = 0;

  void showMessage(const kavo::UserMessage& message) override {
    shown.push_back({Shown::Kind::Message, message, {}});
  }
  bool askYesNo(const kavo::UserMessage& question) override {
    shown.push_back({Shown::Kind::Question, question, {}});
    return take(answers, false);
  }
  kavo::Answer askYesNoCancel(const kavo::UserMessage& question) override {
    shown.push_back({Shown::Kind::Question, question, {}});
    return take(threeWayAnswers, kavo::Answer::Cancel);
  }
  std::optional<std::string> chooseOpenFile(const kavo::FileDialogRequest& request) override {
    shown.push_back({Shown::Kind::OpenDialog, {}, request});
    return take(openFiles, std::optional<std::string>{});
  }
  std::optional<std::string> chooseSaveFile(const kavo::FileDialogRequest& request) override {
    shown.push_back({Shown::Kind::SaveDialog, {}, request});
    return take(saveFiles, std::optional<std::string>{});
  }

  // The texts of the message boxes and questions shown so far, in order.
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const Shown& s : shown)
      if (s.kind == Shown::Kind::Message || s.kind == Shown::Kind::Question)
        out.push_back(s.message.text);
    return out;
  }
  void clear() { shown.clear(); }

private:
  template <typename T> T take(std::deque<T>& queue, T fallback) {
    if (queue.empty()) {
      ++unexpected;
      return fallback;
    }
    T value = queue.front();
    queue.pop_front();
    return value;
  }
};
