#include "cli/compute_report.h"

#include "app/abandon_text.h"
#include "app/layout_advice.h"
#include "app/run_figures.h"
#include "cli/cli.h"
#include "platform/number_text.h"

#include <nlohmann/json.hpp>

#include <ostream>

namespace kavo {

namespace {

using Json = nlohmann::ordered_json;

Json textOrNull(const std::string& text) {
  return text.empty() ? Json(nullptr) : Json(text);
}

Json pair(const std::array<double, 2>& v) {
  return Json::array({v[0], v[1]});
}

// "uncertainty": the classic value's interval, about the value; null members when it could not be
// computed (the refined part's warnings say why).
Json uncertaintyJson(const RunFigures& f) {
  const ReportInterval& u = f.classic.uncertainty;
  Json j = Json::object();
  j["standardError"] = u.present ? Json(u.standardError) : Json(nullptr);
  j["interval95"] = u.present ? pair(u.interval95) : Json(nullptr);
  j["method"] = u.present ? Json(f.classicIntervalMethod) : Json(nullptr);
  return j;
}

// "classicCorrected": the classic estimate corrected for the shift of the classic formula in this
// geometry, with its interval about the true focal length; null members without a refined model.
Json correctedJson(const RunFigures& f) {
  const ReportCorrected& c = f.classic.corrected;
  const auto number = [&c](double value) { return c.present ? Json(value) : Json(nullptr); };
  Json j = Json::object();
  j["focal"] = number(c.focal);
  j["shift"] = number(c.shift);
  j["standardError"] = number(c.interval.standardError);
  j["interval95"] = c.present ? pair(c.interval.interval95) : Json(nullptr);
  j["method"] = c.present ? Json(f.classicCorrectedMethod) : Json(nullptr);
  return j;
}

// "refined": the refined fit and the checks of the series; a failed fit has its message, null
// numbers and no images or steps.
Json refinedJson(const RunFigures& f) {
  const ReportRefined& r = f.refined;
  const bool ok = r.status == RefinedStatus::Ok;
  const auto number = [ok](double value) { return ok ? Json(value) : Json(nullptr); };
  Json j = Json::object();
  j["status"] = ok ? "ok" : "failed";
  j["message"] = ok ? Json(nullptr) : Json(f.refinedAbsence);
  j["focal"] = number(r.focal);
  j["standardError"] = number(r.standardError);
  j["interval95"] = ok ? pair(r.interval95) : Json(nullptr);
  j["principalPoint"] = ok ? pair(r.principalPoint) : Json(nullptr);
  j["distortion"] = ok ? Json{{"k1", r.distortion.k1}, {"k2", r.distortion.k2}} : Json(nullptr);
  j["tiltDegrees"] = number(r.tiltDegrees);
  // The rail's direction only where the series determines it; null where it was held along the axis.
  j["railDegrees"] = ok && r.railKnown ? pair(r.railDegrees) : Json(nullptr);
  j["reprojectionRms"] = number(r.reprojectionRms);
  Json images = Json::array();
  for (const ReportImageFit& image : r.images) {
    // An image the fit had to leave out has no residuals to speak of.
    images.push_back({{"image", image.image}, {"rms", image.used ? Json(image.rms) : Json(nullptr)}});
  }
  Json steps = Json::array();
  for (const ReportRefinedStep& s : r.steps) {
    steps.push_back(
        {{"after", s.after}, {"stated", s.stated}, {"measured", s.measured}, {"suspect", s.suspect}});
  }
  j["images"] = std::move(images);
  j["steps"] = std::move(steps);
  // The stated accuracy of a step the intervals rest on; null where the steps showed their scatter.
  j["stepAccuracy"] = ok && r.stepAccuracyUsed ? Json(r.stepAccuracy) : Json(nullptr);
  j["warnings"] = f.checkWarnings;
  return j;
}

// The message of a run that stopped or gave no value; why an abandoned run ended.
struct Why {
  std::string message;
  std::string caption;
  std::string detail;
};

Why whyOf(const RunResult& run) {
  if (run.status == RunStatus::Abandoned) {
    return {{}, {}, abandonText(run.end)};
  }
  if (run.status == RunStatus::Done || run.message.text.empty()) {
    return {};
  }
  // The window's detail names its menu; here the options to change are named.
  const std::string detail =
      run.status == RunStatus::NoValue ? noValueDetail(run, SettingsPlace::CommandLine) : run.message.detail;
  return {run.message.text, run.message.caption, detail};
}

// "suggestedSettings": the settings under which a run without a value would give one; null otherwise.
Json suggestedSettingsJson(const RunResult& run) {
  if (run.status != RunStatus::NoValue || !run.layout || !run.layout->suggested) {
    return nullptr;
  }
  Json j = Json::object();
  j["minSpacingPercent"] = run.layout->minSpacingPercent;
  j["minAngleDegrees"] = run.layout->minAngleDegrees;
  return j;
}

// The lines of the refined fit and the classic interval, and the warnings of the checks; nothing when
// the run did not go on to the fit.
void printRefined(const RunResult& run, const RunFigures& f, std::ostream& out, std::ostream& err) {
  if (!run.assessment) {
    return;
  }
  if (f.classic.uncertainty.present) {
    out << "95 % интервал классического значения: " << f.classicIntervalText << '\n';
  }
  if (f.classic.corrected.present) {
    out << "Классическая оценка с поправкой на геометрию (пикс.): " << f.classicCorrectedText
        << ", 95 % интервал: " << f.classicCorrectedIntervalText << '\n';
  }
  if (f.refined.status == RefinedStatus::Ok) {
    out << "Уточнённое фокусное расстояние (пикс.): " << f.refinedFocalText
        << ", 95 % интервал: " << f.refinedIntervalText << '\n';
  } else {
    out << "Уточнённое фокусное расстояние: не вычислено. " << f.refinedAbsence << '\n';
  }
  for (const std::string& w : f.checkWarnings) {
    err << "Предупреждение: " << w << '\n';
  }
}

// The focal length the photos' EXIF gives, beside a result it was checked against.
void printExifFocal(const RunResult& run, std::ostream& out) {
  if (run.camera.exifFocalLength && (run.status == RunStatus::Done || run.status == RunStatus::NoValue)) {
    out << "Фокусное расстояние по EXIF (пикс.): "
        << formatFixed(*run.camera.exifFocalLength, run.inputs.decimalSeparator, 1) << '\n';
  }
}

} // namespace

const char* computeStatusName(RunStatus status) {
  switch (status) {
  case RunStatus::Done:
    return "ok";
  case RunStatus::NoValue:
    return "noResult";
  case RunStatus::Abandoned:
    return "abandoned";
  case RunStatus::Stopped:
    break;
  }
  return "stopped";
}

std::string toJson(const ComputeResult& result) {
  const RunResult& run = result.run;
  const RunFigures f = runFigures(run);
  const bool done = hasClassicValue(run);
  const Why why = whyOf(run);
  Json shown = Json::object();
  shown["focal"] = done ? Json(f.focalText) : Json(nullptr);
  shown["deviation"] = done ? Json(f.deviationText) : Json(nullptr);
  shown["stddev"] = done ? Json(f.standardDeviationText) : Json(nullptr);
  Json j = Json::object();
  j["status"] = computeStatusName(run.status);
  j["message"] = textOrNull(why.message);
  j["caption"] = textOrNull(why.caption);
  j["detail"] = textOrNull(why.detail);
  j["warnings"] = result.warnings;
  j["valueCount"] = run.status == RunStatus::Stopped ? 0 : run.valueCount;
  j["meanValue"] = done ? Json(run.meanValue) : Json(nullptr);
  j["deviation"] = done ? Json(run.deviation) : Json(nullptr);
  j["standardDeviation"] = done ? Json(run.standardDeviation) : Json(nullptr);
  j["shown"] = std::move(shown);
  // The focal length the photos' EXIF gives (the camera file's line 9), which the result was checked
  // against; only where the camera file has it.
  if (run.camera.exifFocalLength) {
    j["exifFocalLength"] = *run.camera.exifFocalLength;
  }
  // The refined result beside the classic keys, which stay as they are: null when the run did not go
  // on to the refined fit. A run without a classic value has a refined fit all the same, and an
  // interval of the classic mean whose members are null.
  j["uncertainty"] = run.assessment ? uncertaintyJson(f) : Json(nullptr);
  j["classicCorrected"] = run.assessment ? correctedJson(f) : Json(nullptr);
  j["refined"] = run.assessment ? refinedJson(f) : Json(nullptr);
  j["suggestedSettings"] = suggestedSettingsJson(run);
  // The files the run wrote ("-" for standard output): none after a stop.
  j["written"] = result.written;
  j["schemaVersion"] = kJsonSchemaVersion;
  j["kavoVersion"] = KAVO_VERSION;
  // A file name given on the command line need not be valid UTF-8: it is shown, not refused.
  return j.dump(1, ' ', false, Json::error_handler_t::replace) + "\n";
}

void printSummary(const ComputeResult& result, std::ostream& out, std::ostream& err) {
  const RunResult& run = result.run;
  const RunFigures f = runFigures(run);
  for (const auto& w : result.warnings) {
    err << "Предупреждение: " << w << '\n';
  }
  if (hasClassicValue(run)) {
    out << "Фокусное расстояние (пикс.): " << f.focalText << '\n'
        << "Среднеквадратическое отклонение: " << f.deviationText << '\n'
        << "Стандартное отклонение: " << f.standardDeviationText << '\n'
        << "Количество значений: " << run.valueCount << '\n';
    printRefined(run, f, out, err);
    printExifFocal(run, out);
    return;
  }
  const Why why = whyOf(run);
  if (!why.message.empty()) {
    err << (why.caption.empty() ? std::string("Ошибка!") : why.caption) << ' ' << why.message << '\n';
  } else if (run.status == RunStatus::Abandoned) {
    err << "Счёт закончен без результата.\n";
  }
  if (!why.detail.empty()) {
    err << "  " << why.detail << '\n';
  }
  printRefined(run, f, out, err);
  printExifFocal(run, out);
}

} // namespace kavo
