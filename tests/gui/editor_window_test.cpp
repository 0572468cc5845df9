// The data editor window driven offscreen through its widgets; boxes and
// dialogs are answered by a scripted user port.
#include "editor_window_fixture.h"
#include "focus_form.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace editor_window_test;

class EditorWindowTest : public QObject {
  Q_OBJECT

private:
  QTemporaryDir dir;
  QString scenePath;

  std::unique_ptr<TRedForm> openScene(ScriptedUserPort& port) { return openSceneFile(port, scenePath); }

private slots:
  void initTestCase() {
    QVERIFY(dir.isValid());
    scenePath = dir.filePath("scene.crd");
  }

  void pointListLayout() {
    ScriptedUserPort port;
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
    QVERIFY(port.questions().empty());
  }

  void cameraLayoutTypingSetsModified() {
    const QString path = dir.filePath("Kalibr.cam");
    writeAll(path, "512 ;\r\n384 ;\r\ncorr.tab ;\r\n "
                   ";\r\n1024;\r\n768;\r\n512;\r\n384;\r\n");
    ScriptedUserPort port;
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
    // Enter hands the text to the grid through the event queue.
    QTRY_VERIFY(form.document().cell(1, 3) == "1500");
    QVERIFY(form.modified());

    port.threeWayAnswers = {kavo::Answer::Yes};
    port.saveFiles = {path.toStdString()};
    QVERIFY(form.close());
    QCOMPARE(readAll(path).split('\n').value(3), QByteArray("1500 ; \xD4\xEE\xEA\xF3\xF1\xED\xEE\xE5 "
                                                            "\xF0\xE0\xF1\xF1\xF2\xEE\xFF\xED\xE8\xE5\r"));
  }

  void gridCommandsThroughTheToolButtons() {
    ScriptedUserPort port;
    auto form = openScene(port);
    QVERIFY(form);
    QTableWidget* g = grid(*form);
    g->setCurrentCell(1, 1);
    QTest::mouseClick(button(*form, "ToolButton3"), Qt::LeftButton);
    QCOMPARE(rows(*form), QStringList({"1:1:10", "2::", "3:2:20", "4:3:30"}));
    QCOMPARE(g->currentRow(), 1);
    QVERIFY(form->modified());
    QVERIFY(g->item(1, 0)->flags() == Qt::NoItemFlags); // the new row's number is fixed too

    QTest::mouseClick(button(*form, "ToolButton5"), Qt::LeftButton);
    QCOMPARE(rows(*form), QStringList({"1:1:10", "2::", "3:2:20", "4:3:30", "5::"}));

    g->setCurrentCell(0, 2);
    QTest::mouseClick(button(*form, "ToolButton1"), Qt::LeftButton);
    QCOMPARE(rows(*form), QStringList({"1::", "2:2:20", "3:3:30", "4::"}));

    QTest::mouseClick(button(*form, "ToolButton8"), Qt::LeftButton);
    QCOMPARE(rows(*form), QStringList({"1::"}));
    QTest::mouseClick(button(*form, "ToolButton1"), Qt::LeftButton);
    QCOMPARE(rows(*form), QStringList({"1::"}));

    port.threeWayAnswers = {kavo::Answer::No};
    QVERIFY(form->close());
  }

  // A cell still being edited is taken into the file, and moves with its row.
  void openCellEditorIsCommittedFirst() {
    ScriptedUserPort port;
    auto form = openScene(port);
    QVERIFY(form);
    QVERIFY(typeIntoCell(*form, 1, 2, "25"));
    QTest::mouseClick(button(*form, "ToolButton3"), Qt::LeftButton);
    QCOMPARE(rows(*form).value(2), QString("3:2:25"));
    QTest::mouseClick(button(*form, "ToolButton10"), Qt::LeftButton);
    QCOMPARE(port.messages().size(), size_t(1));
    QCOMPARE(port.messages()[0].text, std::string("Ошибка в 2-й строке координат изображения!"));
    QVERIFY(port.saveRequests().empty());
    QVERIFY(form->modified());

    grid(*form)->setCurrentCell(1, 1);
    QTest::mouseClick(button(*form, "ToolButton1"), Qt::LeftButton);
    QVERIFY(typeIntoCell(*form, 0, 1, "7"));
    port.saveFiles = {std::nullopt, scenePath.toStdString()};
    form->findChild<QAction*>("N3")->trigger();
    QVERIFY(form->modified());
    QCOMPARE(readAll(scenePath), QByteArray("1;10\r\n2;20\r\n3;30\r\n"));
    form->findChild<QAction*>("N3")->trigger();
    QCOMPARE(port.saveRequests().size(), size_t(2));
    QCOMPARE(port.saveRequests()[1].proposedName, scenePath.toStdString());
    QCOMPARE(port.saveRequests()[1].filter, std::string("Coordinate Files|*.crd|All Files|*.*"));
    QCOMPARE(readAll(scenePath), QByteArray("7 ; 10\r\n2 ; 25\r\n3 ; 30\r\n"));
    QVERIFY(!form->modified());
    QVERIFY(form->close());
    QVERIFY(port.questions().empty());
  }

