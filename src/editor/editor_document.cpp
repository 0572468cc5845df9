#include "editor/editor_document.h"

#include "datafiles/camera_lines.h"
#include "datafiles/coordinate_files.h"
#include "datafiles/line_text.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/text_file.h"

#include <algorithm>

namespace kavo {

namespace {

const std::string kEmpty;

// What the title says after the file name: the kind of data being edited.
std::string titleSuffix(int kind) {
  return kind == 2 ? " Реперные точки" : kind == 5 ? " Внутренняя геометрия" : "";
}

} // namespace

std::string editorDisplayName(const std::string& path) {
  return path.empty() ? std::string("Untitled") : fileNameOf(path);
}

const std::array<std::string, kCameraFileLineCount>& cameraRowCaptions() {
  static const std::array<std::string, kCameraFileLineCount> captions = {
      "Координата X центра изображения (пикс.)",
      "Координата Y центра изображения (пикс.)",
      "Таблица коррекции",
      "Фокусное расстояние (пикс.)",
      "Ширина изображения (пикс.)",
      "Высота изображения (пикс.)",
      "Координата X главной точки (пикс.)",
      "Координата Y главной точки (пикс.)",
  };
  return captions;
}

EditorDocument::EditorDocument(char decimalSeparator) : decimalSeparator_(decimalSeparator) {
  layout_.columnWidths = {64, 64};
  rows_.resize(2);
}

bool EditorDocument::isPointList() const {
  return fileKind_ != 5;
}

int EditorDocument::LoadFile(const std::string& path, int kind) {
  fileKind_ = kind;
  filePath_ = path;
  displayName_ = editorDisplayName(path);
  modified_ = false;
  failureDetail_.clear();
  rows_.clear();
  exifFocalLength_.reset();

  if (kind == 2) {
    layout_ = EditorLayout{300, 500, displayName_ + titleSuffix(kind), 1, 3, {50, 100, 100}, 20, true};
    return loadPointList(path) ? 1 : 0;
  }
  if (kind == 5) {
    layout_ = EditorLayout{520, 290, displayName_ + titleSuffix(kind), 0, 2, {290, 200}, 24, false};
    return loadCamera(path) ? 1 : 0;
  }
  failureDetail_ = "редактор не знает вида файла " + std::to_string(kind);
  return 0;
}

void EditorDocument::savedAs(const std::string& path) {
  filePath_ = path;
  displayName_ = editorDisplayName(path);
  layout_.title = displayName_ + titleSuffix(fileKind_);
  modified_ = false;
}

bool EditorDocument::loadPointList(const std::string& path) {
  setRowCount(2);
  rows_[0][1] = "x";
  rows_[0][2] = "y";
  rows_[1][0] = "1";
  if (path.empty()) {
    return true;
  }
  const TextLines file = loadLines(path);
  if (!file.ok) {
    failureDetail_ = file.error;
    return false;
  }
  setRowCount(static_cast<int>(file.lines.size()) + 1);
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    // The same line rule as the program's reader, so the editor opens exactly the files it reads.
    std::string why;
    const auto point = readPointLine(file.lines[i], decimalSeparator_, why);
    if (!point) {
      failureDetail_ = lineAt(path, i) + why;
      return false;
    }
    Row& row = rows_[i + 1];
    row[0] = std::to_string(i + 1);
    row[1] = formatGeneral(point->first, decimalSeparator_);
    row[2] = formatGeneral(point->second, decimalSeparator_);
  }
  return true;
}

bool EditorDocument::loadCamera(const std::string& path) {
  const auto& captions = cameraRowCaptions();
  setRowCount(static_cast<int>(captions.size()));
  for (std::size_t l = 0; l < captions.size(); ++l) {
    rows_[l][0] = captions[l];
  }
  if (path.empty()) {
    return true;
  }
  const TextLines file = loadLines(path);
  if (!file.ok) {
    failureDetail_ = file.error;
    return false;
  }
  if (file.lines.size() < captions.size()) {
    failureDetail_ =
        path + ": в cam-файле " + lineCount(captions.size()) + ", а в этом " + lineCount(file.lines.size());
    return false;
  }
  // Camera values stay as the file has them, blanks included. Of the lines after the eighth only the
  // EXIF focal length is kept, as the program's reader reads it.
  for (std::size_t l = 0; l < captions.size(); ++l) {
    rows_[l][1] = cameraLineValue(file.lines[l]);
  }
  exifFocalLength_ = exifFocalLengthOf(file.lines, decimalSeparator_);
  return true;
}

const std::string& EditorDocument::cell(int column, int row) const {
  if (column < 0 || column >= kStoredColumns || row < 0 || row >= rowCount()) {
    return kEmpty;
  }
  return rows_[row][column];
}

void EditorDocument::setCell(int column, int row, std::string text) {
  if (column < 1 || column >= kStoredColumns || row < firstDataRow() || row >= rowCount()) {
    return;
  }
  rows_[row][column] = std::move(text);
}

void EditorDocument::setRowCount(int count) {
  rows_.resize(static_cast<std::size_t>(std::max(count, 0)));
}

int EditorDocument::clampToDataRow(int row) const {
  return std::clamp(row, 1, std::max(rowCount() - 1, 1));
}

void EditorDocument::moveValues(int fromRow, int toRow) {
  for (int c = 1; c < kStoredColumns; ++c) {
    rows_[toRow][c] = cell(c, fromRow);
  }
}

void EditorDocument::emptyValues(int row) {
  for (int c = 1; c < kStoredColumns; ++c) {
    rows_[row][c].clear();
  }
}

void EditorDocument::insertRow(int currentRow) {
  if (!isPointList()) {
    return;
  }
  if (rowCount() <= 1) {
    // No data row to insert before: the new empty row is the first one.
    appendRow();
    return;
  }
  const int current = clampToDataRow(currentRow);
  setRowCount(rowCount() + 1);
  for (int r = rowCount() - 1; r > current; --r) {
    moveValues(r - 1, r);
    rows_[r][0] = std::to_string(r);
  }
  emptyValues(current);
  modified_ = true;
}

void EditorDocument::appendRow() {
  if (!isPointList()) {
    return;
  }
  const int n = rowCount();
  setRowCount(n + 1);
  rows_[n][0] = std::to_string(n);
  emptyValues(n);
  modified_ = true;
}

void EditorDocument::deleteRow(int currentRow) {
  if (!isPointList()) {
    return;
  }
  if (rowCount() <= 2) {
    // The last data row is emptied, never removed.
    if (rowCount() == 2) {
      emptyValues(1);
    }
  } else {
    const int current = clampToDataRow(currentRow);
    // The last row takes the empty text from beyond the grid, then goes.
    for (int r = current; r <= rowCount() - 1; ++r) {
      moveValues(r + 1, r);
    }
    setRowCount(rowCount() - 1);
  }
  modified_ = true;
}

void EditorDocument::clearRows() {
  if (!isPointList()) {
    return;
  }
  setRowCount(2);
  rows_[1][0] = "1";
  emptyValues(1);
  modified_ = true;
}

} // namespace kavo
