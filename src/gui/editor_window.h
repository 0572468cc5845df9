#pragma once
#include "editor/editor_document.h"

#include <QMainWindow>
#include <memory>
#include <string>

class QCloseEvent;
class QTableWidgetItem;

namespace Ui {
class TRedForm;
}

namespace kavo {

class UserPort;
class EditorCellDelegate;

// Kind codes of the data editor: the caller names the format, the editor never guesses it.
inline constexpr int kEditorScenePoints = 2;
inline constexpr int kEditorCamera = 5;

// The main window's double click on the camera field (kind 5) or the scene field (kind 2): creates a
// new data editor TRedForm, loads the file at path (empty: a new, untitled file) and shows the editor
// modally only when loading succeeded; returns when the editor has closed. A failed load has already
// told the user through the port. Every message box, question and save dialog goes through the port.
// The decimal separator is the one all data files use.
void openDataEditor(QWidget* owner, UserPort& port, const std::string& path, int kind, char decimalSeparator);

// The data editor window: a grid of text cells over an EditorDocument, which holds the cells,
// loads, runs the grid commands and validates the save. The window mirrors the document.
class TRedForm : public QMainWindow {
  Q_OBJECT

public:
  TRedForm(QWidget* owner, UserPort& port, char decimalSeparator);
  ~TRedForm() override;

  // Lays the window out for the kind and fills the grid; 1 when it may be shown, 0 after a failure
  // that the user has been told about (the window has then closed itself).
  int LoadFile(const std::string& path, int kind);
  // Places the window, before it is shown, centred over the owner's window and on its screen.
  void centreOver(const QWidget& owner);
  // Shows the window modally and returns when it has closed.
  void showModal();

  const EditorDocument& document() const { return document_; }
  bool modified() const { return document_.modified(); }

signals:
  void closed();

public slots:
  void N3Click();
  void N6Click();
  void ToolButton10Click();
  void ToolButton3Click();
  void ToolButton5Click();
  void ToolButton1Click();
  void ToolButton8Click();

protected:
  void closeEvent(QCloseEvent* event) override; // FormClose

private:
  void applyLayout();
  void refreshGrid();
  // The file's name in the title, marked with "*" while edits are unsaved.
  void refreshTitle();
  void commitOpenEditor();
  int currentDocumentRow() const;
  void StringGrid1CellChanged(QTableWidgetItem* item);

  std::unique_ptr<Ui::TRedForm> ui_;
  UserPort& port_;
  EditorDocument document_;
  EditorCellDelegate* delegate_ = nullptr;
  bool loadFailed_ = false;
  bool refreshing_ = false;
};

} // namespace kavo
