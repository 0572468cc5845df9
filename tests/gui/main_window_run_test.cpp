// Runs from the main window: the sample series end to end, the debug memo, Save with each answer,
// closing with and without an unsaved result, Escape and closing while a run is under way.
#include "graph_window.h"
#include "window_fixture.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTimer>

#include "platform/text_file.h"

using Kind = ScriptedUserPort::Shown::Kind;

namespace {

const char* const kSavedLine4 = "1799.7003 ; Фокусное расстояние(пикс.).  СКО = 9.1391;  Ст.откл. = 0.2547";

std::vector<std::string> linesOf(const QString& path) {
  return kavo::loadLines(path.toStdString()).lines;
}

} // namespace

class MainWindowRunTest : public QObject {
  Q_OBJECT

  QString startFolder;

  // Enter on the window, then waits for the worker to end.
  static void runAndWait(StartedProgram& p) {
    QTest::keyClick(&p.window, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(p.runOver(), 120000);
  }

private slots:
  void initTestCase() { QVERIFY2(!sampleSeriesFolder().isEmpty(), "the sample series is missing"); }
  void init() { startFolder = QDir::currentPath(); }
  void cleanup() { QDir::setCurrent(startFolder); }

  void sampleSeriesShowsItsFocalLength() {
    QTemporaryDir dir;
    QVERIFY(copySampleSeries(dir.path()));
    StartedProgram p;
    p.takeSeries(dir.path());
    QVERIFY(p.computeEnabled());
    QTest::keyClick(&p.window, Qt::Key_Return);
    QVERIFY(p.window.computeCommand().running());
    QVERIFY(!p.computeEnabled());                                  // no second run under a running worker
    QCOMPARE(p.find<QProgressBar>("ProgressBar1")->maximum(), 22); // 25 reference points - 3
    QTRY_VERIFY_WITH_TIMEOUT(p.runOver(), 120000);

    QCOMPARE(p.text("Edit5"), QString("1799.7003"));
    QCOMPARE(p.text("Edit8"), QString("9.1391"));
    QCOMPARE(p.text("Edit9"), QString("0.2547"));
    QVERIFY(p.saveEnabled());
    QVERIFY(p.computeEnabled());
    QVERIFY(!p.window.calibration().resultSaved);
    QCOMPARE(p.find<QProgressBar>("ProgressBar1")->value(), 0);
    QCOMPARE(p.port.texts(), std::vector<std::string>{});
    QCOMPARE(p.find<QPlainTextEdit>("Memo1")->toPlainText(), QString()); // normal mode writes no memo
  }

  // Debug mode: the distribution window is left with "OK" or "Выход".
  void debugModeMemo_data() {
    QTest::addColumn<bool>("exitPressed");
    QTest::newRow("OK") << false;
    QTest::newRow("Выход") << true;
  }
  void debugModeMemo() {
    QFETCH(bool, exitPressed);
    QTemporaryDir dir;
    QVERIFY(copySampleSeries(dir.path()));
    StartedProgram p;
    p.window.calibration().processingMode = 2;
    p.window.applyProcessingMode(2);
    p.takeSeries(dir.path());
    bool graphShown = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
      if (auto* graph = qobject_cast<kavo::TRForm*>(QApplication::activeModalWidget())) {
        graphShown = true;
        if (exitPressed) {
          graph->Button4Click();
        } else {
          graph->Button2Click(); // one clipping pass at 3 deviations, as the normal mode does
          graph->Button3Click();
        }
      }
    });
    poll.start(20);
    runAndWait(p);
    QVERIFY(graphShown);

