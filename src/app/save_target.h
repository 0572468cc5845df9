#pragma once
#include "platform/user_port.h"

#include <string>

namespace kavo {

// Where a save of the main window goes: the save dialog through the port, then, when the chosen
// file exists, the question whether to overwrite it. Used by "Сохранить" and "Отчёт…" alike.
struct SaveTarget {
  enum class Status {
    Chosen,    // write to path
    Cancelled, // the save dialog was cancelled
    Declined,  // the chosen file exists and the user declined to overwrite it
  };
  Status status = Status::Cancelled;
  std::string path; // the file chosen in the dialog (also when declined)
};

SaveTarget chooseSaveTarget(UserPort& port, const FileDialogRequest& request);

// The question whether to overwrite a file chosen in a save dialog, asked only when it exists: true
// when it does not or the user said yes.
bool overwriteAllowed(UserPort& port, const std::string& path);

} // namespace kavo
