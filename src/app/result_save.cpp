#include "app/result_save.h"

#include "datafiles/camera_file.h"
#include "datafiles/paths.h"

#include <filesystem>

namespace kavo {

SaveOutcome saveShownResult(CalibrationState& state, UserPort& port) {
  SaveOutcome outcome;
  if (!state.shownResult) {
    return outcome;
  }
  const RunResult& result = *state.shownResult;
  FileDialogRequest request;
  request.filter = "Parameters Files|*.cam|All Files|*.*";
  request.proposedName = proposedFocalFileName(result.cameraFile);
  const auto chosen = port.chooseSaveFile(request);
  if (!chosen) {
    outcome.status = SaveOutcome::Status::Cancelled;
    return outcome;
  }
  outcome.path = *chosen;
  std::error_code ignored;
  if (std::filesystem::exists(*chosen, ignored)) {
    const UserMessage question{"Файл " + fileNameOf(*chosen) + " уже существует. Перезаписать?",
                               "Предупреждение",
                               {},
                               BoxOwner::MainWindow,
                               BoxIcon::Question};
    if (!port.askYesNo(question)) {
      outcome.status = SaveOutcome::Status::Declined;
      return outcome;
    }
  }
  const ReadStatus written = writeFocalLengthCopy(result.cameraFile, *chosen, result.focalText,
                                                  result.deviationText, result.standardDeviationText);
  if (!written.ok) {
    outcome.status = SaveOutcome::Status::Failed;
    outcome.failure = {"Ошибка записи cam-файла!", "Ошибка!", written.detail, BoxOwner::MainWindow,
                       BoxIcon::Error};
    port.showMessage(outcome.failure);
    return outcome;
  }
  state.resultSaved = true;
  outcome.status = SaveOutcome::Status::Written;
  return outcome;
}

CloseDecision askToSaveBeforeClosing(CalibrationState& state, UserPort& port) {
  if (state.resultSaved || !state.shownResult) {
    return CloseDecision::Close;
  }
  const UserMessage question{
      "Сохранить результат?", "Сохранение", {}, BoxOwner::MainWindow, BoxIcon::Question};
  switch (port.askYesNoCancel(question)) {
  case Answer::No:
    return CloseDecision::Close;
  case Answer::Yes:
    return saveShownResult(state, port).status == SaveOutcome::Status::Written ? CloseDecision::Close
                                                                               : CloseDecision::KeepOpen;
  case Answer::Cancel:
    break;
  }
  return CloseDecision::KeepOpen;
}

} // namespace kavo
