#pragma once
#include "app/calibration_state.h"
#include "platform/user_port.h"

#include <string>

namespace kavo {

// How one Save ended.
struct SaveOutcome {
  enum class Status {
    Written,      // the copy was written; the result counts as saved
    NothingShown, // no result is shown: nothing to write, nothing asked
    Cancelled,    // the save dialog was cancelled
    Declined,     // the chosen file exists and the user declined to overwrite it
    Failed,       // the camera file could not be read or the copy not written; failure was shown
  };
  Status status = Status::NothingShown;
  std::string path; // the file chosen in the dialog
  UserMessage failure;
};

// Save (SaveFocalLength), the one road for the window's button, menu item and Ctrl+S and for
// kavo-cli --save: the save dialog through the port proposes the copy's name beside the camera file
// the shown result was computed with; an existing file is overwritten only after a yes; the copy is
// written atomically, line 4 holding the three shown texts, or with saveRefinedValue the refined focal
// length with a comment saying so (refused with a box when the run has no refined result). resultSaved is set
// only once the file is written: a cancelled dialog, a declined overwrite or a failed write leave the result
// unsaved.
SaveOutcome saveShownResult(CalibrationState& state, UserPort& port);

// What the window does when it is about to close.
enum class CloseDecision { Close, KeepOpen };

// The closing question (FormClose): with an unsaved result, "Сохранить результат?" with Да, Нет and
// Отмена. Да saves and closes only when the file was written; Нет closes; Отмена, Escape and the
// box's own close keep the window open with the result.
CloseDecision askToSaveBeforeClosing(CalibrationState& state, UserPort& port);

} // namespace kavo
