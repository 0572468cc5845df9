#pragma once
#include "app/calibration_state.h"
#include "app/compute_command.h"
#include "app/file_fields.h"
#include "app/main_view.h"
#include "app/result_save.h"
#include "app/run_report.h"
#include "platform/user_port.h"

#include <optional>
#include <string>

namespace kavo {

// The main window's commands besides the computation itself: the file fields, Save, the closing
// question and the enable rules. It owns the compute command and applies the rules again whenever
// a run starts or ends or the shown result changes, so the view only shows what it is told.
class MainCommands {
public:
  MainCommands(CalibrationState& state, UserPort& port, MainView& view, MainThreadDispatcher& dispatcher,
               char decimalSeparator);
  MainCommands(const MainCommands&) = delete;
  MainCommands& operator=(const MainCommands&) = delete;

  ComputeCommand& compute() { return command; }
  const ComputeCommand& compute() const { return command; }

  // The picker of a file field ("..."): its open dialog through the port; the chosen full path, or
  // nothing when cancelled.
  std::optional<std::string> chooseFile(FileField field);
  // A file picked, named on the command line or dropped: its full path is stored, the field shows
  // its name, and the shown result is cleared (Save has nothing to write until the next result).
  void takeFile(FileField field, const std::string& fullPath);
  // Edit6KeyUp, Edit4KeyUp, Edit1KeyUp: the field's text replaces the stored file name.
  void EditKeyUp(FileField field, const std::string& fieldText);

  // Save (Button1Click, N3Click, Ctrl+S); nothing while Save is unavailable.
  SaveOutcome SaveFocalLength();
  // "Отчёт…": the report of the shown result; nothing while it is unavailable.
  ReportOutcome SaveReport();
  // FormClose: whether the window may close now.
  CloseDecision FormClose();

  bool computeAvailable() const;
  bool saveAvailable() const;
  bool reportAvailable() const;
  // Tells the view which commands are available now.
  void refreshCommands();

private:
  CalibrationState& state;
  UserPort& port;
  MainView& view;
  ComputeCommand command;
};

} // namespace kavo
