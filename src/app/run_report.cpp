#include "app/run_report.h"

#include "app/save_target.h"
#include "estimator/estimator.h"
#include "platform/paths.h"

namespace kavo {

DistributionNumbers openingDistribution(const FocalValues& values, double clipFactor) {
  const Statistics s = unclippedStatistics(values);
  return {s.mean, clipFactor, s.deviation, s.standardDeviation};
}

ReportWriteResult writeRunReport(const std::string& path, const RunResult& result) {
  return writeReport(path, runReportInput(result, reportDateNow()));
}

namespace {

std::string proposedReportName(const CalibrationState& state, const RunResult& result) {
  const std::string base = state.listFile.empty() ? result.camera.file : state.listFile;
  const std::string name = fileNameOf(base);
  const std::size_t dot = name.rfind('.');
  return folderOf(base) + (dot == std::string::npos || dot == 0 ? name : name.substr(0, dot)) +
         "-report.html";
}

} // namespace

ReportOutcome saveShownReport(const CalibrationState& state, UserPort& port) {
  ReportOutcome outcome;
  if (!state.shownResult) {
    return outcome;
  }
  FileDialogRequest request;
  request.filter = "HTML Files|*.html|All Files|*.*";
  request.defaultExtension = "html";
  request.proposedName = proposedReportName(state, *state.shownResult);
  const SaveTarget target = chooseSaveTarget(port, request);
  outcome.path = target.path;
  if (target.status != SaveTarget::Status::Chosen) {
    outcome.status = target.status == SaveTarget::Status::Cancelled ? ReportOutcome::Status::Cancelled
                                                                    : ReportOutcome::Status::Declined;
    return outcome;
  }
  const ReportWriteResult written = writeRunReport(target.path, *state.shownResult);
  if (!written.ok) {
    outcome.status = ReportOutcome::Status::Failed;
    outcome.failure = {"Отчёт " + fileNameOf(target.path) + " не записан!", "Ошибка!", written.detail,
                       BoxOwner::MainWindow, BoxIcon::Error};
    port.showMessage(outcome.failure);
    return outcome;
  }
  outcome.status = ReportOutcome::Status::Written;
  return outcome;
}

} // namespace kavo
