#include "cli/compute_report.h"

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
  using Json = nlohmann::ordered_json;
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
  // A file name given on the command line need not be valid UTF-8: it is shown, not refused.
  return j.dump(1, ' ', false, Json::error_handler_t::replace) + "\n";
}

void printSummary(const ComputeReport& r, std::ostream& out, std::ostream& err) {
  for (const auto& w : r.warnings) {
    err << "Предупреждение: " << w << '\n';
  }
  if (r.result) {
    out << "Фокусное расстояние (пикс.): " << r.result->focalText << '\n'
        << "Среднеквадратическое отклонение: " << r.result->deviationText << '\n'
        << "Стандартное отклонение: " << r.result->standardDeviationText << '\n'
        << "Количество значений: " << r.result->valueCount << '\n';
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
}

} // namespace kavo