  // Each answer of the close question and of the save dialog it leads to. Cancel stands for the
  // box's Отмена, Escape and its title-bar close alike: the editor stays open with the edits.
  void closeQuestionAnswers() {
    struct Case {
      const char* name;
      kavo::Answer answer;
      bool chooseFile;
      bool closes;
      QByteArray file;
    };
    const QByteArray original = "1;10\r\n2;20\r\n3;30\r\n";
    const Case cases[] = {
        {"no", kavo::Answer::No, false, true, original},
        {"cancel", kavo::Answer::Cancel, false, false, original},
        {"yes_cancelled", kavo::Answer::Yes, false, false, original},
        {"yes_saved", kavo::Answer::Yes, true, true, "9 ; 10\r\n2 ; 20\r\n3 ; 30\r\n"},
    };
    for (const Case& c : cases) {
      ScriptedUserPort port;
      auto form = openScene(port);
      QVERIFY(form);
      QTest::keyClick(typeIntoCell(*form, 0, 1, "9"), Qt::Key_Return);
      port.threeWayAnswers = {c.answer};
      if (c.answer == kavo::Answer::Yes) {
        port.saveFiles = {c.chooseFile ? std::optional<std::string>(scenePath.toStdString()) : std::nullopt};
      }
      form->findChild<QAction*>("N6")->trigger();
      QVERIFY2(form->isVisible() != c.closes, c.name);
      QCOMPARE(readAll(scenePath), c.file);
      QCOMPARE(port.unexpected, 0);
      QCOMPARE(port.questions().size(), size_t(1));
      QCOMPARE(port.questions()[0].text, std::string("Данные не сохранены. Сохранить?"));
      QCOMPARE(port.questions()[0].caption, std::string("Предупреждение"));
      QVERIFY(port.questions()[0].owner == kavo::BoxOwner::Editor);
      if (!c.closes) {
        // The edits are still there and still unsaved: the next close asks again.
        QCOMPARE(rows(*form).value(0), QString("1:9:10"));
        port.threeWayAnswers = {kavo::Answer::No};
        QVERIFY(form->close());
        QCOMPARE(port.questions().size(), size_t(2));
      }
    }
  }

  // An edit marks the title with "*" until it is saved; a save under another name shows the file now
  // being edited, and the next save starts from it.
  void titleFollowsASaveUnderAnotherName() {
    ScriptedUserPort port;
    auto form = openScene(port);
    QVERIFY(form);
    grid(*form)->item(0, 1)->setText("11");
    QCOMPARE(form->windowTitle(), QString("scene.crd Реперные точки *"));
    const QString other = dir.filePath("other.crd");
    port.saveFiles = {other.toStdString()};
    form->findChild<QAction*>("N3")->trigger();
    QCOMPARE(form->windowTitle(), QString("other.crd Реперные точки"));
    grid(*form)->item(1, 2)->setText("21");
    QCOMPARE(form->windowTitle(), QString("other.crd Реперные точки *"));
    port.saveFiles = {other.toStdString()};
    form->findChild<QAction*>("N3")->trigger();
    QCOMPARE(form->windowTitle(), QString("other.crd Реперные точки"));
    port.saveFiles = {std::nullopt};
    form->findChild<QAction*>("N3")->trigger();
    QCOMPARE(port.saveRequests().size(), size_t(3));
    QCOMPARE(port.saveRequests()[2].proposedName, other.toStdString());
    QCOMPARE(form->windowTitle(), QString("other.crd Реперные точки"));
    QVERIFY(form->close());
  }

  // An owner near the corner of the screen: the editor is moved onto the screen rather than
  // centred past its edge.
  void centredEditorStaysOnTheScreen() {
    QWidget owner;
    owner.setGeometry(0, 0, 120, 80);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    ScriptedUserPort port;
    TRedForm form(&owner, port, '.');
    QCOMPARE(form.LoadFile("", 2), 1);
    form.centreOver(owner);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QRect available = owner.screen()->availableGeometry();
    QVERIFY2(
        available.contains(form.frameGeometry()),
        qPrintable(QString("editor at %1,%2").arg(form.frameGeometry().x()).arg(form.frameGeometry().y())));
    QCOMPARE(form.frameGeometry().top(), available.top());
    QVERIFY(form.close());
  }

  void failedLoadTellsTheUserAndIsNotShown() {
    const QString path = dir.filePath("bad.crd");
    writeAll(path, "1;2\r\n\r\n");
    ScriptedUserPort port;
    kavo::openDataEditor(nullptr, port, path.toStdString(), 2, '.');
    QCOMPARE(port.messages().size(), size_t(1));
    QCOMPARE(port.messages()[0].text, std::string("Внутренняя ошибка. Обратитесь к разработчику."));
    QCOMPARE(port.messages()[0].caption, std::string("Ошибка!"));
    QVERIFY(port.messages()[0].detail.find("строка 2") != std::string::npos);
    QVERIFY(port.questions().empty());
  }

  // The entry point the main window uses: the editor is modal and gone when it
  // returns.
  void openDataEditorShowsModallyUntilClosed() {
    ScriptedUserPort port;
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
    QVERIFY(port.questions().empty());
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
    ScriptedUserPort port;
    kavo::TFocus_Form main(port, ',');
    main.move(60, 60);
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
      QPoint centre;
      QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
          if (auto* form = qobject_cast<TRedForm*>(w); form && form->isVisible()) {
            title = form->windowTitle();
            firstRow = rows(*form).value(0);
            modal = form->isModal();
            centre = form->frameGeometry().center();
            form->close();
          }
        }
      });
      QTest::mouseDClick(main.findChild<QLineEdit*>(c.field), Qt::LeftButton);
      QCOMPARE(title, c.title);
      QCOMPARE(firstRow, c.firstRow);
      QVERIFY(modal);
      // The editor opens over the main window, centred on it.
      QVERIFY2((centre - main.frameGeometry().center()).manhattanLength() <= 2,
               qPrintable(QString("editor centre %1,%2, main window centre %3,%4")
                              .arg(centre.x())
                              .arg(centre.y())
                              .arg(main.frameGeometry().center().x())
                              .arg(main.frameGeometry().center().y())));
    }
    QVERIFY(port.messages().empty());
    QVERIFY(port.questions().empty());
  }
};

QTEST_MAIN(EditorWindowTest)
#include "editor_window_test.moc"
