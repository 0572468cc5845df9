#include "cli/compute_report.h"

#include "app/run_texts.h"

#include <nlohmann/json.hpp>

#include <ostream>

namespace kavo {

namespace {

std::optional<std::string> nonEmpty(const std::string& text) {
  return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

void takeMessage(ComputeReport& r, const UserMessage& m) {
  if (!m.text.empty()) {
    r.message = m.text;
    r.caption = m.caption;
    r.detail = nonEmpty(m.detail);
  }
}

template <typename T> nlohmann::ordered_json orNull(const std::optional<T>& value) {
  return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

using Json = nlohmann::ordered_json;

Json pair(double a, double b) {
  return Json::array({a, b});
}

// "uncertainty": the classic mean's interval; null members when it could not be computed (the
// refined part's warnings say why).
Json uncertaintyJson(const RunResult& result) {
  Json j = Json::object();
  const ClassicUncertainty* u = classicIntervalOf(result);
  j["standardError"] = u != nullptr ? Json(u->standardError) : Json(nullptr);
  j["interval95"] = u != nullptr ? pair(u->intervalLow, u->intervalHigh) : Json(nullptr);
  j["method"] = u != nullptr ? Json(u->method) : Json(nullptr);
  return j;
}

// "refined": the refined fit and the checks of the series; a failed fit has its message, null
// numbers and no images or steps.
Json refinedJson(const RunResult& result) {
  const RefinedResult* r = refinedOf(result);
  const auto number = [r](double RefinedResult::*field) {
    return r != nullptr ? Json(r->*field) : Json(nullptr);
  };
  Json j = Json::object();
  j["status"] = r != nullptr ? "ok" : "failed";
  j["message"] = r != nullptr ? Json(nullptr) : Json(refinedAbsenceText(result));
  j["focal"] = number(&RefinedResult::focal);
  j["standardError"] = number(&RefinedResult::standardError);
  j["interval95"] = r != nullptr ? pair(r->intervalLow, r->intervalHigh) : Json(nullptr);
  j["principalPoint"] = r != nullptr ? pair(r->principalPointX, r->principalPointY) : Json(nullptr);
  j["distortion"] = r != nullptr ? Json{{"k1", r->k1}, {"k2", r->k2}} : Json(nullptr);
  j["tiltDegrees"] = number(&RefinedResult::tiltDegrees);
  j["reprojectionRms"] = number(&RefinedResult::reprojectionRms);
  Json images = Json::array();
  Json steps = Json::array();
  if (r != nullptr) {
    for (const ImageFit& f : r->images) {
      // An image the fit had to leave out has no residuals to speak of.
      images.push_back({{"image", f.image}, {"rms", f.used ? Json(f.rms) : Json(nullptr)}});
    }
    for (const StepCheck& s : r->steps) {
      steps.push_back(
          {{"after", s.after}, {"stated", s.stated}, {"measured", s.measured}, {"suspect", s.suspect}});
    }
  }
  j["images"] = std::move(images);
  j["steps"] = std::move(steps);
  j["warnings"] = assessmentWarnings(result);
  return j;
}

// The lines of the refined fit and the classic interval, and the warnings of the checks; nothing when
// the run did not go on to the fit.
void printRefined(const RunResult& result, std::ostream& out, std::ostream& err) {
  if (!result.assessment) {
    return;
  }
  if (classicIntervalOf(result) != nullptr) {
    out << "95 % интервал классического результата: " << classicIntervalText(result) << '\n';
  }
  if (refinedOf(result) != nullptr) {
    out << "Уточнённое фокусное расстояние (пикс.): " << refinedFocalText(result)
        << ", 95 % интервал: " << refinedIntervalText(result) << '\n';
  } else {
    out << "Уточнённое фокусное расстояние: не вычислено. " << refinedAbsenceText(result) << '\n';
  }
  for (const std::string& w : assessmentWarnings(result)) {
    err << "Предупреждение: " << w << '\n';
  }
}

} // namespace

ComputeReport reportOf(const ComputeOutcome& outcome, const CalibrationState& state) {
  ComputeReport r;
  r.warnings = outcome.warnings;
  r.valueCount = runValueCount(*state.runResults);
  switch (outcome.stage) {
  case ComputeOutcome::Stage::Done:
    r.status = "ok";
    r.result = state.shownResult;
    break;
  case ComputeOutcome::Stage::NoValue:
    r.status = "noResult";
    takeMessage(r, outcome.message);
    r.refinedOnly = outcome.refinedOnly;
    break;
  case ComputeOutcome::Stage::Abandoned:
    r.status = "abandoned";
    r.detail = abandonText(outcome.abandon);
    break;
  case ComputeOutcome::Stage::Idle:
  case ComputeOutcome::Stage::Stopped:
  case ComputeOutcome::Stage::Running:
    r.status = "stopped";
    r.valueCount = 0;
    takeMessage(r, outcome.message);
    break;
  }
  return r;
}

std::string toJson(const ComputeReport& r) {
  const std::optional<RunResult>& result = r.result;
  Json shown = Json::object();
  shown["focal"] = result ? Json(result->focalText) : Json(nullptr);
  shown["deviation"] = result ? Json(result->deviationText) : Json(nullptr);
  shown["stddev"] = result ? Json(result->standardDeviationText) : Json(nullptr);
  Json j = Json::object();
  j["status"] = r.status;
  j["message"] = orNull(r.message);
  j["caption"] = orNull(r.caption);
  j["detail"] = orNull(r.detail);
  j["warnings"] = r.warnings;
  j["valueCount"] = r.valueCount;
  j["meanValue"] = result ? Json(result->meanValue) : Json(nullptr);
  j["deviation"] = result ? Json(result->deviation) : Json(nullptr);
  j["standardDeviation"] = result ? Json(result->standardDeviation) : Json(nullptr);
  j["shown"] = std::move(shown);
  // The refined result beside the classic keys, which stay as they are: null when the run did not go
  // on to the refined fit. A run without a classic value has a refined fit all the same, and an
  // interval of the classic mean whose members are null.
  const RunResult* assessed = result ? &*result : (r.refinedOnly ? &*r.refinedOnly : nullptr);
  if (assessed != nullptr && !assessed->assessment) {
    assessed = nullptr;
  }
  j["uncertainty"] = assessed != nullptr ? uncertaintyJson(*assessed) : Json(nullptr);
  j["refined"] = assessed != nullptr ? refinedJson(*assessed) : Json(nullptr);
  // A file name given on the command line need not be valid UTF-8: it is shown, not refused.
  return j.dump(1, ' ', false, Json::error_handler_t::replace) + "\n";
}

void printSummary(const ComputeReport& r, std::ostream& out, std::ostream& err) {
  for (const auto& w : r.warnings) {
    err << "Предупреждение: " << w << '\n';
  }
  if (r.result) {
    const RunResult& result = *r.result;
    out << "Фокусное расстояние (пикс.): " << result.focalText << '\n'
        << "Среднеквадратическое отклонение: " << result.deviationText << '\n'
        << "Стандартное отклонение: " << result.standardDeviationText << '\n'
        << "Количество значений: " << result.valueCount << '\n';
    printRefined(result, out, err);
    return;
  }
  if (r.message) {
    err << r.caption.value_or("Ошибка!") << ' ' << *r.message << '\n';
  } else if (r.status == "abandoned") {
    err << "Счёт закончен без результата.\n";
  }
  if (r.detail) {
    err << "  " << *r.detail << '\n';
  }
  if (r.refinedOnly) {
    printRefined(*r.refinedOnly, out, err);
  }
}

} // namespace kavo
