#pragma once
#include "app/file_fields.h"
#include "app/run_result.h"
#include "estimator/focal_values.h"
#include "estimator/stat_foc_thread.h"

#include <string>

namespace kavo {

// The main window as the commands of src/app drive it: it shows what it is told and decides
// nothing. The desktop's window implements it with its controls; the command line without a
// window. Every call is made on the main thread.
class MainView {
public:
  virtual ~MainView() = default;

  // A file field (Edit6, Edit4, Edit1): the name it shows and the full path behind it.
  virtual void showFile(FileField field, const std::string& shownName, const std::string& fullPath) = 0;

  // Memo1, the results memo.
  virtual void clearMemo() = 0;
  virtual void appendMemoLine(const std::string& line) = 0;

  // ProgressBar1 (minimum 0).
  virtual void setProgressMaximum(int maximum) = 0;
  virtual void setProgressPosition(int position) = 0;

  // The result fields Edit5 (focal length), Edit8 (deviation) and Edit9 (standard deviation): the
  // texts of a result, or empty; beside them the refined focal length with its interval and the
  // warnings of the checks of the series (run_texts.h has their words).
  virtual void showResult(const RunResult& result) = 0;
  virtual void clearResult() = 0;
  // The refined focal length alone, of a run that gave no classic value: the classic fields keep
  // what they show.
  virtual void showRefined(const RunResult& result) { static_cast<void>(result); }

  // Button1 and N3 "Сохранить"; N10 and Button2 "Счет". The commands decide when (command_rules.h).
  virtual void setSaveEnabled(bool enabled) = 0;
  virtual void setComputeEnabled(bool enabled) = 0;
  // "Отчёт…".
  virtual void setReportEnabled(bool enabled) { static_cast<void>(enabled); }

  // The hidden signal field Edit7. When its text changes the window must call
  // ComputeCommand::Edit7Change with the new text (the desktop does it from the field's change
  // signal, so setting the same text again raises nothing).
  virtual void setSignalText(const std::string& text) = 0;

  // A status line for what the window otherwise keeps silent about, such as why a run ended
  // without a result; an empty text clears it.
  virtual void showStatus(const std::string& text) = 0;

  // The debug mode's distribution window, shown modally; returns how it was left and its final
  // numbers.
  virtual DistributionOutcome showDistribution(const FocalValues& values, double clipFactor, double mean,
                                               double deviation, double standardDeviation) = 0;
};

} // namespace kavo
