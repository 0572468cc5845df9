// The desktop's glue around the Qt-free core: file dialog filters, the kind of a file handed over
// from outside, the text editor's command line, the Synchronize dispatcher and the message boxes.
#include "focus_form.h"
#include "qt_dispatcher.h"
#include "qt_user_port.h"
#include "text_editor_launcher.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <stdexcept>
#include <thread>

class QtGlueTest : public QObject {
  Q_OBJECT

private slots:
  void nameFilters_data() {
    QTest::addColumn<QString>("windows");
    QTest::addColumn<QString>("qt");
    QTest::newRow("camera") << "Camera Files|*.cam|All Files|*.*"
                            << "Camera Files (*.cam);;All Files (*)";
    QTest::newRow("pattern already shown") << "Coordinate Files (*.crd)|*.crd"
                                           << "Coordinate Files (*.crd)";
    QTest::newRow("save") << "Parameters Files|*.cam|All Files|*.*"
                          << "Parameters Files (*.cam);;All Files (*)";
    QTest::newRow("two patterns") << "Pictures|*.bmp;*.dib"
                                  << "Pictures (*.bmp *.dib)";
  }
  void nameFilters() {
    QFETCH(QString, windows);
    QFETCH(QString, qt);
    QCOMPARE(kavo::qtNameFilter(windows.toStdString()), qt);
  }

  void defaultSuffix() {
    QCOMPARE(kavo::dialogDefaultSuffix("cam"), QString("cam"));
    QCOMPARE(kavo::dialogDefaultSuffix("*.crd"), QString("crd"));
    QCOMPARE(kavo::dialogDefaultSuffix(""), QString());
  }

  void fieldForFile() {
    QCOMPARE(kavo::fieldForFile("/a/b/k.cam"), std::optional(kavo::FileField::Camera));
    QCOMPARE(kavo::fieldForFile("/a/b.lst/SCENE.Crd"), std::optional(kavo::FileField::Scene));
    QCOMPARE(kavo::fieldForFile("series.lst"), std::optional(kavo::FileField::List));
    QCOMPARE(kavo::fieldForFile("/a/b.cam/notes"), std::nullopt);
    QCOMPARE(kavo::fieldForFile("camera.cam.bak"), std::nullopt);
  }

  void editorCommandFromExec_data() {
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("command"); // program first; empty: none
    QTest::newRow("file code") << "gedit %U"
                               << "/d/s.lst" << QStringList{"gedit", "/d/s.lst"};
    QTest::newRow("no file") << "gedit %U"
                             << "" << QStringList{"gedit"};
    QTest::newRow("other codes dropped") << "kate -b %i %c %k %F"
                                         << "/d/s.lst" << QStringList{"kate", "-b", "/d/s.lst"};
    QTest::newRow("quoted program") << "\"/opt/my editor/ed\" --new %f"
                                    << "/d/a b.lst"
                                    << QStringList{"/opt/my editor/ed", "--new", "/d/a b.lst"};
    QTest::newRow("percent sign") << "ed --title=100%% %f"
                                  << "x" << QStringList{"ed", "--title=100%", "x"};
    QTest::newRow("empty") << ""
                           << "x" << QStringList{};
  }
  void editorCommandFromExec() {
    QFETCH(QString, exec);
    QFETCH(QString, file);
    QFETCH(QStringList, command);
    const auto got = kavo::commandFromExec(exec, file);
    if (command.isEmpty()) {
      QVERIFY(!got);
      return;
    }
    QVERIFY(got);
    QCOMPARE(QStringList{got->program} + got->arguments, command);
  }

