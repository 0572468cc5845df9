// Save and closing from the main window: Save with each answer, a pick after the result, the
// closing question with each answer (with the real box and Escape too), and the copy kavo-cli's
// --save writes through the same Save.
#include "cli/cli.h"
#include "platform/text_file.h"
#include "qt_user_port.h"
#include "window_fixture.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <sstream>

using Kind = ScriptedUserPort::Shown::Kind;

namespace {

const char* const kSavedLine4 = "1799.7003 ; Фокусное расстояние(пикс.).  СКО = 9.1391;  Ст.откл. = 0.2547";

std::vector<std::string> linesOf(const QString& path) {
  return kavo::loadLines(path.toStdString()).lines;
}

QByteArray bytesOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class MainWindowSaveTest : public QObject {
  Q_OBJECT

  QString startFolder;

private slots:
  void init() { startFolder = QDir::currentPath(); }
  void cleanup() { QDir::setCurrent(startFolder); }

  // Save after a run. target: where the user saves ("" cancels); existing: the file is there
  // already; answer: the answer to the overwrite question.
  void saveWithEachAnswer_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("written");
    QTest::newRow("dialog cancelled") << "" << false << false << false;
    QTest::newRow("new file") << "cameraF.cam" << false << false << true;
    QTest::newRow("overwrite declined") << "cameraF.cam" << true << false << false;
    QTest::newRow("overwrite accepted") << "cameraF.cam" << true << true << true;
    QTest::newRow("over the camera file itself") << "camera.cam" << true << true << true;
    QTest::newRow("folder missing") << "no/such/folder/x.cam" << false << false << false;
  }
  void saveWithEachAnswer() {
    QFETCH(QString, target);
    QFETCH(bool, existing);
    QFETCH(bool, answer);
    QFETCH(bool, written);
    QTemporaryDir dir;
    QVERIFY(copySampleSeries(dir.path()));
    const QString path = dir.path() + "/" + target;
    if (existing && target != "camera.cam")
      QVERIFY(writeLines(path, {"old"}));
    const auto before = linesOf(dir.path() + "/camera.cam");
    StartedProgram p;
    p.takeSeries(dir.path());
    p.runAndWait();
    QCOMPARE(p.text("Edit5"), QString("1799.7003"));
    p.port.clear();

    p.port.saveFiles = {target.isEmpty() ? std::nullopt : std::optional<std::string>(path.toStdString())};
    if (existing)
      p.port.answers = {answer};
    QTest::mouseClick(p.find<QPushButton>("Button1"), Qt::LeftButton);

    const auto& dialog = p.port.shown.at(0);
    QCOMPARE(dialog.kind, Kind::SaveDialog);
    QCOMPARE(dialog.request.filter, std::string("Parameters Files|*.cam|All Files|*.*"));
    QCOMPARE(QString::fromStdString(dialog.request.proposedName), dir.path() + "/cameraF.cam");
    if (existing) {
      const auto& question = p.port.shown.at(1);
      QCOMPARE(question.kind, Kind::Question);
      QCOMPARE(QString::fromStdString(question.message.text),
               "Файл " + QFileInfo(path).fileName() + " уже существует. Перезаписать?");
      QCOMPARE(question.message.caption, std::string("Предупреждение"));
      QCOMPARE(question.message.owner, kavo::BoxOwner::MainWindow);
    }
    if (target.startsWith("no/")) {
      QCOMPARE(p.port.texts(), std::vector<std::string>{"Ошибка записи cam-файла!"});
      QCOMPARE(p.port.shown.back().message.owner, kavo::BoxOwner::MainWindow);
      QCOMPARE(p.port.shown.back().message.icon, kavo::BoxIcon::Error);
      QVERIFY(!p.port.shown.back().message.detail.empty());
    }
    QCOMPARE(p.port.unexpected, 0);

    // Saved means written: only then is Save disabled and the result no longer asked about.
    QCOMPARE(p.window.calibration().resultSaved, written);
    QCOMPARE(p.saveEnabled(), !written);
    if (written) {
      const auto lines = linesOf(path);
      QCOMPARE(lines.size(), before.size());
      QCOMPARE(lines[3], std::string(kSavedLine4));
      for (std::size_t i : {0u, 1u, 2u, 4u, 5u, 6u, 7u})
        QCOMPARE(lines[i], before[i]);
    } else if (existing && target != "camera.cam") {
      QCOMPARE(linesOf(path), std::vector<std::string>{"old"});
    } else if (!existing && !target.isEmpty()) {
      QVERIFY(!QFile::exists(path));
    }
    if (target != "camera.cam" || !written)
      QCOMPARE(linesOf(dir.path() + "/camera.cam"), before);
  }

