#include "app/result_save.h"

#include "app/run_texts.h"
#include "app/save_target.h"
#include "datafiles/camera_file.h"
#include "platform/number_text.h"
#include "platform/paths.h"

namespace kavo {

SaveOutcome saveShownResult(CalibrationState& state, UserPort& port) {
  SaveOutcome outcome;
  if (!state.shownResult) {
    return outcome;
  }
  const RunResult& result = *state.shownResult;
  // The line 4 to write, chosen before anything is asked: a refined value that does not exist is
  // refused outright rather than quietly replaced by the classic one.
  std::string focalLine =
      focalLengthLine(result.focalText, result.deviationText, result.standardDeviationText);
  if (state.saveRefinedValue) {
    const RefinedResult* refined = refinedOf(result);
    if (refined == nullptr) {
      outcome.status = SaveOutcome::Status::Failed;
      outcome.failure = {"Уточнённое значение не получено: сохранять нечего!", "Ошибка!",
                         refinedAbsenceText(result) +
                             " Классическое значение сохраняется, если в настройках снять «Сохранять "
                             "уточнённое значение».",
                         BoxOwner::MainWindow, BoxIcon::Error};
      port.showMessage(outcome.failure);
      return outcome;
    }
    const char sep = result.inputs.decimalSeparator;
    focalLine = refinedFocalLengthLine(
        formatFixed(refined->focal, sep), formatFixed(refined->standardError, sep),
        formatFixed(refined->intervalLow, sep), formatFixed(refined->intervalHigh, sep));
  }
  FileDialogRequest request;
  request.filter = "Parameters Files|*.cam|All Files|*.*";
  request.proposedName = proposedFocalFileName(result.cameraFile);
  const SaveTarget target = chooseSaveTarget(port, request);
  outcome.path = target.path;
  if (target.status != SaveTarget::Status::Chosen) {
    outcome.status = target.status == SaveTarget::Status::Cancelled ? SaveOutcome::Status::Cancelled
                                                                    : SaveOutcome::Status::Declined;
    return outcome;
  }
  const ReadStatus written = writeFocalLineCopy(result.cameraFile, target.path, focalLine);
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
