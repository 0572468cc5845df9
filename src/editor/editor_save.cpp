#include "editor/editor_save.h"

#include "datafiles/camera_lines.h"
#include "datafiles/coordinate_files.h"
#include "datafiles/line_text.h"
#include "platform/cp1251.h"
#include "platform/number_text.h"
#include "platform/text_file.h"

namespace kavo {

namespace {

const char* const kApplicationTitle = "Kavo";
const char* const kCameraFailure = "Ошибка в калибровочных данных!";

constexpr int kCorrectionTableRow = 2;

EditorLines failed(const std::string& text, const std::string& detail) {
  EditorLines result;
  result.ok = false;
  result.failure = UserMessage{text, kApplicationTitle, detail, BoxOwner::Editor, BoxIcon::None};
  return result;
}

std::optional<std::string> unwritableReason(const std::string& text) {
  std::string error;
  if (!encodeCp1251(text, &error)) {
    return error.empty() ? std::string("текст нельзя записать в Windows-1251") : error;
  }
  return std::nullopt;
}

EditorLines pointListLines(const EditorDocument& document) {
  EditorLines result;
  const char separator = document.decimalSeparator();
  for (int r = 1; r < document.rowCount(); ++r) {
    const std::string& xText = document.cell(1, r);
    const std::string& yText = document.cell(2, r);
    std::string why;
    const auto x = numberOrReason(xText, separator, why);
    const auto y = x ? numberOrReason(yText, separator, why) : std::nullopt;
    if (!x || !y) {
      return failed("Ошибка в " + std::to_string(r) + "-й строке координат изображения!",
                    // The message is the one every point list has; the detail says which file it is.
                    "файл точек сцены " + document.displayName() + ", строка " + std::to_string(r) + ", " +
                        (x ? "y" : "x") + ": " + why);
    }
    result.lines.push_back(pointLine(*x, *y, separator));
  }
  return result;
}

EditorLines cameraLines(const EditorDocument& document) {
  EditorLines result;
  const auto& captions = cameraRowCaptions();
  for (int l = 0; l < static_cast<int>(kCameraFileLineCount); ++l) {
    const std::string& text = document.cell(1, l);
    const std::string where =
        document.displayName() + ", строка " + std::to_string(l + 1) + " («" + captions[l] + "»): ";
    std::string value;
    if (l == kCorrectionTableRow) {
      // The name without trailing blanks: the reader drops them, and keeping the one before " ; "
      // would add one more blank with every load and save.
      value = text.substr(0, text.find_last_not_of(' ') + 1);
      if (const std::string problem = cameraValueProblem(value); !problem.empty()) {
        return failed(kCameraFailure, where + quoted(value) + " не может быть именем файла: " + problem);
      }
      if (const auto reason = unwritableReason(value)) {
        return failed(kCameraFailure, where + *reason);
      }
    } else {
      const auto normal = NormalizeNumber(text, document.decimalSeparator());
      if (!normal) {
        std::string why;
        numberOrReason(text, document.decimalSeparator(), why);
        return failed(kCameraFailure, where + why);
      }
      value = *normal;
    }
    result.lines.push_back(cameraFileLine(static_cast<std::size_t>(l), value));
  }
  if (const auto& exif = document.exifFocalLength()) {
    result.lines.push_back(exifFocalLengthLine(formatGeneral(*exif, document.decimalSeparator())));
  }
  return result;
}

} // namespace

std::optional<std::string> NormalizeNumber(const std::string& text, char decimalSeparator) {
  if (text.empty() || text == " ") {
    return std::string();
  }
  const auto value = parseNumber(text, decimalSeparator);
  if (!value) {
    return std::nullopt;
  }
  return formatGeneral(*value, decimalSeparator);
}

EditorLines buildEditorLines(const EditorDocument& document) {
  return document.isPointList() ? pointListLines(document) : cameraLines(document);
}

FileDialogRequest editorSaveDialog(const EditorDocument& document) {
  FileDialogRequest request;
  if (document.isPointList()) {
    request.filter = "Coordinate Files|*.crd|All Files|*.*";
    request.defaultExtension = "*.crd";
  } else {
    request.filter = "Cam Files|*.cam|All Files|*.*";
    request.defaultExtension = "*.cam";
  }
  request.proposedName = document.filePath();
  request.askBeforeOverwrite = false;
  return request;
}

EditorSaveOutcome runEditorSave(EditorDocument& document, UserPort& port) {
  const EditorLines built = buildEditorLines(document);
  if (!built.ok) {
    port.showMessage(built.failure);
    return EditorSaveOutcome::Invalid;
  }
  const auto target = port.chooseSaveFile(editorSaveDialog(document));
  if (!target) {
    return EditorSaveOutcome::Cancelled;
  }
  const std::string error = saveLines(*target, built.lines);
  if (!error.empty()) {
    port.showMessage(UserMessage{"Ошибка записи файла!", "Ошибка!", *target + ": " + error, BoxOwner::Editor,
                                 BoxIcon::Error});
    return EditorSaveOutcome::WriteFailed;
  }
  document.savedAs(*target);
  return EditorSaveOutcome::Written;
}

bool confirmEditorClose(EditorDocument& document, UserPort& port) {
  if (!document.modified()) {
    return true;
  }
  // The editor owns its question; Cancel (also Escape and the box's close) keeps the edits open.
  const UserMessage question{"Данные не сохранены. Сохранить?", "Предупреждение", "", BoxOwner::Editor,
                             BoxIcon::None};
  switch (port.askYesNoCancel(question)) {
  case Answer::No:
    return true;
  case Answer::Cancel:
    return false;
  case Answer::Yes:
    break;
  }
  return runEditorSave(document, port) == EditorSaveOutcome::Written;
}

UserMessage editorLoadFailure(const EditorDocument& document) {
  return UserMessage{"Внутренняя ошибка. Обратитесь к разработчику.", "Ошибка!", document.failureDetail(),
                     BoxOwner::None, BoxIcon::None};
}

} // namespace kavo
