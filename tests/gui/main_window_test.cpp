// The main window without a computation: start-up, pickers and the enable rules, the keys, files
// handed over from outside, double clicks, help and the about box.
#include "editor_window.h"
#include "help_window.h"
#include "window_fixture.h"

#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>

using kavo::FileField;

class MainWindowTest : public QObject {
  Q_OBJECT

  QString startFolder;

private slots:
  void init() { startFolder = QDir::currentPath(); }
  void cleanup() { QDir::setCurrent(startFolder); }

  void startUp() {
    ScriptedUserPort port;
    kavo::ProgramWindows w(port, '.');
    kavo::TFocus_Form& window = *w.mainWindow;
    window.show();
    QCOMPARE(window.windowTitle(), QString("Вычисление фокусного расстояния"));
    QCOMPARE(window.objectName(), QString("Focus_Form"));
    QCOMPARE(window.size(), QSize(530, 400));
    QCOMPARE(window.minimumSize(), QSize(530, 400));
    auto* image = window.findChild<QLabel*>("Image1");
    auto* panel = window.findChild<QWidget*>("Panel1");
    auto* timer = window.findChild<QTimer*>("Timer1");
    QVERIFY(image->isVisible() && !panel->isVisible());
    QVERIFY(!image->pixmap().isNull());
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 4000);
    QTest::mouseClick(image, Qt::LeftButton);
    QVERIFY(!image->isVisible() && panel->isVisible());
    QVERIFY(!timer->isActive());
    for (const char* name : {"N10", "N3"})
      QVERIFY(!window.findChild<QAction*>(name)->isEnabled());
    for (const char* name : {"Button2", "Button1"})
      QVERIFY(!window.findChild<QPushButton*>(name)->isEnabled());
    QVERIFY(!window.findChild<QWidget*>("Memo1")->isVisible());
    QVERIFY(!window.findChild<QWidget*>("Edit7")->isVisible());
    QCOMPARE(window.calibration().startDirectory, startFolder.toStdString());
  }

  void timerEndsTheSplash() {
    ScriptedUserPort port;
    kavo::ProgramWindows w(port, '.');
    w.mainWindow->show();
    QTRY_VERIFY_WITH_TIMEOUT(w.mainWindow->findChild<QWidget*>("Panel1")->isVisible(), 10000);
    QVERIFY(!w.mainWindow->findChild<QWidget*>("Image1")->isVisible());
  }

  // The three pickers: their dialogs, the fields, the state and the enable rule.
  void pickersAndEnableRule() {
    QTemporaryDir first, second;
    StartedProgram p;
    p.find("Edit5")->setText("1.0000");
    p.port.openFiles = {(first.path() + "/cam.v2.cam").toStdString(),
                        (second.path() + "/scene.crd").toStdString(), std::nullopt,
                        (second.path() + "/series.lst").toStdString()};
    QTest::mouseClick(p.find<QPushButton>("Button5"), Qt::LeftButton);
    QTest::mouseClick(p.find<QPushButton>("Button3"), Qt::LeftButton);
    QVERIFY(!p.computeEnabled());
    QTest::keyClick(&p.window, Qt::Key_Return); // disabled: nothing happens
    QVERIFY(!p.window.mainCommands().running());
    QTest::mouseClick(p.find<QPushButton>("Button4"), Qt::LeftButton); // cancelled
    QVERIFY(!p.computeEnabled());
    QTest::mouseClick(p.find<QPushButton>("Button4"), Qt::LeftButton);
    QVERIFY(p.computeEnabled());

    QCOMPARE(p.port.shown.size(), std::size_t{4});
    const auto& camera = p.port.shown[0].request;
    QCOMPARE(camera.filter, std::string("Camera Files|*.cam|All Files|*.*"));
    QCOMPARE(camera.defaultExtension, std::string("cam"));
    QCOMPARE(camera.proposedName, std::string("Kalibr"));
    QCOMPARE(QString::fromStdString(camera.initialFolder), startFolder);
    const auto& scene = p.port.shown[1].request;
    QCOMPARE(scene.filter, std::string("Coordinate Files (*.crd)|*.crd"));
    QCOMPARE(scene.defaultExtension, std::string("*.crd"));
    QCOMPARE(scene.initialFolder, std::string()); // the current directory from now on
    const auto& list = p.port.shown[3].request;
    QCOMPARE(list.filter, std::string("List Files|*.lst|All Files|*.*"));
    QCOMPARE(list.defaultExtension, std::string("*.lst"));

    QCOMPARE(p.text("Edit6"), QString("cam.v2.cam"));
    QCOMPARE(p.text("Edit4"), QString("scene.crd"));
    QCOMPARE(p.text("Edit1"), QString("series.lst"));
    const kavo::CalibrationState& s = p.window.calibration();
    QCOMPARE(QString::fromStdString(s.cameraFile), first.path() + "/cam.v2.cam");
    QCOMPARE(QString::fromStdString(s.listFile), second.path() + "/series.lst");
    QCOMPARE(QDir::currentPath(), QDir(second.path()).canonicalPath());
    QCOMPARE(p.text("Edit5"), QString()); // a pick clears the shown result
    QVERIFY(s.resultSaved);
  }

  // A key released in a file field rebuilds the stored path (the rule itself is tested in the
  // app's tests); the tooltip follows it.
  void keyUpRebuildsThePath() {
    StartedProgram p;
    p.window.calibration().sceneFile = "/data/a/camera.crd";
    p.find("Edit4")->setText("other.crd");
    QTest::keyRelease(p.find("Edit4"), Qt::Key_End);
    QCOMPARE(QString::fromStdString(p.window.calibration().sceneFile), QString("/data/a/other.crd"));
    QCOMPARE(p.find("Edit4")->toolTip(), QString("/data/a/other.crd"));
  }

  // Enter on a "..." reached with Tab opens that picker. A "..." that has the focus from a click,
  // as after picking a file with the mouse, leaves Enter to the computation.
  void enterOnATabbedPickerOpensIt() {
    QTemporaryDir dir;
    QVERIFY(copySampleSeries(dir.path()));
    StartedProgram p;
    QVERIFY(QTest::qWaitForWindowActive(&p.window));
    auto* scenePicker = p.find<QPushButton>("Button3");
    scenePicker->setFocus(Qt::TabFocusReason);
    QTest::keyClick(scenePicker, Qt::Key_Return);
    QCOMPARE(p.port.shown.size(), std::size_t{1});
    QCOMPARE(p.port.shown[0].kind, ScriptedUserPort::Kind::OpenDialog);
    QCOMPARE(p.port.shown[0].request.filter, std::string("Coordinate Files (*.crd)|*.crd"));
    QVERIFY(!p.window.mainCommands().running());

    p.port.clear();
    p.port.unexpected = 0;
    p.takeSeries(dir.path());
    auto* listPicker = p.find<QPushButton>("Button4");
    listPicker->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(listPicker, Qt::Key_Enter);
    QVERIFY(p.port.shown.empty());
    QVERIFY(p.window.mainCommands().running());
    QTRY_VERIFY_WITH_TIMEOUT(p.runOver(), 120000);
    QCOMPARE(p.text("Edit5"), QString("1799.7003"));
  }

  // F1 opens the help as "Справка" does; the settings dialog is in the "Счёт" menu as well.
  void f1AndTheSettingsMenuItem() {
    StartedProgram p;
    QVERIFY(QTest::qWaitForWindowActive(&p.window));
    QTest::keyClick(p.find("Edit6"), Qt::Key_F1);
    auto* help = p.window.findChild<kavo::HelpWindow*>("HelpWindow");
    QVERIFY(help != nullptr && help->isVisible());
    help->close();

    auto* settings = p.find<QAction>("N14");
    QCOMPARE(settings->text(), QString("Настройки..."));
    QCOMPARE(settings->shortcut(), QKeySequence("Ctrl+J"));
    QVERIFY(p.find<QMenu>("N9")->actions().contains(settings));
    bool opened = false;
    QTimer::singleShot(0, [&] {
      if (QApplication::activeModalWidget() == p.windows.settings.get()) {
        opened = true;
        p.windows.settings->Button2Click();
      }
    });
    settings->trigger();
    QVERIFY(opened);
  }

  void filesFromOutside_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("field"); // empty: refused
    QTest::newRow("camera") << "k.cam"
                            << "Edit6";
    QTest::newRow("scene, upper case") << "SCENE.CRD"
                                       << "Edit4";
    QTest::newRow("list") << "s.lst"
                          << "Edit1";
    QTest::newRow("other kind") << "notes.txt"
                                << "";
  }
  void filesFromOutside() {
    QFETCH(QString, name);
    QFETCH(QString, field);
    QTemporaryDir dir;
    QVERIFY(writeLines(dir.path() + "/" + name, {"1"}));
    StartedProgram p;
    QCOMPARE(p.window.openFileByExtension(dir.path() + "/" + name), !field.isEmpty());
    if (field.isEmpty()) {
      QVERIFY(!p.window.statusBar()->currentMessage().isEmpty());
      return;
    }
    QCOMPARE(p.text(field.toLatin1().constData()), name);
    QCOMPARE(QDir::currentPath(), QDir(dir.path()).canonicalPath());
    QVERIFY(p.port.shown.empty());
    QVERIFY(!p.window.openFileByExtension(dir.path() + "/missing.cam"));
    QCOMPARE(p.text(field.toLatin1().constData()), name);
  }

  // kavo data/a/camera.cam data/b/scene.crd ...: every name is taken from the starting directory,
  // though each file moves the current directory to its own folder.
  void commandLineNamesAreRelativeToTheStart() {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("a");
    QDir(dir.path()).mkpath("b");
    for (const char* name : {"a/camera.cam", "b/scene.crd", "b/series.lst"})
      QVERIFY(writeLines(dir.path() + "/" + name, {"1"}));
    QDir::setCurrent(dir.path());
    StartedProgram p;
    const QStringList refused =
        p.window.openFiles({"a/camera.cam", "b/scene.crd", "b/series.lst", "a/notes.txt"});
    QCOMPARE(refused, QStringList{"a/notes.txt"});
    QCOMPARE(QString::fromStdString(p.window.calibration().sceneFile), dir.path() + "/b/scene.crd");
    QCOMPARE(QString::fromStdString(p.window.calibration().listFile), dir.path() + "/b/series.lst");
    QCOMPARE(QDir::currentPath(), QDir(dir.path() + "/b").canonicalPath());
    QVERIFY(p.computeEnabled());
  }

  void droppedFilesGoToTheirFields() {
    QTemporaryDir dir;
    QStringList paths;
    QList<QUrl> urls;
    for (const char* name : {"camera.cam", "scene.crd", "series.lst"}) {
      QVERIFY(writeLines(dir.path() + "/" + name, {"1"}));
      urls << QUrl::fromLocalFile(dir.path() + "/" + name);
    }
    StartedProgram p;
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&p.window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&p.window, &drop);
    QCOMPARE(p.text("Edit6"), QString("camera.cam"));
    QCOMPARE(p.text("Edit4"), QString("scene.crd"));
    QCOMPARE(p.text("Edit1"), QString("series.lst"));
    QVERIFY(p.computeEnabled());

    QMimeData other;
    other.setUrls({QUrl::fromLocalFile(dir.path() + "/notes.txt")});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &other, Qt::LeftButton, Qt::NoModifier);
    refused.ignore();
    QApplication::sendEvent(&p.window, &refused);
    QVERIFY(!refused.isAccepted());
  }

  void listDoubleClickOpensTheTextEditor() {
    StartedProgram p;
    QStringList opened;
    p.window.openTextEditor = [&](const QString& file) {
      opened << file;
      return true;
    };
    QTest::mouseDClick(p.find("Edit1"), Qt::LeftButton);
    p.window.calibration().listFile = "/data/series.lst";
    QTest::mouseDClick(p.find("Edit1"), Qt::LeftButton);
    QCOMPARE(opened, (QStringList{"", "/data/series.lst"}));
  }

  // The camera and scene fields open the data editor on their file, modally.
  void cameraAndSceneOpenTheEditor_data() {
    QTest::addColumn<QString>("field");
    QTest::newRow("camera") << "Edit6";
    QTest::newRow("scene") << "Edit4";
  }
  void cameraAndSceneOpenTheEditor() {
    QFETCH(QString, field);
    QTemporaryDir dir;
    QVERIFY(copySampleSeries(dir.path()));
    StartedProgram p;
    p.takeSeries(dir.path());
    bool editorShown = false;
    QTimer::singleShot(0, [&] {
      if (auto* editor = qobject_cast<kavo::TRedForm*>(QApplication::activeModalWidget())) {
        editorShown = true;
        editor->close();
      }
    });
    QTest::mouseDClick(p.find(field.toLatin1().constData()), Qt::LeftButton);
    QVERIFY(editorShown);
    QCOMPARE(p.port.unexpected, 0);
  }

  void helpShowsTheProgramsOwnPage() {
    StartedProgram p;
    p.find<QAction>("N12")->trigger();
    auto* help = p.window.findChild<kavo::HelpWindow*>("HelpWindow");
    QVERIFY(help != nullptr && help->isVisible());
    const QString page = help->browser()->toPlainText();
    for (const char* topic :
         {"Файл внутренней геометрии", "Список калибровочных файлов", "Настройки", "Метод"})
      QVERIFY2(page.contains(topic), topic);
  }

  void aboutBox() {
    StartedProgram p;
    QStringList labels;
    QString title;
    bool icon = false;
    QTimer::singleShot(0, [&] {
      QWidget* box = QApplication::activeModalWidget();
      if (box == nullptr)
        return;
      title = box->windowTitle();
      for (const char* name : {"ProductName", "Version", "Copyright"})
        labels << box->findChild<QLabel*>(name)->text();
      icon = !box->findChild<QLabel*>("ProgramIcon")->pixmap().isNull();
      QTest::mouseClick(box->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    });
    p.find<QAction>("N13")->trigger();
    QCOMPARE(title, QString("О программе"));
    QCOMPARE(labels, (QStringList{"Kavo", "Version 1.0.0", "2003"}));
    QVERIFY(icon);
  }

  void exitMenuClosesWithoutAResult() {
    StartedProgram p;
    p.find<QAction>("N5")->trigger();
    QVERIFY(!p.window.isVisible());
    QVERIFY(p.port.shown.empty());
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
