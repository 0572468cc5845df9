#pragma once
#include "editor/editor_document.h"
#include "platform/user_port.h"

#include <optional>
#include <string>
#include <vector>

namespace kavo {

// The editor's lines for the file, or the validation message of the first value that cannot be
// written. Nothing is written unless every line was built.
struct EditorLines {
  bool ok = true;
  std::vector<std::string> lines;
  UserMessage failure;
};

// A camera number cell as it is written: nothing for an empty cell or a single blank, otherwise the
// number in the general form; no value when the text is not a number.
std::optional<std::string> NormalizeNumber(const std::string& text, char decimalSeparator);

// Builds the file's lines from the grid: "x ; y" per data row of a point list, the eight commented
// lines of a camera file. Validation fails on a value that does not convert and on text that cannot
// be written as it stands (no Windows-1251 form; a ";" or a line break in the correction table name).
EditorLines buildEditorLines(const EditorDocument& document);

// The save dialog of the kind, starting from the file that was loaded.
FileDialogRequest editorSaveDialog(const EditorDocument& document);

enum class EditorSaveOutcome { Written, Invalid, Cancelled, WriteFailed };

// The save command: validate, ask for the file, write it atomically. modified is cleared only when
// the file was written, so a failed or cancelled save keeps the edits marked as unsaved; a written
// file becomes the document's file (its title and the next save's proposal).
EditorSaveOutcome runEditorSave(EditorDocument& document, UserPort& port);

// The close question, owned by the editor, with Yes, No and Cancel. True when the window may close:
// nothing unsaved, the answer No, or a save that wrote the file. Cancel (Escape, the box's close) and
// a save that did not complete keep the window open.
bool confirmEditorClose(EditorDocument& document, UserPort& port);

// The message shown when LoadFile failed.
UserMessage editorLoadFailure(const EditorDocument& document);

} // namespace kavo