  // The Qt file dialogs behind the port: filters, folder, proposed name, suffix and the answer.
  void fileDialogs_data() {
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("proposed"); // "@" stands for the folder
    QTest::addColumn<bool>("accept");
    QTest::newRow("open camera file") << false << "Kalibr" << true;
    QTest::newRow("open cancelled") << false << "Kalibr" << false;
    QTest::newRow("save proposed copy") << true << "@/KalibrF.cam" << true;
  }
  void fileDialogs() {
    QFETCH(bool, save);
    QFETCH(QString, proposed);
    QFETCH(bool, accept);
    QTemporaryDir dir;
    QFile(dir.path() + "/Kalibr.cam").open(QIODevice::WriteOnly);
    const QString start = QDir::currentPath();
    kavo::QtUserPort port;
    kavo::FileDialogRequest request;
    request.filter = "Camera Files|*.cam|All Files|*.*";
    request.defaultExtension = "cam";
    request.proposedName = QString(proposed).replace("@", dir.path()).toStdString();
    request.initialFolder = save ? "" : dir.path().toStdString();
    QStringList filters;
    QString folder, suffix, selected;
    bool confirmsOverwrite = true;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr)
        return;
      filters = dialog->nameFilters();
      folder = dialog->directory().absolutePath();
      suffix = dialog->defaultSuffix();
      confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
      selected = dialog->selectedFiles().value(0);
      if (!accept) {
        dialog->reject();
        return;
      }
      if (!save)
        dialog->selectFile("Kalibr.cam");
      static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, as the Open button does
    });
    const auto chosen = save ? port.chooseSaveFile(request) : port.chooseOpenFile(request);
    const QString currentAfter = QDir::currentPath();
    QDir::setCurrent(start);

    QCOMPARE(filters, (QStringList{"Camera Files (*.cam)", "All Files (*)"}));
    QCOMPARE(folder, dir.path());
    QCOMPARE(suffix, QString("cam"));
    QVERIFY(!confirmsOverwrite); // the main window asks its own question
    // The proposed name, with the default suffix when it has none.
    QCOMPARE(QFileInfo(selected).fileName(), save ? QString("KalibrF.cam") : QString("Kalibr.cam"));
    if (!accept) {
      QVERIFY(!chosen);
      return;
    }
    QVERIFY(chosen);
    QCOMPARE(QString::fromStdString(*chosen), dir.path() + (save ? "/KalibrF.cam" : "/Kalibr.cam"));
    if (save) // a save moves the current directory, as the pickers do
      QCOMPARE(currentAfter, QDir(dir.path()).canonicalPath());
  }

  // The photo dialog's pickers behind the port: several photos at once, and a folder; a cancel gives
  // nothing.
  void severalFilesAndAFolder_data() {
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("typed"); // "" cancels
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("two photos") << false << "\"b.jpg\" \"a.png\"" << QStringList{"a.png", "b.jpg"};
    QTest::newRow("photos cancelled") << false << "" << QStringList{};
    QTest::newRow("folder") << true << "out" << QStringList{"out"};
    QTest::newRow("folder cancelled") << true << "" << QStringList{};
  }
  void severalFilesAndAFolder() {
    QFETCH(bool, folder);
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    for (const char* name : {"a.png", "b.jpg", "notes.txt"})
      QFile(dir.path() + "/" + name).open(QIODevice::WriteOnly);
    QVERIFY(QDir(dir.path()).mkdir("out"));
    kavo::QtUserPort port;
    kavo::FileDialogRequest request;
    request.filter = "Снимки|*.png;*.jpg|Все файлы|*.*";
    request.initialFolder = dir.path().toStdString();
    QStringList filters;
    QString opened;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr)
        return;
      filters = dialog->nameFilters();
      opened = dialog->directory().absolutePath();
      mode = dialog->fileMode();
      if (typed.isEmpty()) {
        dialog->reject();
        return;
      }
      dialog->findChild<QLineEdit*>("fileNameEdit")->setText(typed); // as the user types the names
      static_cast<QDialog*>(dialog)->accept();
    });
    QStringList chosen;
    if (folder) {
      if (const auto picked = port.chooseFolder(request))
        chosen << QString::fromStdString(*picked);
    } else {
      for (const std::string& file : port.chooseOpenFiles(request))
        chosen << QString::fromStdString(file);
    }
    QCOMPARE(opened, dir.path());
    QCOMPARE(mode, folder ? QFileDialog::Directory : QFileDialog::ExistingFiles);
    if (!folder)
      QCOMPARE(filters, (QStringList{"Снимки (*.png *.jpg)", "Все файлы (*)"}));
    chosen.sort();
    for (QString& name : expected)
      name = dir.path() + "/" + name;
    QCOMPARE(chosen, expected);
  }

  // Synchronize: a step from a worker runs on the GUI thread while the worker waits, and its
  // error comes back to the worker; on the GUI thread itself the step runs in place.
  void dispatcherRunsStepsOnTheGuiThread() {
    QObject context;
    kavo::QtDispatcher dispatcher(&context);
    QThread* stepThread = nullptr;
    dispatcher.runAndWait([&] { stepThread = QThread::currentThread(); });
    QCOMPARE(stepThread, QThread::currentThread());

    std::atomic<bool> done{false};
    std::string caught;
    int value = 0;
    std::thread worker([&] {
      dispatcher.runAndWait([&] {
        stepThread = QThread::currentThread();
        value = 42;
      });
      try {
        dispatcher.runAndWait([] { throw std::runtime_error("step failed"); });
      } catch (const std::exception& error) {
        caught = error.what();
      }
      done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 30000);
    worker.join();
    QCOMPARE(stepThread, QThread::currentThread());
    QCOMPARE(value, 42);
    QCOMPARE(caught, std::string("step failed"));
  }

  // A message box: its owner, caption, text, icon, detailed text and buttons.
  void messageBoxes_data() {
    QTest::addColumn<int>("owner");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<bool>("question");
    QTest::newRow("reader error, no owner") << int(kavo::BoxOwner::None) << int(QMessageBox::NoIcon)
                                            << "camera.cam, line 5: \"abc\" is not a number" << false;
    QTest::newRow("catch-all, owned")
        << int(kavo::BoxOwner::MainWindow) << int(QMessageBox::Warning) << "" << false;
    // A question that names no icon shows the question mark.
    QTest::newRow("question, owned") << int(kavo::BoxOwner::MainWindow) << int(QMessageBox::Question) << ""
                                     << true;
  }
  void messageBoxes() {
    QFETCH(int, owner);
    QFETCH(int, icon);
    QFETCH(QString, detail);
    QFETCH(bool, question);
    QMainWindow mainWindow;
    mainWindow.show();
    kavo::QtUserPort port;
    port.setMainWindow(&mainWindow);
    kavo::UserMessage message{"Текст", "Ошибка!", detail.toStdString(), kavo::BoxOwner(owner),
                              icon == QMessageBox::Warning ? kavo::BoxIcon::Exclamation
                                                           : kavo::BoxIcon::None};
    QWidget* parent = &mainWindow; // anything but a real owner
    QString title, text, detailed;
    QStringList buttons;
    int shownIcon = -1;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr)
        return;
      parent = box->parentWidget();
      title = box->windowTitle();
      text = box->text();
      detailed = box->detailedText();
      shownIcon = box->icon();
      for (QAbstractButton* b : box->buttons())
        if (box->buttonRole(b) != QMessageBox::ActionRole) // "Show Details..."
          buttons << b->text();
      box->button(question ? QMessageBox::Yes : QMessageBox::Ok)->click();
    });
    if (question)
      QVERIFY(port.askYesNo(message));
    else
      port.showMessage(message);
    QCOMPARE(parent, owner == int(kavo::BoxOwner::MainWindow) ? &mainWindow : nullptr);
    QCOMPARE(title, QString("Ошибка!"));
    QCOMPARE(text, QString("Текст"));
    QCOMPARE(detailed, detail);
    QCOMPARE(shownIcon, icon);
    buttons.sort();
    QCOMPARE(buttons, (question ? QStringList{"Да", "Нет"} : QStringList{"OK"}));
  }

  // The three-way question: its buttons, and Escape putting the question aside rather than
  // answering No.
  void threeWayQuestion_data() {
    QTest::addColumn<QString>("press");
    QTest::addColumn<int>("expected");
    QTest::newRow("yes") << "Да" << int(kavo::Answer::Yes);
    QTest::newRow("no") << "Нет" << int(kavo::Answer::No);
    QTest::newRow("cancel") << "Отмена" << int(kavo::Answer::Cancel);
    QTest::newRow("escape") << "" << int(kavo::Answer::Cancel);
  }
  void threeWayQuestion() {
    QFETCH(QString, press);
    QFETCH(int, expected);
    QMainWindow mainWindow;
    mainWindow.show();
    kavo::QtUserPort port;
    port.setMainWindow(&mainWindow);
    QStringList buttons;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr)
        return;
      for (QAbstractButton* b : box->buttons())
        buttons << b->text();
      if (press.isEmpty()) {
        QTest::keyClick(box, Qt::Key_Escape);
        return;
      }
      for (QAbstractButton* b : box->buttons())
        if (b->text() == press)
          b->click();
    });
    const kavo::Answer answer = port.askYesNoCancel(
        kavo::UserMessage{"Сохранить результат?", "Сохранение", {}, kavo::BoxOwner::MainWindow, {}});
    QCOMPARE(int(answer), expected);
    buttons.sort();
    QCOMPARE(buttons, (QStringList{"Да", "Нет", "Отмена"}));
  }
};

QTEST_MAIN(QtGlueTest)
#include "qt_glue_test.moc"
