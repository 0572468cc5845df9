#include "editor_window.h"

#include "editor/editor_save.h"
#include "platform/user_port.h"
#include "ui_editor_window.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QHeaderView>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>

namespace kavo {

// Keeps track of the cell editor that is open, so that a command can take its text into the
// document first: a save or a row move must not lose what the user is typing.
class EditorCellDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    openEditor_ = editor;
    return editor;
  }

  void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
    if (openEditor_ == editor) {
      openEditor_ = nullptr;
    }
    QStyledItemDelegate::destroyEditor(editor, index);
  }

  void commitOpenEditor() {
    if (QWidget* editor = openEditor_) {
      emit commitData(editor);
      emit closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
  }

private:
  mutable QPointer<QWidget> openEditor_;
};

namespace {

enum class Glyph { Insert, Append, Delete, Clear };

// Pictures of the grid commands, drawn so that they need no icon theme: a plus, an arrow down to a
// bar, a minus, a cross.
QIcon gridCommandIcon(Glyph glyph, const QColor& colour) {
  QPixmap picture(24, 24);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(colour, 2.5, Qt::SolidLine, Qt::RoundCap));
  switch (glyph) {
  case Glyph::Insert:
    painter.drawLine(QPointF(12, 5), QPointF(12, 19));
    painter.drawLine(QPointF(5, 12), QPointF(19, 12));
    break;
  case Glyph::Append:
    painter.drawLine(QPointF(12, 4), QPointF(12, 16));
    painter.drawLine(QPointF(7, 11), QPointF(12, 16));
    painter.drawLine(QPointF(17, 11), QPointF(12, 16));
    painter.drawLine(QPointF(4, 20), QPointF(20, 20));
    break;
  case Glyph::Delete:
    painter.drawLine(QPointF(5, 12), QPointF(19, 12));
    break;
  case Glyph::Clear:
    painter.drawLine(QPointF(6, 6), QPointF(18, 18));
    painter.drawLine(QPointF(18, 6), QPointF(6, 18));
    break;
  }
  return QIcon(picture);
}

void nameToolButton(QToolBar* bar, QAction* action, const char* name) {
  if (QWidget* button = bar->widgetForAction(action)) {
    button->setObjectName(QString::fromLatin1(name));
  }
}

} // namespace

TRedForm::TRedForm(QWidget* owner, UserPort& port, char decimalSeparator)
    : QMainWindow(owner), ui_(std::make_unique<Ui::TRedForm>()), port_(port), document_(decimalSeparator) {
  ui_->setupUi(this);
  // The tool buttons carry the names the rest of the program and its tests know them by.
  nameToolButton(ui_->ToolBar1, ui_->ToolButton10Action, "ToolButton10");
  nameToolButton(ui_->ToolBar2, ui_->ToolButton3Action, "ToolButton3");
  nameToolButton(ui_->ToolBar2, ui_->ToolButton5Action, "ToolButton5");
  nameToolButton(ui_->ToolBar2, ui_->ToolButton1Action, "ToolButton1");
  nameToolButton(ui_->ToolBar2, ui_->ToolButton8Action, "ToolButton8");
  ui_->ToolButton10Action->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  const QColor ink = palette().color(QPalette::ButtonText);
  ui_->ToolButton3Action->setIcon(QIcon::fromTheme("list-add", gridCommandIcon(Glyph::Insert, ink)));
  ui_->ToolButton5Action->setIcon(QIcon::fromTheme("go-bottom", gridCommandIcon(Glyph::Append, ink)));
  ui_->ToolButton1Action->setIcon(QIcon::fromTheme("list-remove", gridCommandIcon(Glyph::Delete, ink)));
  ui_->ToolButton8Action->setIcon(QIcon::fromTheme("edit-clear", gridCommandIcon(Glyph::Clear, ink)));

  delegate_ = new EditorCellDelegate(this);
  ui_->StringGrid1->setItemDelegate(delegate_);
  ui_->StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);

  connect(ui_->N3, &QAction::triggered, this, &TRedForm::N3Click);
  connect(ui_->N6, &QAction::triggered, this, &TRedForm::N6Click);
  connect(ui_->ToolButton10Action, &QAction::triggered, this, &TRedForm::ToolButton10Click);
  connect(ui_->ToolButton3Action, &QAction::triggered, this, &TRedForm::ToolButton3Click);
  connect(ui_->ToolButton5Action, &QAction::triggered, this, &TRedForm::ToolButton5Click);
  connect(ui_->ToolButton1Action, &QAction::triggered, this, &TRedForm::ToolButton1Click);
  connect(ui_->ToolButton8Action, &QAction::triggered, this, &TRedForm::ToolButton8Click);
  // Only a change of a cell's content marks the grid unsaved; moving around, Escape and typing a
  // cell's own value again leave it as it was.
  connect(ui_->StringGrid1, &QTableWidget::itemChanged, this, &TRedForm::StringGrid1CellChanged);
}

TRedForm::~TRedForm() = default;

int TRedForm::LoadFile(const std::string& path, int kind) {
  const int ready = document_.LoadFile(path, kind);
  applyLayout();
  refreshGrid();
  if (ready != 1) {
    port_.showMessage(editorLoadFailure(document_));
    loadFailed_ = true;
    close();
    return 0;
  }
  if (ui_->StringGrid1->rowCount() > 0) {
    ui_->StringGrid1->setCurrentCell(0, 1);
  }
  return 1;
}