    // The listing: its heading and the 1314 values in fixed form, then the summary of a taken result.
    const QStringList memo = p.find<QPlainTextEdit>("Memo1")->toPlainText().split('\n');
    QCOMPARE(memo.size(), exitPressed ? 1 + 1314 : 1 + 1314 + 5);
    QCOMPARE(memo[0], QString("-------Результаты счёта-------"));
    QVERIFY(QRegularExpression("^-?\\d+\\.\\d{4}$").match(memo[1]).hasMatch());
    if (exitPressed) {
      QCOMPARE(p.text("Edit5"), QString());
      QVERIFY(!p.saveEnabled());
      QVERIFY(!p.window.statusBar()->currentMessage().isEmpty());
      QCOMPARE(p.find<QProgressBar>("ProgressBar1")->value(), 0);
      return;
    }
    const QStringList summary = memo.mid(memo.size() - 5);
    QCOMPARE(summary, (QStringList{"-------Результаты счёта-------", "Среднее значение: 1799.7003",
                                   "Отклонение: 9.1391", "Стандартное отклонение: 0.2547",
                                   "Общее количество используемых переборов:  1314"}));
    QCOMPARE(p.text("Edit5"), QString("1799.7003"));
  }

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
    runAndWait(p);
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

  // A pick after the result clears the fields; Save still writes the result that was shown, into
  // a copy of the camera file it was computed with.
  void saveAfterAPickWritesTheShownResult() {
    QTemporaryDir dir, other;
    QVERIFY(copySampleSeries(dir.path()));
    QVERIFY(writeLines(other.path() + "/other.cam", {"1", "2", "3", "4", "5", "6", "7", "8"}));
    StartedProgram p;
    p.takeSeries(dir.path());
    runAndWait(p);
    p.window.takeFile(kavo::FileField::Camera, other.path() + "/other.cam");
    QCOMPARE(p.text("Edit5"), QString());
    QVERIFY(p.saveEnabled());
    p.port.saveFiles = {(dir.path() + "/saved.cam").toStdString()};
    p.window.Button1Click();
    QCOMPARE(QString::fromStdString(p.port.shown.at(0).request.proposedName), dir.path() + "/cameraF.cam");
    QCOMPARE(linesOf(dir.path() + "/saved.cam").at(3), std::string(kSavedLine4));
  }

  // Closing: answers to "Сохранить результат?" and what they leave behind.
  void closing_data() {
    QTest::addColumn<bool>("withResult");
    QTest::addColumn<bool>("saveFirst");
    QTest::addColumn<int>("answer");     // -1 not asked, 0 no, 1 yes
    QTest::addColumn<QString>("saveTo"); // after yes; "" cancels the save dialog
    QTest::addColumn<bool>("closed");
    QTest::newRow("no result") << false << false << -1 << "" << true;
    QTest::newRow("result saved before") << true << true << -1 << "" << true;
    QTest::newRow("unsaved, no") << true << false << 0 << "" << true;
    QTest::newRow("unsaved, yes, saved") << true << false << 1 << "cameraF.cam" << true;
    QTest::newRow("unsaved, yes, dialog cancelled") << true << false << 1 << "" << false;
    QTest::newRow("unsaved, yes, write failed") << true << false << 1 << "no/such/x.cam" << false;
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
      runAndWait(p);
    }
    if (saveFirst) {
      p.port.saveFiles = {(dir.path() + "/first.cam").toStdString()};
      p.window.SaveFocalLength();
    }
    p.port.clear();
    if (answer >= 0)
      p.port.answers = {answer == 1};
    if (answer == 1)
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
    }
    if (answer == 1 && closed)
      QCOMPARE(linesOf(dir.path() + "/" + saveTo).at(3), std::string(kSavedLine4));
    if (!closed) { // the result is still there to be saved
      QVERIFY(!p.window.calibration().resultSaved);
      QVERIFY(p.saveEnabled());
      QCOMPARE(p.text("Edit5"), QString("1799.7003"));
    }
    QCOMPARE(p.port.unexpected, 0);
  }

  void escapeStopsALongRun() {
    QTemporaryDir dir;
    QVERIFY(writeLongSeries(dir.path(), 110, 8));
    StartedProgram p;
    p.window.calibration().minPointSpacing = 0;
    p.window.calibration().minLineAngle = 0.01;
    p.takeSeries(dir.path());
    QTest::keyClick(&p.window, Qt::Key_Return);
    QVERIFY(p.window.computeCommand().running());
    QTRY_VERIFY(p.find<QProgressBar>("ProgressBar1")->value() > 0 || p.runOver());
    QVERIFY2(!p.runOver(), "the long series ended before Escape");
    QTest::keyClick(p.find("Edit6"), Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(p.runOver(), 120000);

    QCOMPARE(p.text("Edit5"), QString());
    QCOMPARE(p.find<QProgressBar>("ProgressBar1")->value(), 0);
    QVERIFY(!p.window.statusBar()->currentMessage().isEmpty()); // the reason, in place of a box
    QVERIFY(p.port.texts().empty());
    QVERIFY(!p.saveEnabled());
    QVERIFY(p.computeEnabled()); // and the next run may start
    QVERIFY(p.window.calibration().resultSaved);
  }

  // Closing while the worker runs stops it first; with an unsaved earlier result it then asks.
  void closingDuringARun_data() {
    QTest::addColumn<bool>("earlierResult");
    QTest::newRow("first run") << false;
    QTest::newRow("unsaved result of an earlier run") << true;
  }
  void closingDuringARun() {
    QFETCH(bool, earlierResult);
    QTemporaryDir sample, dir;
    QVERIFY(copySampleSeries(sample.path()));
    QVERIFY(writeLongSeries(dir.path(), 110, 8));
    StartedProgram p;
    if (earlierResult) {
      p.takeSeries(sample.path());
      runAndWait(p);
      QCOMPARE(p.text("Edit5"), QString("1799.7003"));
    }
    p.window.calibration().minPointSpacing = 0;
    p.window.calibration().minLineAngle = 0.01;
    p.takeSeries(dir.path());
    QTest::keyClick(&p.window, Qt::Key_Return);
    QTRY_VERIFY(p.find<QProgressBar>("ProgressBar1")->value() > 0 || p.runOver());
    QVERIFY2(!p.runOver(), "the long series ended before the close");
    if (earlierResult)
      p.port.answers = {false};
    QVERIFY(p.window.close());
    QVERIFY(p.runOver());
    QCOMPARE(p.port.texts(),
             earlierResult ? std::vector<std::string>{"Сохранить результат?"} : std::vector<std::string>{});
  }
};

QTEST_MAIN(MainWindowRunTest)
#include "main_window_run_test.moc"
