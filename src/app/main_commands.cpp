#include "app/main_commands.h"

#include "app/command_rules.h"

namespace kavo {

namespace {

FileDialogRequest pickerRequest(FileField field) {
  FileDialogRequest request;
  switch (field) {
  case FileField::Camera:
    request.filter = "Camera Files|*.cam|All Files|*.*";
    request.defaultExtension = "cam";
    request.proposedName = "Kalibr";
    break;
  case FileField::Scene:
    request.filter = "Coordinate Files (*.crd)|*.crd";
    request.defaultExtension = "*.crd";
    break;
  case FileField::List:
    request.filter = "List Files|*.lst|All Files|*.*";
    request.defaultExtension = "*.lst";
    break;
  }
  return request;
}

} // namespace

MainCommands::MainCommands(CalibrationState& state_, UserPort& port_, MainView& view_,
                           MainThreadDispatcher& dispatcher, char decimalSeparator)
    : state(state_), port(port_), view(view_), command(state_, port_, view_, dispatcher, decimalSeparator) {
  command.setChangeObserver([this] { refreshCommands(); });
}

std::optional<std::string> MainCommands::chooseFile(FileField field) {
  FileDialogRequest request = pickerRequest(field);
  request.initialFolder = state.startDirectory; // emptied by the first pick
  return port.chooseOpenFile(request);
}

void MainCommands::takeFile(FileField field, const std::string& fullPath) {
  const std::string shown = applyPickedFile(state, field, fullPath);
  view.showFile(field, shown, fullPath);
  // The fields no longer show the result, so there is nothing left for Save or the closing
  // question: the next result replaces everything.
  state.shownResult.reset();
  view.clearResult();
  refreshCommands();
}

void MainCommands::EditKeyUp(FileField field, const std::string& fieldText) {
  std::string& stored = storedPath(state, field);
  const std::string rebuilt = keyUpPath(stored, fieldText);
  if (rebuilt != stored) {
    stored = rebuilt;
    view.showFile(field, fieldText, stored);
    refreshCommands();
  }
}

SaveOutcome MainCommands::SaveFocalLength() {
  if (!saveAvailable()) {
    return {};
  }
  const SaveOutcome outcome = saveShownResult(state, port);
  refreshCommands();
  return outcome;
}

ReportOutcome MainCommands::SaveReport() {
  if (!reportAvailable()) {
    return {};
  }
  return saveShownReport(state, port);
}

CloseDecision MainCommands::FormClose() {
  const CloseDecision decision = askToSaveBeforeClosing(state, port);
  refreshCommands();
  return decision;
}

bool MainCommands::computeAvailable() const {
  return kavo::computeAvailable(state, command.running());
}

bool MainCommands::saveAvailable() const {
  return kavo::saveAvailable(state, command.running());
}

bool MainCommands::reportAvailable() const {
  return kavo::reportAvailable(state, command.running());
}

void MainCommands::refreshCommands() {
  view.setComputeEnabled(computeAvailable());
  view.setSaveEnabled(saveAvailable());
  view.setReportEnabled(reportAvailable());
}

} // namespace kavo
