#include "cli/compute_run.h"

#include "app/memo_lines.h"
#include "app/result_save.h"
#include "app/run_report.h"
#include "app/run_texts.h"
#include "cli/cli.h"
#include "cli/compute_outputs.h"
#include "cli/values_file.h"
#include "graph/distribution_export.h"
#include "report/report_page.h"

#include <algorithm>
#include <ostream>

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

// The values: one per line in list order.
std::string writeValues(const ComputeRequest& request, const FocalValues& values, std::ostream& out) {
  if (request.valuesOut == "-") {
    writeValuesTo(out, values);
    return out.good() ? std::string() : "значения не записаны в стандартный вывод";
  }
  const std::string problem = writeValuesFile(request.valuesOut, values);
  return problem.empty() ? problem : "значения не записаны: " + problem;
}

// The picture of the values' distribution as the window shows it when it opens.
std::string writePicture(const ComputeRequest& request, const FocalValues& values) {
  if (values.empty()) {
    return "рисунок не записан: счёт не дал ни одного значения";
  }
  const double clip = request.run.settings.clipSigmaCount;
  const DistributionNumbers n = openingDistribution(values, clip);
  const std::string problem =
      exportDistributionPicture(request.histogramOut, values, clip, n.meanValue, n.deviation,
                                n.standardDeviation, request.run.decimalSeparator);
  return problem.empty() ? problem : "рисунок не записан: " + problem;
}

// --save: the camera copy as the window's Save writes it, without a dialog (an existing file is
// replaced).
std::string saveCopy(const ComputeRequest& request, const RunResult& run) {
  // Without a classic value the refined one is written, as the window's Save writes it.
  if (!hasClassicValue(run) && refinedOf(run) == nullptr) {
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

// --report: a run without a result is reported too (what it read and why it gave nothing).
std::string writeReportOf(const ComputeRequest& request, const RunResult& run, std::ostream& out) {
  if (request.reportOut == "-") {
    out << buildReportPage(runReportInput(run, reportDateNow()));
    return out.good() ? std::string() : "отчёт не записан в стандартный вывод";
  }
  const ReportWriteResult written = writeRunReport(request.reportOut, run);
  return written.ok ? std::string() : written.message + " " + written.detail;
}

} // namespace

ComputeResult runCompute(const ComputeRequest& request, const std::atomic<bool>& interrupted,
                         std::ostream& out, std::ostream& err) {
  ComputeResult result;
  ProgressBar bar(err);
  RunHooks hooks;
  hooks.shouldStop = [&interrupted] { return interrupted.load(); };
  if (request.progressBar) {
    hooks.progress = [&bar](const RunProgress& p) { bar.show(p); };
  }
  hooks.listing = [&result](const std::vector<std::string>& lines) {
    result.memo.insert(result.memo.end(), lines.begin(), lines.end());
  };
  result.run = computeRun(request.run, hooks);
  bar.end();
  const RunResult& run = result.run;
  if (run.status == RunStatus::Done && request.run.settings.processingMode == 2) {
    const auto block = resultMemoLines(run, request.run.decimalSeparator);
    result.memo.insert(result.memo.end(), block.begin(), block.end());
  }
  result.warnings = run.inputs.warnings;
  // A stopped run writes nothing, so that every output is as it was.
  if (wasCancelled(run)) {
    result.exitStatus = kExitCancelled;
    return result;
  }
  std::vector<std::string> problems;
  const std::string onInput = outputOnInput(request, run.inputs);
  const auto write = [&](const std::string& path, const std::string& problem) {
    if (problem.empty()) {
      result.written.push_back(path);
    } else {
      problems.push_back(problem);
    }
  };
  if (!onInput.empty()) {
    problems.push_back("ничего не записано: " + onInput);
  } else {
    if (!request.valuesOut.empty() || !request.histogramOut.empty()) {
      if (!run.values) {
        problems.push_back("значения и рисунок не записаны: счёт не дошёл до значений");
      } else {
        if (!request.valuesOut.empty()) {
          write(request.valuesOut, writeValues(request, *run.values, out));
        }
        if (!request.histogramOut.empty()) {
          write(request.histogramOut, writePicture(request, *run.values));
        }
      }
    }
    if (!request.saveTo.empty()) {
      write(request.saveTo, saveCopy(request, run));
    }
    if (!request.reportOut.empty()) {
      write(request.reportOut, writeReportOf(request, run, out));
    }
    for (const CameraOutputRequest& o : cameraOutputRequests(request.cameraOutputs)) {
      write(o.path, writeCameraOutputOf(o, run, out));
    }
  }
  result.warnings.insert(result.warnings.end(), problems.begin(), problems.end());
  result.exitStatus = hasClassicValue(run) && problems.empty() ? kExitComputed : kExitNoResult;
  return result;
}

} // namespace kavo
