#include "app/result_save.h"

#include "app/run_figures.h"
#include "app/save_target.h"
#include "datafiles/camera_file.h"
#include "datafiles/camera_lines.h"
#include "platform/number_text.h"

namespace kavo {

FocalLine focalLineOf(const RunResult& result, bool refinedValue) {
  const RunFigures f = runFigures(result);
  // Without a classic value the refined one is the result shown: it is what there is to write.
  if (!refinedValue && hasClassicValue(result)) {
    return {focalLengthLine(f.focalText, f.deviationText, f.standardDeviationText), std::nullopt};
  }
  // A refined value that does not exist is refused outright rather than quietly replaced by the
  // classic one.
  if (f.refined.status != RefinedStatus::Ok) {
    return {{},
            UserMessage{"Уточнённое значение не получено: сохранять нечего!", "Ошибка!",
                        hasClassicValue(result)
                            ? f.refinedAbsence + " Классическое значение сохраняется, если в настройках "
                                                 "снять «Сохранять уточнённое значение»."
                            : f.refinedAbsence,
                        BoxOwner::MainWindow, BoxIcon::Error}};
  }
  const char sep = result.inputs.decimalSeparator;
  return {refinedFocalLengthLine(formatFixed(f.refined.focal, sep), formatFixed(f.refined.standardError, sep),
                                 formatFixed(f.refined.interval95[0], sep),
                                 formatFixed(f.refined.interval95[1], sep)),
          std::nullopt};
}

std::optional<UserMessage> writeCameraCopy(const RunResult& result, const std::string& path,
                                           const std::string& focalLine) {
  const ReadStatus written = writeFocalLineCopy(result.camera.file, result.camera.lines, path, focalLine);
  if (written.ok) {
    return std::nullopt;
  }
  return UserMessage{"Ошибка записи cam-файла!", "Ошибка!", written.detail, BoxOwner::MainWindow,
                     BoxIcon::Error};
}

SaveOutcome saveShownResult(CalibrationState& state, UserPort& port) {
  SaveOutcome outcome;
  if (!state.shownResult) {
    return outcome;
  }
  const RunResult& result = *state.shownResult;
  // The line 4 to write, chosen before anything is asked.
  const FocalLine focal = focalLineOf(result, state.saveRefinedValue);
  if (focal.refusal) {
    outcome.status = SaveOutcome::Status::Failed;
    outcome.failure = *focal.refusal;
    port.showMessage(outcome.failure);
    return outcome;
  }
  FileDialogRequest request;
  request.filter = "Parameters Files|*.cam|All Files|*.*";
  request.proposedName = proposedFocalFileName(result.camera.file);
  const SaveTarget target = chooseSaveTarget(port, request);
  outcome.path = target.path;
  if (target.status != SaveTarget::Status::Chosen) {
    outcome.status = target.status == SaveTarget::Status::Cancelled ? SaveOutcome::Status::Cancelled
                                                                    : SaveOutcome::Status::Declined;
    return outcome;
  }
  if (const auto failure = writeCameraCopy(result, target.path, focal.line)) {
    outcome.status = SaveOutcome::Status::Failed;
    outcome.failure = *failure;
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
