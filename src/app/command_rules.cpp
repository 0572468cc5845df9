#include "app/command_rules.h"

#include "platform/paths.h"

namespace kavo {

bool computeAvailable(const CalibrationState& state, bool running) {
  // The fields show the file names without their folders; an empty name leaves a field empty.
  const bool filesNamed = !fileNameOf(state.cameraFile).empty() && !fileNameOf(state.sceneFile).empty() &&
                          !fileNameOf(state.listFile).empty();
  return filesNamed && !running;
}

bool saveAvailable(const CalibrationState& state, bool running) {
  return state.shownResult.has_value() && !state.resultSaved && !running;
}

bool reportAvailable(const CalibrationState& state, bool running) {
  return state.shownResult.has_value() && !running;
}

bool exportAvailable(const CalibrationState& state, bool running) {
  return reportAvailable(state, running);
}

} // namespace kavo
