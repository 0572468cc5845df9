#pragma once
#include <optional>
#include <string>
#include <vector>

namespace kavo {

// Every message box, question and file dialog goes through this port. The desktop answers it with
// Qt dialogs, the command line without asking anybody, tests from a script.
// Dialog: the modal window on top (a box of the photo dialog), else the main window.
enum class BoxOwner { None, MainWindow, Editor, Dialog };
enum class BoxIcon { None, Information, Question, Warning, Error, Exclamation };
// The answer to a question that can also be put aside: Cancel keeps everything as it was.
enum class Answer { Yes, No, Cancel };

struct UserMessage {
  std::string text;
  std::string caption;
  std::string detail; // for people: file, line, what was wrong; shown as the box's detailed text
  BoxOwner owner = BoxOwner::None;
  BoxIcon icon = BoxIcon::None;
};

struct FileDialogRequest {
  std::string filter;           // "Camera Files|*.cam|All Files|*.*"
  std::string defaultExtension; // "cam" or "*.crd"
  std::string proposedName;     // full path or bare name, may be empty
  std::string initialFolder;    // empty: the current directory
  bool askBeforeOverwrite = false;
};

// A save dialog's answer when its filters name kinds of file: the file and the filter it was chosen
// under (its place among the request's filters, from 0).
struct SaveChoice {
  std::string path;
  int filter = 0;
};

class UserPort {
public:
  virtual ~UserPort() = default;
  // A box with one OK button.
  virtual void showMessage(const UserMessage& message) = 0;
  // A box with Yes and No; true for Yes.
  virtual bool askYesNo(const UserMessage& question) = 0;
  // A box with Yes, No and Cancel; Escape and the title-bar close answer Cancel.
  virtual Answer askYesNoCancel(const UserMessage& question) = 0;
  // Open and save dialogs; nothing when cancelled.
  virtual std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) = 0;
  // A save dialog whose filters are the kinds of file to write: nothing when cancelled.
  virtual std::optional<SaveChoice> chooseSaveFileOfKind(const FileDialogRequest& request) = 0;
  // An open dialog that takes several files at once: their full paths, none when cancelled.
  virtual std::vector<std::string> chooseOpenFiles(const FileDialogRequest& request) = 0;
  // A folder dialog (the filter is not used): the folder's full path, nothing when cancelled.
  virtual std::optional<std::string> chooseFolder(const FileDialogRequest& request) = 0;
};

} // namespace kavo
