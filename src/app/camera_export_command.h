#pragma once
#include "app/calibration_state.h"
#include "app/camera_export.h"
#include "platform/user_port.h"

#include <string>

namespace kavo {

// "Экспорт камеры…": the refined camera of the shown result in one of the formats other tools read,
// or the correction table made from its distortion, each a filter of the save dialog.

// The dialog's filters, in the order of CameraOutputKind.
std::string cameraExportFilter();

struct CameraExportOutcome {
  enum class Status {
    Written,      // the file was written
    NothingShown, // no result is shown: nothing asked
    NoCamera,     // the shown result gives no camera (no refined value): the box said why, no dialog
    Cancelled,    // the save dialog was cancelled
    Declined,     // the chosen file exists and the user declined to overwrite it
    Failed,       // refused (an input of the run) or the write failed; the box naming the file was shown
  };
  Status status = Status::NothingShown;
  CameraOutputKind kind = CameraOutputKind::OpenCv;
  std::string path;
  UserMessage box; // the box shown, when one was
};

// The save dialog through the port proposes "camera.yml" beside the list file; the filter chosen says
// the format. A file the run read is refused (it would replace an input of the result); an existing
// file is replaced only after a yes. Failures are shown in a box naming the file.
CameraExportOutcome exportShownCamera(const CalibrationState& state, UserPort& port);

} // namespace kavo
