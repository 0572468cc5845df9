// The data editor window driven offscreen through its widgets; boxes and
// dialogs are answered by a scripted user port.
#include "editor_window.h"
#include "focus_form.h"

#include "../editor/scripted_port.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using kavo::TRedForm;
using kavo::test::ScriptedPort;

namespace {

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

QTableWidget* grid(TRedForm& form) {
  return form.findChild<QTableWidget*>("StringGrid1");
}

QToolButton* button(TRedForm& form, const char* name) {
  return form.findChild<QToolButton*>(name);
}

// The shown rows as "number:x:y".
QStringList rows(TRedForm& form) {
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
QLineEdit* typeIntoCell(TRedForm& form, int row, int column, const QString& text) {
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

} // namespace

class EditorWindowTest : public QObject {
  Q_OBJECT

private:
  QTemporaryDir dir;
  QString scenePath;

  std::unique_ptr<TRedForm> openScene(ScriptedPort& port) {
    writeAll(scenePath, "1;10\r\n2;20\r\n3;30\r\n");
    auto form = std::make_unique<TRedForm>(nullptr, port, '.');
    if (form->LoadFile(scenePath.toStdString(), 2) != 1) {
      return nullptr;
    }
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) {
      return nullptr;
    }
    return form;
  }

private slots:
  void initTestCase() {
    QVERIFY(dir.isValid());
    scenePath = dir.filePath("scene.crd");
  }

  void pointListLayout() {
    ScriptedPort port;
    auto form = openScene(port);
    QVERIFY(form);
    QCOMPARE(form->windowTitle(), QString("scene.crd Реперные точки"));
    QCOMPARE(form->size(), QSize(300, 500));
    QCOMPARE(form->minimumSize(), QSize(300, 200));
    QTableWidget* g = grid(*form);
    QVERIFY(g);
    QCOMPARE(g->columnCount(), 3);
    QCOMPARE(g->horizontalHeaderItem(1)->text(), QString("x"));
    QCOMPARE(g->horizontalHeaderItem(2)->text(), QString("y"));
    QCOMPARE(g->columnWidth(0), 50);
    QCOMPARE(g->columnWidth(1), 100);
    QCOMPARE(g->verticalHeader()->defaultSectionSize(), 20);
    QCOMPARE(rows(*form), QStringList({"1:1:10", "2:2:20", "3:3:30"}));
    QVERIFY(!(g->item(0, 0)->flags() & Qt::ItemIsEditable));
    QVERIFY(g->item(0, 1)->flags() & Qt::ItemIsEditable);
    const QList<std::pair<const char*, const char*>> hints = {{"ToolButton10", "Сохранить"},
                                                              {"ToolButton3", "Добавить"},
                                                              {"ToolButton5", "Добавить в конец"},
                                                              {"ToolButton1", "Удалить"},
                                                              {"ToolButton8", "Очистить"}};
    for (const auto& [name, hint] : hints) {
      QToolButton* b = button(*form, name);
      QVERIFY2(b, name);
      QCOMPARE(b->toolTip(), QString(hint));
      QVERIFY(b->isEnabled());
    }
    auto* menu = form->menuBar()->actions().value(0);
    QVERIFY(menu && menu->menu());
    QCOMPARE(menu->text(), QString("Файл"));
    const QList<QAction*> items = menu->menu()->actions();
    QCOMPARE(items.size(), 3);
    QCOMPARE(items[0]->objectName(), QString("N3"));
    QCOMPARE(items[0]->text(), QString("Сохранить"));
    QVERIFY(items[1]->isSeparator());
    QCOMPARE(items[2]->objectName(), QString("N6"));
    QCOMPARE(items[2]->text(), QString("Выход"));
    QVERIFY(!form->modified());
    QVERIFY(form->close());
    QVERIFY(port.questions.empty());
  }

  void cameraLayoutTypingSetsModified() {
    const QString path = dir.filePath("Kalibr.cam");
    writeAll(path, "512 ;\r\n384 ;\r\ncorr.tab ;\r\n "
                   ";\r\n1024;\r\n768;\r\n512;\r\n384;\r\n");
    ScriptedPort port;
    TRedForm form(nullptr, port, '.');
    QCOMPARE(form.LoadFile(path.toStdString(), 5), 1);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.windowTitle(), QString("Kalibr.cam Внутренняя геометрия"));
    QCOMPARE(form.size(), QSize(520, 290));
    QTableWidget* g = grid(form);
    QCOMPARE(g->rowCount(), 8);
    QCOMPARE(g->columnCount(), 2);
    QVERIFY(!g->horizontalHeader()->isVisible());
    QCOMPARE(g->verticalHeader()->defaultSectionSize(), 24);
    QCOMPARE(g->item(2, 0)->text(), QString("Таблица коррекции"));
    QCOMPARE(g->item(2, 1)->text(), QString("corr.tab "));
    for (const char* name : {"ToolButton3", "ToolButton5", "ToolButton1", "ToolButton8"}) {
      QVERIFY2(!button(form, name)->isEnabled(), name);
    }
    QVERIFY(button(form, "ToolButton10")->isEnabled());
    QLineEdit* editor = typeIntoCell(form, 3, 1, "1500");
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    QVERIFY(form.modified());
    // Enter hands the text to the grid through the event queue.
    QTRY_VERIFY(form.document().cell(1, 3) == "1500");

    port.yesNoAnswers = {true};
    port.saveAnswers = {path.toStdString()};
    QVERIFY(form.close());
    QCOMPARE(readAll(path).split('\n').value(3), QByteArray("1500 ; \xD4\xEE\xEA\xF3\xF1\xED\xEE\xE5 "
                                                            "\xF0\xE0\xF1\xF1\xF2\xEE\xFF\xED\xE8\xE5\r"));
  }

