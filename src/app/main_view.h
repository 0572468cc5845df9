#pragma once
#include "app/file_fields.h"
#include "app/run_figures.h"
#include "estimator/focal_values.h"
#include "graph/distribution_numbers.h"

#include <string>

namespace kavo {

// The main window as the commands of src/app drive it: it shows what it is told and decides
// nothing. The desktop's window implements it with its controls; tests record it. Every call is made
// on the main thread.
class MainView {
public:
  virtual ~MainView() = default;

  // A file field: the name it shows and the full path behind it.
  virtual void showFile(FileField field, const std::string& shownName, const std::string& fullPath) = 0;

  // The results memo of the debug mode.
  virtual void clearMemo() = 0;
  virtual void appendMemoLine(const std::string& line) = 0;

  // The progress bar (minimum 0).
  virtual void setProgressMaximum(int maximum) = 0;
  virtual void setProgressPosition(int position) = 0;

  // The result fields (focal length, deviation, standard deviation) with the refined focal length,
  // its interval and the warnings of the checks beside them; or empty.
  virtual void showResult(const RunFigures& figures) = 0;
  virtual void clearResult() = 0;
  // The refined focal length alone, of a run that gave no classic value: the classic fields keep
  // what they show.
  virtual void showRefined(const RunFigures& figures) { static_cast<void>(figures); }

  // "Сохранить", the computation ("Фокусное расстояние" and "Счет"), "Отчёт…". The commands decide
  // when (command_rules.h).
  virtual void setSaveEnabled(bool enabled) = 0;
  virtual void setComputeEnabled(bool enabled) = 0;
  virtual void setReportEnabled(bool enabled) { static_cast<void>(enabled); }
  // "Экспорт камеры…".
  virtual void setExportEnabled(bool enabled) { static_cast<void>(enabled); }

  // A run has handed its result over, the doneCount-th of this run: the window signals it and, on the
  // first, calls MainCommands::showRunResult.
  virtual void signalRunEnd(int doneCount) = 0;
  // A run starts: no result of it has been handed over yet.
  virtual void clearRunSignal() {}

  // A status line for what the window otherwise keeps silent about, such as why a run ended without
  // a result; an empty text clears it.
  virtual void showStatus(const std::string& text) = 0;

  // The debug mode's distribution window, shown modally; returns how it was left and its final
  // numbers.
  virtual DistributionOutcome showDistribution(const FocalValues& values,
                                               const DistributionNumbers& opening) = 0;
};

} // namespace kavo
