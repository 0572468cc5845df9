#pragma once
#include "app/calibration_state.h"
#include "platform/user_port.h"

#include <string>

namespace kavo {

// Line 4 of the camera copy for a run's result: the three result fields, or with refinedValue the
// refined focal length with a comment saying so. Refused (a box to show) when the run has no such
// value.
struct FocalLine {
  std::string line;
  std::optional<UserMessage> refusal;
};
FocalLine focalLineOf(const RunResult& result, bool refinedValue);

// Writes the copy of the run's camera file (its lines as the run read them) with line 4 replaced, to
// path, atomically. Returns the box to show when it could not be written.
std::optional<UserMessage> writeCameraCopy(const RunResult& result, const std::string& path,
                                           const std::string& focalLine);

// How one Save ended.
struct SaveOutcome {
  enum class Status {
    Written,      // the copy was written; the result counts as saved
    NothingShown, // no result is shown: nothing to write, nothing asked
    Cancelled,    // the save dialog was cancelled
    Declined,     // the chosen file exists and the user declined to overwrite it
    Failed,       // the copy could not be written (or has no value to hold); failure was shown
  };
  Status status = Status::NothingShown;
  std::string path; // the file chosen in the dialog
  UserMessage failure;
};

// Save, the one road for the window's button, menu item and Ctrl+S: the save dialog through the port
// proposes the copy's name beside the camera file the shown result was computed with; an existing
// file is overwritten only after a yes; the copy is written atomically. resultSaved is set only once
// the file is written: a cancelled dialog, a declined overwrite or a failed write leave the result
// unsaved.
SaveOutcome saveShownResult(CalibrationState& state, UserPort& port);

// What the window does when it is about to close.
enum class CloseDecision { Close, KeepOpen };

// The closing question: with an unsaved result, "Сохранить результат?" with Да, Нет and Отмена. Да
// saves and closes only when the file was written; Нет closes; Отмена, Escape and the box's own close
// keep the window open with the result.
CloseDecision askToSaveBeforeClosing(CalibrationState& state, UserPort& port);

} // namespace kavo
