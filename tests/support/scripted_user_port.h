#pragma once
// The user port of the tests: it answers from a script and records every box and dialog, so a test
// can say what the user saw and what he answered. A question or dialog the script did not expect is
// recorded as unexpected and answered "No", "Cancel" or with a cancelled dialog.
#include "platform/user_port.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kavo::test {

class ScriptedUserPort final : public UserPort {
public:
  struct Shown {
    enum class Kind {
      Message,
      Question,
      OpenDialog,
      SaveDialog,
      OpenFilesDialog,
      FolderDialog
    } kind = Kind::Message;
    UserMessage message;
    FileDialogRequest request;
  };
  using Kind = Shown::Kind;

  std::deque<bool> answers;                          // askYesNo, in order
  std::deque<Answer> threeWayAnswers;                // askYesNoCancel, in order
  std::deque<std::optional<std::string>> openFiles;  // chooseOpenFile, in order
  std::deque<std::optional<std::string>> saveFiles;  // chooseSaveFile, in order
  std::deque<std::optional<SaveChoice>> saveChoices; // chooseSaveFileOfKind, in order
  std::deque<std::vector<std::string>> fileLists;    // chooseOpenFiles, in order
  std::deque<std::optional<std::string>> folders;    // chooseFolder, in order
  std::vector<Shown> shown;
  int unexpected = 0;
  // Runs while a message box is up, to see what the user sees behind it.
  std::function<void(const UserMessage&)> onMessage;

  void showMessage(const UserMessage& message) override {
    shown.push_back({Kind::Message, message, {}});
    if (onMessage) {
      onMessage(message);
    }
  }
  bool askYesNo(const UserMessage& question) override {
    shown.push_back({Kind::Question, question, {}});
    return take(answers, false);
  }
  Answer askYesNoCancel(const UserMessage& question) override {
    shown.push_back({Kind::Question, question, {}});
    return take(threeWayAnswers, Answer::Cancel);
  }
  std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override {
    shown.push_back({Kind::OpenDialog, {}, request});
    return take(openFiles, std::optional<std::string>{});
  }
  std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override {
    shown.push_back({Kind::SaveDialog, {}, request});
    return take(saveFiles, std::optional<std::string>{});
  }
  std::optional<SaveChoice> chooseSaveFileOfKind(const FileDialogRequest& request) override {
    shown.push_back({Kind::SaveDialog, {}, request});
    return take(saveChoices, std::optional<SaveChoice>{});
  }
  std::vector<std::string> chooseOpenFiles(const FileDialogRequest& request) override {
    shown.push_back({Kind::OpenFilesDialog, {}, request});
    return take(fileLists, std::vector<std::string>{});
  }
  std::optional<std::string> chooseFolder(const FileDialogRequest& request) override {
    shown.push_back({Kind::FolderDialog, {}, request});
    return take(folders, std::optional<std::string>{});
  }

  // The boxes of one kind shown so far, in order.
  std::vector<UserMessage> boxes(Kind kind) const {
    std::vector<UserMessage> out;
    for (const Shown& s : shown)
      if (s.kind == kind)
        out.push_back(s.message);
    return out;
  }
  std::vector<UserMessage> messages() const { return boxes(Kind::Message); }
  std::vector<UserMessage> questions() const { return boxes(Kind::Question); }
  // The file and folder dialogs of one kind opened so far, in order.
  std::vector<FileDialogRequest> requests(Kind kind) const {
    std::vector<FileDialogRequest> out;
    for (const Shown& s : shown)
      if (s.kind == kind)
        out.push_back(s.request);
    return out;
  }
  std::vector<FileDialogRequest> saveRequests() const { return requests(Kind::SaveDialog); }
  // The texts of the message boxes and questions shown so far, in order.
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const Shown& s : shown)
      if (s.kind == Kind::Message || s.kind == Kind::Question)
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

} // namespace kavo::test
