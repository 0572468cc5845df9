// The data editor window under the keyboard, offscreen: where keys move, where typed values land,
// and which keys leave the grid as it was.
#include "editor_window_fixture.h"

#include <QAction>
#include <QTemporaryDir>

using namespace editor_window_test;

class EditorWindowKeysTest : public QObject {
  Q_OBJECT

private:
  QTemporaryDir dir;
  QString scenePath;

  // The scene editor, active, with the keyboard in its grid at row 1, column x.
  std::unique_ptr<TRedForm> openScene(ScriptedUserPort& port) {
    auto form = openSceneFile(port, scenePath);
    if (!form) {
      return nullptr;
    }
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form.get())) {
      return nullptr;
    }
    grid(*form)->setFocus();
    grid(*form)->setCurrentCell(0, 1);
    return form;
  }

private slots:
  void initTestCase() {
    QVERIFY(dir.isValid());
    scenePath = dir.filePath("scene.crd");
  }

  // Tab, Shift+Tab and the arrows move through the cells that take typing only, so every typed
  // value lands in a cell: "x Tab y Tab x" fills the next row's x.
  void keyboardMovesThroughEditableCellsOnly() {
    ScriptedUserPort port;
    auto form = openScene(port);
    QVERIFY(form);
    QTableWidget* g = grid(*form);
    type(*form, "7");
    press(*form, Qt::Key_Tab);
    type(*form, "8");
    press(*form, Qt::Key_Tab);
    type(*form, "9");
    press(*form, Qt::Key_Return);
    QTRY_COMPARE(rows(*form), QStringList({"1:7:8", "2:9:20", "3:3:30"}));

    struct Move {
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
      int row;
      int column;
    };
    // From row 2, column x.
    const Move moves[] = {
        {Qt::Key_Backtab, Qt::ShiftModifier, 0, 2}, // back to the previous row's y
        {Qt::Key_Tab, Qt::NoModifier, 1, 1},        // and forward again past the number column
        {Qt::Key_Left, Qt::NoModifier, 1, 1},       // the number column is not a stop
        {Qt::Key_Home, Qt::NoModifier, 1, 1},
        {Qt::Key_End, Qt::NoModifier, 1, 2},
        {Qt::Key_Down, Qt::NoModifier, 2, 2},
        {Qt::Key_Tab, Qt::NoModifier, 2, 2}, // the last cell: Tab finds no further cell
    };
    g->setCurrentCell(1, 1);
    for (const Move& m : moves) {
      press(*form, m.key, m.modifiers);
      QCOMPARE(QPair(g->currentRow(), g->currentColumn()), QPair(m.row, m.column));
    }
    // A click on a row number does not make it the cell typing goes to.
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualItemRect(g->item(0, 0)).center());
    QCOMPARE(g->currentColumn(), 2);
    port.threeWayAnswers = {kavo::Answer::No};
    QVERIFY(form->close());
  }

  // The camera rows: Tab goes from one value to the next, never to a caption.
  void cameraValuesTakeTypingOneAfterAnother() {
    const QString path = dir.filePath("tab.cam");
    writeAll(path, "512 ;\r\n384 ;\r\ncorr.tab ;\r\n ;\r\n1024;\r\n768;\r\n512;\r\n384;\r\n");
    ScriptedUserPort port;
    TRedForm form(nullptr, port, '.');
    QCOMPARE(form.LoadFile(path.toStdString(), 5), 1);
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    grid(form)->setFocus();
    grid(form)->setCurrentCell(0, 1);
    type(form, "1");
    press(form, Qt::Key_Tab);
    type(form, "2");
    press(form, Qt::Key_Tab);
    type(form, "t");
    press(form, Qt::Key_Return);
    QTRY_COMPARE(form.document().cell(1, 2), std::string("t"));
    QCOMPARE(form.document().cell(1, 0), std::string("1"));
    QCOMPARE(form.document().cell(1, 1), std::string("2"));
    port.threeWayAnswers = {kavo::Answer::No};
    QVERIFY(form.close());
  }

  // Only a change of content marks the grid unsaved: moving, Escape, or typing the value a cell
  // already holds leaves nothing to ask about when the window closes.
  void onlyAChangeOfContentMarksTheGridModified() {
    ScriptedUserPort port;
    auto form = openScene(port);
    QVERIFY(form);
    QTableWidget* g = grid(*form);
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Tab, Qt::Key_Escape, Qt::Key_PageDown, Qt::Key_Up}) {
      press(*form, key);
    }
    type(*form, "5");
    press(*form, Qt::Key_Escape); // the typing is put aside
    g->setCurrentCell(0, 1);
    type(*form, "1"); // the value the cell holds
    press(*form, Qt::Key_Return);
    QTRY_VERIFY(QApplication::focusWidget() == g); // the cell editor has closed
    QVERIFY(!form->modified());
    QVERIFY(form->close());
    QVERIFY(port.questions().empty());
    QCOMPARE(port.unexpected, 0);
  }

  // After a save, keys that change nothing do not bring the question back.
  void closingRightAfterASaveAsksNothing() {
    ScriptedUserPort port;
    auto form = openScene(port);
    QVERIFY(form);
    type(*form, "4");
    press(*form, Qt::Key_Return);
    QTRY_VERIFY(form->modified());
    port.saveFiles = {scenePath.toStdString()};
    form->findChild<QAction*>("N3")->trigger();
    QVERIFY(!form->modified());
    press(*form, Qt::Key_Escape);
    press(*form, Qt::Key_Down);
    QVERIFY(form->close());
    QVERIFY(port.questions().empty());
    QCOMPARE(readAll(scenePath), QByteArray("4 ; 10\r\n2 ; 20\r\n3 ; 30\r\n"));
  }
};

QTEST_MAIN(EditorWindowKeysTest)
#include "editor_window_keys_test.moc"
