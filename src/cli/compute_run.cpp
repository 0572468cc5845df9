#include "cli/compute_run.h"

#include "app/memo_lines.h"
#include "app/result_save.h"
#include "app/run_report.h"
#include "cli/cli.h"
#include "cli/values_file.h"

#include <algorithm>
#include <ostream>

#ifdef KAVO_HAVE_GRAPH_PICTURE
#include "graph/distribution_export.h"
#endif

namespace kavo {

namespace {

// A bar on a terminal's error stream: the classic stage's steps, then the refined fit's percents.
class ProgressBar {
public:
  explicit ProgressBar(std::ostream& out) : err(out) {}
  ~ProgressBar() { end(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void show(const RunProgress& p) {
    if (p.done <= 0 || p.total <= 0) {
      return;
    }
    const int width = 40;
    const int filled = std::min(width, p.done * width / p.total);
    err << '\r' << '[' << std::string(static_cast<std::size_t>(filled), '#')
        << std::string(static_cast<std::size_t>(width - filled), '.') << "] "
        << (p.stage == RunStage::Refine ? "уточнение " : "") << p.done << '/' << p.total << std::flush;
    shown = true;
  }
  void end() {
    if (shown) {
      err << '\r' << std::string(60, ' ') << '\r' << std::flush;
      shown = false;
    }
  }

private:
  std::ostream& err;
  bool shown = false;
};

// The files the run writes from its values: the values themselves and the picture of their
// distribution.
std::vector<std::string> writeValueOutputs(const ComputeRequest& request, const FocalValues& values) {
  std::vector<std::string> problems;
  if (!request.valuesOut.empty()) {
    const std::string problem = writeValuesFile(request.valuesOut, values);
    if (!problem.empty()) {
      problems.push_back("значения не записаны: " + problem);
    }
  }
#ifdef KAVO_HAVE_GRAPH_PICTURE
  if (!request.histogramOut.empty()) {
    if (values.empty()) {
      problems.push_back("рисунок не записан: счёт не дал ни одного значения");
    } else {
      const double clip = request.run.settings.clipSigmaCount;
      const DistributionNumbers n = openingDistribution(values, clip);
      const std::string problem =
          exportDistributionPicture(request.histogramOut, values, clip, n.meanValue, n.deviation,
                                    n.standardDeviation, request.run.decimalSeparator);
      if (!problem.empty()) {
        problems.push_back("рисунок не записан: " + problem);
      }
    }
  }
#endif
  return problems;
}

// --save: the camera copy as the window's Save writes it, without a dialog (an existing file is
// replaced).
std::string saveCopy(const ComputeRequest& request, const RunResult& run) {
  if (!hasClassicValue(run)) {
    return "ничего не сохранено: результата нет";
  }
  const FocalLine focal = focalLineOf(run, request.saveRefinedValue);
  if (focal.refusal) {
    return focal.refusal->text + " " + focal.refusal->detail;
  }
  if (const auto failure = writeCameraCopy(run, request.saveTo, focal.line)) {
    return failure->text + " " + failure->detail;
  }
  return {};
}

} // namespace

ComputeResult runCompute(const ComputeRequest& request, const std::atomic<bool>& interrupted,
                         std::ostream& err) {
  ComputeResult result;
  ProgressBar bar(err);
  bool valuesSeen = false;
  std::vector<std::string> outputProblems;
  RunHooks hooks;
  hooks.shouldStop = [&interrupted] { return interrupted.load(); };
  if (request.progressBar) {
    hooks.progress = [&bar](const RunProgress& p) { bar.show(p); };
  }
  hooks.listing = [&result](const std::vector<std::string>& lines) {
    result.memo.insert(result.memo.end(), lines.begin(), lines.end());
  };
  if (!request.valuesOut.empty() || !request.histogramOut.empty()) {
    hooks.valuesReady = [&](const FocalValues& values) {
      valuesSeen = true;
      const auto problems = writeValueOutputs(request, values);
      outputProblems.insert(outputProblems.end(), problems.begin(), problems.end());
    };
  }
  result.run = computeRun(request.run, hooks);
  bar.end();
  const RunResult& run = result.run;
  if (run.status == RunStatus::Done && request.run.settings.processingMode == 2) {
    const auto block = resultMemoLines(run, request.run.decimalSeparator);
    result.memo.insert(result.memo.end(), block.begin(), block.end());
  }

  if (!valuesSeen && (!request.valuesOut.empty() || !request.histogramOut.empty())) {
    outputProblems.push_back("значения и рисунок не записаны: счёт не дошёл до значений");
  }
  if (!request.saveTo.empty()) {
    if (const std::string problem = saveCopy(request, run); !problem.empty()) {
      outputProblems.push_back(problem);
    }
  }
  const bool cancelled = wasCancelled(run);
  if (!request.reportOut.empty() && !cancelled) {
    // A run without a result is reported too: what it read and why it gave nothing.
    const ReportWriteResult written = writeRunReport(request.reportOut, run);
    if (!written.ok) {
      outputProblems.push_back(written.message + " " + written.detail);
    }
  }
  result.warnings = run.inputs.warnings;
  result.warnings.insert(result.warnings.end(), outputProblems.begin(), outputProblems.end());
  if (cancelled) {
    result.exitStatus = kExitCancelled;
  } else {
    result.exitStatus = hasClassicValue(run) && outputProblems.empty() ? kExitComputed : kExitNoResult;
  }
  return result;
}

} // namespace kavo