  void arrowKeyAloneMakesClosingAsk() {
    ScriptedPort port;
    auto form = openScene(port);
    QVERIFY(form);
    QTest::keyClick(grid(*form), Qt::Key_Down);
    QVERIFY(form->modified());
    port.yesNoAnswers = {false};
    QVERIFY(form->close());
    QCOMPARE(port.questions.size(), size_t(1));
    QCOMPARE(port.questions[0].text, std::string("Данные не сохранены. Сохранить?"));
    QCOMPARE(readAll(scenePath), QByteArray("1;10\r\n2;20\r\n3;30\r\n"));
  }

  void gridCommandsThroughTheToolButtons() {
    ScriptedPort port;
    auto form = openScene(port);
    QVERIFY(form);
    QTableWidget* g = grid(*form);
    g->setCurrentCell(1, 1);
    QTest::mouseClick(button(*form, "ToolButton3"), Qt::LeftButton);
    QCOMPARE(rows(*form), QStringList({"1:1:10", "2::", "3:2:20", "4:3:30"}));
    QCOMPARE(g->currentRow(), 1);
    QVERIFY(form->modified());
    QVERIFY(g->item(1, 0)->flags() == Qt::ItemIsEnabled);

    QTest::mouseClick(button(*form, "ToolButton5"), Qt::LeftButton);
    QCOMPARE(rows(*form), QStringList({"1:1:10", "2::", "3:2:20", "4:3:30", "5::"}));

    g->setCurrentCell(0, 2);
    QTest::mouseClick(button(*form, "ToolButton1"), Qt::LeftButton);
    QCOMPARE(rows(*form), QStringList({"1::", "2:2:20", "3:3:30", "4::"}));

    QTest::mouseClick(button(*form, "ToolButton8"), Qt::LeftButton);
    QCOMPARE(rows(*form), QStringList({"1::"}));
    QTest::mouseClick(button(*form, "ToolButton1"), Qt::LeftButton);
    QCOMPARE(rows(*form), QStringList({"1::"}));

    port.yesNoAnswers = {false};
    QVERIFY(form->close());
  }

  // A cell still being edited is taken into the file, and moves with its row.
  void openCellEditorIsCommittedFirst() {
    ScriptedPort port;
    auto form = openScene(port);
    QVERIFY(form);
    QVERIFY(typeIntoCell(*form, 1, 2, "25"));
    QTest::mouseClick(button(*form, "ToolButton3"), Qt::LeftButton);
    QCOMPARE(rows(*form).value(2), QString("3:2:25"));
    QTest::mouseClick(button(*form, "ToolButton10"), Qt::LeftButton);
    QCOMPARE(port.messages.size(), size_t(1));
    QCOMPARE(port.messages[0].text, std::string("Ошибка в 2-й строке координат изображения!"));
    QVERIFY(port.saveRequests.empty());
    QVERIFY(form->modified());

    grid(*form)->setCurrentCell(1, 1);
    QTest::mouseClick(button(*form, "ToolButton1"), Qt::LeftButton);
    QVERIFY(typeIntoCell(*form, 0, 1, "7"));
    port.saveAnswers = {std::nullopt, scenePath.toStdString()};
    form->findChild<QAction*>("N3")->trigger();
    QVERIFY(form->modified());
    QCOMPARE(readAll(scenePath), QByteArray("1;10\r\n2;20\r\n3;30\r\n"));
    form->findChild<QAction*>("N3")->trigger();
    QCOMPARE(port.saveRequests.size(), size_t(2));
    QCOMPARE(port.saveRequests[1].proposedName, scenePath.toStdString());
    QCOMPARE(port.saveRequests[1].filter, std::string("Coordinate Files|*.crd|All Files|*.*"));
    QCOMPARE(readAll(scenePath), QByteArray("7 ; 10\r\n2 ; 25\r\n3 ; 30\r\n"));
    QVERIFY(!form->modified());
    QVERIFY(form->close());
    QVERIFY(port.questions.empty());
  }

