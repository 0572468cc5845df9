#pragma once
// Steps shared by the data editor window tests: files as raw bytes, the grid's shown rows, and keys
// typed the way a user types them.
#include "editor_window.h"

#include "scripted_user_port.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace editor_window_test {

using kavo::TRedForm;
using kavo::test::ScriptedUserPort;

inline QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

inline QTableWidget* grid(TRedForm& form) {
  return form.findChild<QTableWidget*>("StringGrid1");
}

inline QToolButton* button(TRedForm& form, const char* name) {
  return form.findChild<QToolButton*>(name);
}

// The shown rows as "number:x:y".
inline QStringList rows(TRedForm& form) {
  QStringList result;
  QTableWidget* g = grid(form);
  for (int r = 0; r < g->rowCount(); ++r) {
    QStringList cells;
    for (int c = 0; c < g->columnCount(); ++c) {
      cells << (g->item(r, c) ? g->item(r, c)->text() : QString("<none>"));
    }
    result << cells.join(':');
  }
  return result;
}

// Types into a cell the way a user does: the first key opens the cell's editor,
// the rest go to it.
inline QLineEdit* typeIntoCell(TRedForm& form, int row, int column, const QString& text) {
  QTableWidget* g = grid(form);
  g->setFocus();
  g->setCurrentCell(row, column);
  QTest::keyClick(g, text.at(0).toLatin1());
  auto* editor = g->viewport()->findChild<QLineEdit*>();
  if (editor != nullptr && text.size() > 1) {
    QTest::keyClicks(editor, text.mid(1));
  }
  return editor;
}

// Keys as a user presses them: to the cell editor while one is open, otherwise to the grid.
inline QWidget* keyTarget(TRedForm& form) {
  QTableWidget* g = grid(form);
  QWidget* focused = QApplication::focusWidget();
  return focused != nullptr && g->isAncestorOf(focused) ? focused : g;
}

inline void press(TRedForm& form, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(keyTarget(form), key, modifiers);
}

inline void type(TRedForm& form, const QString& text) {
  for (const QChar ch : text) {
    QTest::keyClick(keyTarget(form), ch.toLatin1());
  }
}

// A scene file of three points, loaded and shown; null when that failed.
inline std::unique_ptr<TRedForm> openSceneFile(ScriptedUserPort& port, const QString& path) {
  writeAll(path, "1;10\r\n2;20\r\n3;30\r\n");
  auto form = std::make_unique<TRedForm>(nullptr, port, '.');
  if (form->LoadFile(path.toStdString(), 2) != 1) {
    return nullptr;
  }
  form->show();
  if (!QTest::qWaitForWindowExposed(form.get())) {
    return nullptr;
  }
  return form;
}

} // namespace editor_window_test
