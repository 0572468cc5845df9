#pragma once
#include "datafiles/camera_lines.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kavo {

// What the window needs to lay itself out for a kind.
struct EditorLayout {
  int windowWidth = 710;
  int windowHeight = 434;
  std::string title = "Редактор";
  int fixedRows = 1;             // 1: row 0 is the header of the point list; 0: camera rows
  int columnCount = 2;           // shown columns, column 0 included
  std::vector<int> columnWidths; // pixels, one per shown column
  int defaultRowHeight = 20;
  bool gridCommandsEnabled = true; // insert, append, delete, clear
};

// The data editor's grid as plain text cells, with loading and the four grid commands. The window
// shows it; nothing here knows about widgets. Cells are addressed (column, row) as on the grid; the
// grid stores a fourth column 3 that is never shown and that the row commands move along with the
// value columns.
class EditorDocument {
public:
  static constexpr int kStoredColumns = 4;
  using Row = std::array<std::string, kStoredColumns>;

  explicit EditorDocument(char decimalSeparator);

  // Lays the grid out for kind (2 scene point list, 5 camera geometry) and reads the file at path
  // unless it is empty. Returns 1 when the editor is ready to be shown, 0 after a failure; then
  // failureDetail() says which file and line and why.
  int LoadFile(const std::string& path, int kind);
  const std::string& failureDetail() const { return failureDetail_; }

  int fileKind() const { return fileKind_; }
  const std::string& filePath() const { return filePath_; }
  const std::string& displayName() const { return displayName_; }
  const EditorLayout& layout() const { return layout_; }
  char decimalSeparator() const { return decimalSeparator_; }
  bool isPointList() const;
  // The camera file's ninth line, the focal length its photos' EXIF gives, when it holds one: not
  // on the grid, but written back on save so that editing the camera does not lose it.
  const std::optional<double>& exifFocalLength() const { return exifFocalLength_; }

  bool modified() const { return modified_; }
  void setModified(bool value) { modified_ = value; }
  // The grid was written to path: it is now the file being edited, shown in the title and proposed
  // by the next save, and nothing is unsaved.
  void savedAs(const std::string& path);

  int rowCount() const { return static_cast<int>(rows_.size()); }
  int firstDataRow() const { return layout_.fixedRows; }
  // Empty text for a cell outside the grid, so callers need not check bounds.
  const std::string& cell(int column, int row) const;
  // Stores a user's edit of a value cell; column 0 and cells outside the grid are not editable.
  void setCell(int column, int row, std::string text);

  // Grid commands of the point list; each sets modified. currentRow is the row of the selected
  // cell; one outside the data rows is taken as the nearest data row. The camera layout has them
  // disabled, so there they change nothing.
  void insertRow(int currentRow);
  void appendRow();
  void deleteRow(int currentRow);
  void clearRows();

private:
  bool loadPointList(const std::string& path);
  bool loadCamera(const std::string& path);
  void setRowCount(int count);
  int clampToDataRow(int row) const;
  void moveValues(int fromRow, int toRow);
  void emptyValues(int row);

  char decimalSeparator_;
  int fileKind_ = 0;
  std::string filePath_;
  std::string displayName_;
  EditorLayout layout_;
  bool modified_ = false;
  std::vector<Row> rows_;
  std::optional<double> exifFocalLength_;
  std::string failureDetail_;
};

// The file name shown in the title: the text after the last "/" or "\"; "Untitled" for no path.
std::string editorDisplayName(const std::string& path);

// Captions of the eight camera rows, in file order.
const std::array<std::string, kCameraFileLineCount>& cameraRowCaptions();

} // namespace kavo