  // Each answer of the close question and of the save dialog it leads to.
  void closeQuestionAnswers() {
    struct Case {
      const char* name;
      bool yes;
      bool chooseFile;
      bool closes;
      QByteArray file;
    };
    const QByteArray original = "1;10\r\n2;20\r\n3;30\r\n";
    const Case cases[] = {
        {"no", false, false, true, original},
        {"yes_cancelled", true, false, false, original},
        {"yes_saved", true, true, true, "9 ; 10\r\n2 ; 20\r\n3 ; 30\r\n"},
    };
    for (const Case& c : cases) {
      ScriptedPort port;
      auto form = openScene(port);
      QVERIFY(form);
      QTest::keyClick(typeIntoCell(*form, 0, 1, "9"), Qt::Key_Return);
      port.yesNoAnswers = {c.yes};
      if (c.yes) {
        port.saveAnswers = {c.chooseFile ? std::optional<std::string>(scenePath.toStdString())
                                         : std::nullopt};
      }
      form->findChild<QAction*>("N6")->trigger();
      QVERIFY2(form->isVisible() != c.closes, c.name);
      QCOMPARE(readAll(scenePath), c.file);
      QCOMPARE(port.unexpected, 0);
      if (!c.closes) {
        // Still unsaved: the next close asks again.
        port.yesNoAnswers = {false};
        QVERIFY(form->close());
        QCOMPARE(port.questions.size(), size_t(2));
      }
    }
  }

  void failedLoadTellsTheUserAndIsNotShown() {
    const QString path = dir.filePath("bad.crd");
    writeAll(path, "1;2\r\n\r\n");
    ScriptedPort port;
    kavo::openDataEditor(nullptr, port, path.toStdString(), 2, '.');
    QCOMPARE(port.messages.size(), size_t(1));
    QCOMPARE(port.messages[0].text, std::string("Внутренняя ошибка. Обратитесь к разработчику."));
    QCOMPARE(port.messages[0].caption, std::string("Ошибка!"));
    QVERIFY(port.messages[0].detail.find("строка 2") != std::string::npos);
    QVERIFY(port.questions.empty());
  }

  // The entry point the main window uses: the editor is modal and gone when it
  // returns.
  void openDataEditorShowsModallyUntilClosed() {
    ScriptedPort port;
    bool seen = false;
    QTimer::singleShot(0, [&] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* form = qobject_cast<TRedForm*>(w); form && form->isVisible()) {
          seen = form->isModal() && form->windowTitle() == "Untitled Реперные точки";
          QCOMPARE(rows(*form), QStringList({"1::"}));
          form->close();
        }
      }
    });
    kavo::openDataEditor(nullptr, port, "", 2, '.');
    QVERIFY(seen);
    QVERIFY(port.questions.empty());
    for (QWidget* w : QApplication::topLevelWidgets()) {
      QVERIFY(qobject_cast<TRedForm*>(w) == nullptr);
    }
  }

  // The main window's camera and scene fields open the editor on a double
  // click, with the file the field holds or, before any was chosen, an untitled
  // one.
  void mainWindowDoubleClicksOpenTheEditor() {
    const QString camera = dir.filePath("main.cam");
    writeAll(camera, "512 ;\r\n384 ;\r\ncorr.tab ;\r\n "
                     ";\r\n1024;\r\n768;\r\n512;\r\n384;\r\n");
    const QString scene = dir.filePath("main.crd");
    writeAll(scene, "1;2,50\r\n");
    ScriptedPort port;
    kavo::TFocus_Form main(port, ',');
    main.show();
    main.Image1Click();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    struct Case {
      const char* field;
      QString chosen;
      kavo::FileField kind;
      QString title;
      QString firstRow;
    };
    const Case cases[] = {
        {"Edit6", "", kavo::FileField::Camera, "Untitled Внутренняя геометрия",
         "Координата X центра изображения (пикс.):"},
        {"Edit6", camera, kavo::FileField::Camera, "main.cam Внутренняя геометрия",
         "Координата X центра изображения (пикс.):512 "},
        {"Edit4", scene, kavo::FileField::Scene, "main.crd Реперные точки", "1:1:2,5"},
    };
    for (const Case& c : cases) {
      if (!c.chosen.isEmpty()) {
        main.takeFile(c.kind, c.chosen);
      }
      QString title;
      QString firstRow;
      bool modal = false;
      QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
          if (auto* form = qobject_cast<TRedForm*>(w); form && form->isVisible()) {
            title = form->windowTitle();
            firstRow = rows(*form).value(0);
            modal = form->isModal();
            form->close();
          }
        }
      });
      QTest::mouseDClick(main.findChild<QLineEdit*>(c.field), Qt::LeftButton);
      QCOMPARE(title, c.title);
      QCOMPARE(firstRow, c.firstRow);
      QVERIFY(modal);
    }
    QVERIFY(port.messages.empty());
    QVERIFY(port.questions.empty());
  }
};

QTEST_MAIN(EditorWindowTest)
#include "editor_window_test.moc"