void TRedForm::applyLayout() {
  const EditorLayout& layout = document_.layout();
  resize(layout.windowWidth, layout.windowHeight);
  refreshTitle();
  QTableWidget* grid = ui_->StringGrid1;
  grid->setColumnCount(layout.columnCount);
  for (int c = 0; c < layout.columnCount && c < static_cast<int>(layout.columnWidths.size()); ++c) {
    grid->setColumnWidth(c, layout.columnWidths[c]);
  }
  grid->verticalHeader()->setDefaultSectionSize(layout.defaultRowHeight);
  grid->horizontalHeader()->setVisible(layout.fixedRows > 0);
  const bool commands = layout.gridCommandsEnabled;
  for (QAction* action :
       {ui_->ToolButton3Action, ui_->ToolButton5Action, ui_->ToolButton1Action, ui_->ToolButton8Action}) {
    action->setEnabled(commands);
  }
}

void TRedForm::refreshTitle() {
  const std::string title = document_.layout().title + (document_.modified() ? " *" : "");
  setWindowTitle(QString::fromStdString(title));
}

void TRedForm::refreshGrid() {
  QTableWidget* grid = ui_->StringGrid1;
  const EditorLayout& layout = document_.layout();
  const int fixedRows = document_.firstDataRow();
  refreshing_ = true;
  if (fixedRows > 0) {
    QStringList titles;
    for (int c = 0; c < layout.columnCount; ++c) {
      titles << QString::fromStdString(document_.cell(c, 0));
    }
    grid->setHorizontalHeaderLabels(titles);
  }
  grid->setRowCount(std::max(document_.rowCount() - fixedRows, 0));
  const QBrush fixedBrush = palette().button();
  const QBrush fixedInk = palette().brush(QPalette::Active, QPalette::ButtonText);
  for (int t = 0; t < grid->rowCount(); ++t) {
    for (int c = 0; c < layout.columnCount; ++c) {
      const QString text = QString::fromStdString(document_.cell(c, t + fixedRows));
      QTableWidgetItem* item = grid->item(t, c);
      if (item == nullptr) {
        item = new QTableWidgetItem();
        if (c == 0) {
          // Column 0 is the fixed column: row numbers or camera captions, never edited. It takes
          // no part in the grid's navigation, so Tab, the arrows and a click always end on a cell
          // that takes typing; its text keeps the ink of an enabled caption.
          item->setFlags(Qt::NoItemFlags);
          item->setBackground(fixedBrush);
          item->setForeground(fixedInk);
        }
        grid->setItem(t, c, item);
      }
      if (item->text() != text) {
        item->setText(text);
      }
    }
  }
  refreshing_ = false;
  refreshTitle();
}

void TRedForm::commitOpenEditor() {
  delegate_->commitOpenEditor();
}

int TRedForm::currentDocumentRow() const {
  const int row = ui_->StringGrid1->currentRow();
  return row < 0 ? row : row + document_.firstDataRow();
}

void TRedForm::StringGrid1CellChanged(QTableWidgetItem* item) {
  if (refreshing_ || item == nullptr) {
    return;
  }
  const int row = item->row() + document_.firstDataRow();
  const std::string text = item->text().toStdString();
  if (document_.cell(item->column(), row) != text) {
    document_.setCell(item->column(), row, text);
    document_.setModified(true);
    refreshTitle();
  }
}

void TRedForm::N3Click() {
  commitOpenEditor();
  if (runEditorSave(document_, port_) == EditorSaveOutcome::Written) {
    refreshTitle(); // the file may have a new name, and nothing is unsaved
  }
}

void TRedForm::ToolButton10Click() {
  N3Click();
}

void TRedForm::N6Click() {
  close();
}

void TRedForm::ToolButton3Click() {
  commitOpenEditor();
  document_.insertRow(currentDocumentRow());
  refreshGrid();
}

void TRedForm::ToolButton5Click() {
  commitOpenEditor();
  document_.appendRow();
  refreshGrid();
}

void TRedForm::ToolButton1Click() {
  commitOpenEditor();
  document_.deleteRow(currentDocumentRow());
  refreshGrid();
}

void TRedForm::ToolButton8Click() {
  commitOpenEditor();
  document_.clearRows();
  refreshGrid();
}

void TRedForm::closeEvent(QCloseEvent* event) {
  if (!loadFailed_) {
    commitOpenEditor();
    if (!confirmEditorClose(document_, port_)) {
      event->ignore();
      return;
    }
  }
  event->accept();
  emit closed();
}

void TRedForm::centreOver(const QWidget& owner) {
  // The window's frame is not known before it is shown; the title bar and borders the window
  // manager adds are taken to be those of the owner, which it decorates the same way.
  const QRect ownerFrame = owner.window()->frameGeometry();
  const QSize decoration = ownerFrame.size() - owner.window()->geometry().size();
  QRect frame(QPoint(), size() + decoration);
  frame.moveCenter(ownerFrame.center());
  // Stay on the owner's screen, title bar included.
  if (const QScreen* screen = owner.window()->screen()) {
    const QRect available = screen->availableGeometry();
    frame.moveLeft(std::max(available.left(), std::min(frame.left(), available.right() - frame.width() + 1)));
    frame.moveTop(std::max(available.top(), std::min(frame.top(), available.bottom() - frame.height() + 1)));
  }
  move(frame.topLeft());
}

void TRedForm::showModal() {
  setWindowModality(Qt::ApplicationModal);
  QEventLoop loop;
  connect(this, &TRedForm::closed, &loop, &QEventLoop::quit);
  show();
  loop.exec();
}

void openDataEditor(QWidget* owner, UserPort& port, const std::string& path, int kind,
                    char decimalSeparator) {
  // One editor per double click; it goes when it has closed.
  auto form = std::make_unique<TRedForm>(owner, port, decimalSeparator);
  if (form->LoadFile(path, kind) == 1) {
    if (owner != nullptr) {
      form->centreOver(*owner);
    }
    form->showModal();
  }
}

} // namespace kavo
