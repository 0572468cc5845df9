#pragma once
#include "app/user_port.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace kavo::test {

// A user port answered from a script: yes/no answers and save dialog choices are taken in order;
// every box shown and every dialog request is recorded. Running out of answers is a test failure,
// recorded as such, and answers No or Cancel.
class ScriptedPort : public UserPort {
public:
  std::deque<bool> yesNoAnswers;
  std::deque<std::optional<std::string>> saveAnswers;

  std::vector<UserMessage> messages;
  std::vector<UserMessage> questions;
  std::vector<FileDialogRequest> saveRequests;
  int unexpected = 0;

  void showMessage(const UserMessage& message) override { messages.push_back(message); }

  bool askYesNo(const UserMessage& question) override {
    questions.push_back(question);
    if (yesNoAnswers.empty()) {
      ++unexpected;
      return false;
    }
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
  }

  std::deque<Answer> threeWayAnswers;

  Answer askYesNoCancel(const UserMessage& question) override {
    questions.push_back(question);
    if (threeWayAnswers.empty()) {
      ++unexpected;
      return Answer::Cancel;
    }
    const Answer answer = threeWayAnswers.front();
    threeWayAnswers.pop_front();
    return answer;
  }

  std::optional<std::string> chooseOpenFile(const FileDialogRequest&) override {
    ++unexpected;
    return std::nullopt;
  }

  std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override {
    saveRequests.push_back(request);
    if (saveAnswers.empty()) {
      ++unexpected;
      return std::nullopt;
    }
    auto answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
  }
};

} // namespace kavo::test