  // A pick after the result clears the fields, and Save goes with them: the button, the menu item
  // and Ctrl+S write nothing, so no file ever holds a result that is no longer shown.
  void pickAfterTheResultLeavesNothingToSave() {
    QTemporaryDir dir, other;
    QVERIFY(copySampleSeries(dir.path()));
    QVERIFY(writeLines(other.path() + "/other.lst", {"img01.crd", "img02.crd", "25"}));
    StartedProgram p;
    p.takeSeries(dir.path());
    p.runAndWait();
    QVERIFY(p.saveEnabled());
    p.port.openFiles = {(other.path() + "/other.lst").toStdString()};
    QTest::mouseClick(p.find<QPushButton>("Button4"), Qt::LeftButton);
    QCOMPARE(p.text("Edit1"), QString("other.lst"));
    QCOMPARE(p.text("Edit5"), QString());
    QVERIFY(!p.saveEnabled());
    p.port.clear();
    p.port.saveFiles = {(dir.path() + "/stale.cam").toStdString()};
    QTest::mouseClick(p.find<QPushButton>("Button1"), Qt::LeftButton);
    p.find<QAction>("N3")->trigger();
    QTest::keyClick(&p.window, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(p.port.shown.empty()); // no save dialog was offered
    QVERIFY(!QFile::exists(dir.path() + "/stale.cam"));
    QVERIFY(p.window.close()); // and nothing is left to ask about
    QVERIFY(p.port.shown.empty());
  }

  // Ctrl+S saves a shown result as the button does.
  void ctrlSSaves() {
    QTemporaryDir dir;
    QVERIFY(copySampleSeries(dir.path()));
    StartedProgram p;
    p.takeSeries(dir.path());
    p.runAndWait();
    QVERIFY(QTest::qWaitForWindowActive(&p.window));
    p.port.saveFiles = {(dir.path() + "/saved.cam").toStdString()};
    QTest::keyClick(p.find("Edit6"), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(linesOf(dir.path() + "/saved.cam").at(3), std::string(kSavedLine4));
    QVERIFY(!p.saveEnabled());
  }

  // Closing: answers to "Сохранить результат?" (Да, Нет, Отмена) and what they leave behind.
  void closing_data() {
    QTest::addColumn<bool>("withResult");
    QTest::addColumn<bool>("saveFirst");
    QTest::addColumn<int>("answer");     // -1 not asked, else a kavo::Answer
    QTest::addColumn<QString>("saveTo"); // after Да; "" cancels the save dialog
    QTest::addColumn<bool>("closed");
    const int yes = int(kavo::Answer::Yes), no = int(kavo::Answer::No), cancel = int(kavo::Answer::Cancel);
    QTest::newRow("no result") << false << false << -1 << "" << true;
    QTest::newRow("result saved before") << true << true << -1 << "" << true;
    QTest::newRow("unsaved, Нет") << true << false << no << "" << true;
    QTest::newRow("unsaved, Отмена") << true << false << cancel << "" << false;
    QTest::newRow("unsaved, Да, saved") << true << false << yes << "cameraF.cam" << true;
    QTest::newRow("unsaved, Да, dialog cancelled") << true << false << yes << "" << false;
    QTest::newRow("unsaved, Да, write failed") << true << false << yes << "no/such/x.cam" << false;
  }
  void closing() {
    QFETCH(bool, withResult);
    QFETCH(bool, saveFirst);
    QFETCH(int, answer);
    QFETCH(QString, saveTo);
    QFETCH(bool, closed);
    QTemporaryDir dir;
    QVERIFY(copySampleSeries(dir.path()));
    StartedProgram p;
    if (withResult) {
      p.takeSeries(dir.path());
      p.runAndWait();
    }
    if (saveFirst) {
      p.port.saveFiles = {(dir.path() + "/first.cam").toStdString()};
      QVERIFY(p.window.SaveFocalLength());
    }
    p.port.clear();
    if (answer >= 0)
      p.port.threeWayAnswers = {kavo::Answer(answer)};
    if (answer == int(kavo::Answer::Yes))
      p.port.saveFiles = {saveTo.isEmpty()
                              ? std::nullopt
                              : std::optional<std::string>((dir.path() + "/" + saveTo).toStdString())};

    QCOMPARE(p.window.close(), closed);
    QCOMPARE(p.window.isVisible(), !closed);
    const auto texts = p.port.texts();
    if (answer < 0) {
      QVERIFY(texts.empty());
    } else {
      QCOMPARE(texts.at(0), std::string("Сохранить результат?"));
      QCOMPARE(p.port.shown.at(0).message.caption, std::string("Сохранение"));
      QCOMPARE(p.port.shown.at(0).message.owner, kavo::BoxOwner::MainWindow);
      QCOMPARE(p.port.shown.at(0).message.icon, kavo::BoxIcon::Question);
    }
    if (answer == int(kavo::Answer::Yes) && closed)
      QCOMPARE(linesOf(dir.path() + "/" + saveTo).at(3), std::string(kSavedLine4));
    if (!closed) { // the result is still there to be saved
      QVERIFY(!p.window.calibration().resultSaved);
      QVERIFY(p.saveEnabled());
      QCOMPARE(p.text("Edit5"), QString("1799.7003"));
    }
    QCOMPARE(p.port.unexpected, 0);
  }

  // The real question box: Escape and the box's own close put the question aside, and the window
  // stays open with its result; Нет still closes.
  void closingQuestionWithTheRealBox_data() {
    QTest::addColumn<QString>("how"); // "escape", "close" or a button's text
    QTest::addColumn<bool>("closed");
    QTest::newRow("Escape") << "escape" << false;
    QTest::newRow("title-bar close") << "close" << false;
    QTest::newRow("Отмена") << "Отмена" << false;
    QTest::newRow("Нет") << "Нет" << true;
  }
  void closingQuestionWithTheRealBox() {
    QFETCH(QString, how);
    QFETCH(bool, closed);
    QTemporaryDir dir;
    QVERIFY(copySampleSeries(dir.path()));
    kavo::QtUserPort port;
    kavo::ProgramWindows windows(port, '.');
    kavo::TFocus_Form& window = *windows.mainWindow;
    port.setMainWindow(&window);
    window.show();
    window.Image1Click();
    window.takeFile(kavo::FileField::Camera, dir.path() + "/camera.cam");
    window.takeFile(kavo::FileField::Scene, dir.path() + "/scene.crd");
    window.takeFile(kavo::FileField::List, dir.path() + "/series.lst");
    window.N10Click();
    QTRY_VERIFY_WITH_TIMEOUT(!window.mainCommands().running(), 120000);
    QCOMPARE(window.findChild<QLineEdit*>("Edit5")->text(), QString("1799.7003"));

    QString asked;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr)
        return;
      asked = box->text();
      if (how == "escape") {
        QTest::keyClick(box, Qt::Key_Escape);
      } else if (how == "close") {
        box->close();
      } else {
        for (QAbstractButton* b : box->buttons())
          if (b->text() == how)
            b->click();
      }
    });
    QCOMPARE(window.close(), closed);
    QCOMPARE(asked, QString("Сохранить результат?"));
    QCOMPARE(window.isVisible(), !closed);
    if (!closed) {
      QVERIFY(!window.calibration().resultSaved);
      QVERIFY(window.findChild<QPushButton*>("Button1")->isEnabled());
    }
  }

  // The window's Save and kavo-cli's --save are one Save: the same series gives the same bytes.
  void windowAndCommandLineSaveTheSameCopy() {
    QTemporaryDir dir;
    QVERIFY(copySampleSeries(dir.path()));
    StartedProgram p;
    p.takeSeries(dir.path());
    p.runAndWait();
    p.port.saveFiles = {(dir.path() + "/window.cam").toStdString()};
    QVERIFY(p.window.SaveFocalLength());

    const auto path = [&](const char* name) { return (dir.path() + "/" + name).toStdString(); };
    std::ostringstream out, err;
    const int status =
        kavo::runCli({"compute", "--camera", path("camera.cam"), "--scene", path("scene.crd"), "--list",
                      path("series.lst"), "--decimal-separator", ".", "--save", path("cli.cam")},
                     out, err);
    QCOMPARE(status, 0);
    const QByteArray window = bytesOf(dir.path() + "/window.cam");
    QVERIFY(window.contains("1799.7003 ;"));
    QCOMPARE(bytesOf(dir.path() + "/cli.cam"), window);
  }
};

QTEST_MAIN(MainWindowSaveTest)
#include "main_window_save_test.moc"
