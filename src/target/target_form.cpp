#include "target/target_form.h"

#include "platform/number_text.h"
#include "target/target_drawing.h"

namespace kavo {

namespace {

// The locale's separator, or the other one of "." and ",", which cannot be mistaken in one number.
std::optional<double> millimetres(const std::string& text, char separator) {
  if (auto value = parseNumber(text, separator)) {
    return value;
  }
  return parseNumber(text, separator == ',' ? '.' : ',');
}

UserMessage box(const std::string& text, const std::string& detail, BoxIcon icon) {
  return {text, icon == BoxIcon::Error ? "Ошибка!" : "Мишень", detail, BoxOwner::Dialog, icon};
}

} // namespace

TargetFormCheck checkTargetForm(const TargetForm& form, char separator) {
  TargetFormCheck check;
  const auto refuse = [&check](const std::string& why) {
    check.refusal = box("Мишень не нарисована!", why, BoxIcon::Exclamation);
    return check;
  };
  check.target = {form.kind, form.columns, form.rows, 0.0};
  const auto pitch = millimetres(form.pitch, separator);
  if (!pitch) {
    return refuse(form.pitch.empty() ? "не задан шаг сетки мишени"
                                     : "шаг сетки мишени «" + form.pitch + "» — не число миллиметров");
  }
  check.target.pitch = *pitch;
  if (form.kind == detect::TargetKind::Charuco) {
    const auto marker = millimetres(form.markerSize, separator);
    if (!marker) {
      return refuse(form.markerSize.empty()
                        ? "не задана сторона маркера"
                        : "сторона маркера «" + form.markerSize + "» — не число миллиметров");
    }
    check.target.markerSize = *marker;
    const auto dictionary = detect::charucoDictionaryFromName(form.dictionary);
    if (!dictionary) {
      return refuse("неизвестный словарь маркеров «" + form.dictionary + "»");
    }
    check.target.dictionary = *dictionary;
  }
  if (const std::string problem = detect::targetSpecProblem(check.target); !problem.empty()) {
    return refuse(problem);
  }
  const auto paper = paperFromName(form.paper);
  if (!paper) {
    return refuse("лист «" + form.paper + "»: A4, A3, Letter или ШxВ в миллиметрах (не меньше 50x50)");
  }
  check.paper = *paper;
  if (const TargetPage page = layTargetPage(check.target, *paper); !page.refusal.empty()) {
    return refuse(page.refusal);
  }
  return check;
}

TargetWriteOutcome writeTargetOfForm(const TargetForm& form, UserPort& port, char separator,
                                     const std::string& folder) {
  TargetWriteOutcome outcome;
  const TargetFormCheck check = checkTargetForm(form, separator);
  if (check.refusal) {
    outcome.status = TargetWriteOutcome::Status::Refused;
    outcome.box = *check.refusal;
    port.showMessage(outcome.box);
    return outcome;
  }
  FileDialogRequest request;
  request.filter = "PDF (*.pdf)|*.pdf|SVG (*.svg)|*.svg";
  request.defaultExtension = "pdf";
  request.initialFolder = folder;
  request.proposedName = "target.pdf";
  request.askBeforeOverwrite = true;
  const auto chosen = port.chooseSaveFileOfKind(request);
  if (!chosen) {
    return outcome;
  }
  outcome.path = chosen->path;
  if (!targetPageFormat(outcome.path)) {
    outcome.path += chosen->filter == 1 ? ".svg" : ".pdf";
  }
  if (const std::string problem = writeTargetPage(check.target, check.paper, outcome.path);
      !problem.empty()) {
    outcome.status = TargetWriteOutcome::Status::Failed;
    outcome.box = box("Мишень не записана!", problem, BoxIcon::Error);
    port.showMessage(outcome.box);
    return outcome;
  }
  outcome.status = TargetWriteOutcome::Status::Written;
  return outcome;
}

} // namespace kavo
