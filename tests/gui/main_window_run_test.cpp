// Runs from the main window: the sample series end to end, the debug mode with its distribution
// window, Escape and closing while a run is under way.
#include "graph_window.h"
#include "window_fixture.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTimer>

class MainWindowRunTest : public QObject {
  Q_OBJECT

  QString startFolder;

private slots:
  void init() { startFolder = QDir::currentPath(); }
  void cleanup() { QDir::setCurrent(startFolder); }

  void sampleSeriesShowsItsFocalLength() {
    QTemporaryDir dir;
    QVERIFY(copySampleSeries(dir.path()));
    StartedProgram p;
    p.takeSeries(dir.path());
    QVERIFY(p.computeEnabled());
    QCOMPARE(p.find("Edit6")->toolTip(), dir.path() + "/camera.cam"); // the full path behind the name
    QTest::keyClick(&p.window, Qt::Key_Return);
    QVERIFY(p.window.mainCommands().running());
    QVERIFY(!p.computeEnabled()); // no second run under a running worker
    // 25 reference points - 3, as soon as the run has read the scene.
    QTRY_COMPARE_WITH_TIMEOUT(p.find<QProgressBar>("ProgressBar1")->maximum(), 22, 120000);
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

  // A real debug run of the sample series: the worker lists the values, then waits while the
  // distribution window is open. "Счёт" at three deviations and "OK" give the normal mode's result;
  // "Выход" abandons the run.
  void debugRunWaitsForTheWindow_data() {
    QTest::addColumn<bool>("exitPressed");
    QTest::newRow("OK") << false;
    QTest::newRow("Выход") << true;
  }
  void debugRunWaitsForTheWindow() {
    QFETCH(bool, exitPressed);
    QTemporaryDir dir;
    QVERIFY(copySampleSeries(dir.path()));
    StartedProgram p;
    p.window.calibration().processingMode = 2;
    p.window.applyProcessingMode(2);
    p.takeSeries(dir.path());
    bool seen = false;
    QStringList memoWhileOpen;
    bool overWhileOpen = true;
    QString meanShown;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
      auto* graph = qobject_cast<kavo::TRForm*>(QApplication::activeModalWidget());
      if (graph == nullptr || seen)
        return;
      seen = true;
      memoWhileOpen = p.find<QPlainTextEdit>("Memo1")->toPlainText().split('\n');
      QTest::qWait(100); // the worker has every chance to go on, and must not
      overWhileOpen = p.runOver() || !p.text("Edit5").isEmpty();
      if (exitPressed) {
        graph->Button4Click();
        return;
      }
      graph->Button2Click(); // one clipping pass at 3 deviations, as the normal mode does
      meanShown = graph->findChild<QLineEdit*>("Edit2")->text();
      graph->Button3Click();
    });
    poll.start(20);
    p.runAndWait();

    QVERIFY(seen);
    QVERIFY(!overWhileOpen);
    QCOMPARE(memoWhileOpen.size(), 1 + 1314);
    QCOMPARE(memoWhileOpen[0], QString("-------Результаты счёта-------"));
    QCOMPARE(memoWhileOpen[1], QString("1802.6329"));
    const QStringList memo = p.find<QPlainTextEdit>("Memo1")->toPlainText().split('\n');
    if (exitPressed) {
      QCOMPARE(memo, memoWhileOpen);
      QCOMPARE(p.text("Edit5"), QString());
      QVERIFY(!p.saveEnabled());
      QVERIFY(!p.window.statusBar()->currentMessage().isEmpty());
      QCOMPARE(p.find<QProgressBar>("ProgressBar1")->value(), 0);
      return;
    }
    QCOMPARE(meanShown, QString("1799.7"));
    QCOMPARE(memo.size(), 1 + 1314 + 5);
    QCOMPARE(
        memo.mid(memo.size() - 5),
        (QStringList{"-------Результаты счёта-------", "Среднее значение: 1799.7003", "Отклонение: 9.1391",
                     "Стандартное отклонение: 0.2547", "Общее количество используемых переборов:  1314"}));
    QCOMPARE(p.text("Edit5"), QString("1799.7003"));
    QCOMPARE(p.text("Edit8"), QString("9.1391"));
    QCOMPARE(p.text("Edit9"), QString("0.2547"));
  }

  void escapeStopsALongRun() {
    QTemporaryDir dir;
    writeLongSeries(dir.path());
    StartedProgram p;
    relaxLayoutTests(p.window.calibration());
    p.takeSeries(dir.path());
    QTest::keyClick(&p.window, Qt::Key_Return);
    QVERIFY(p.window.mainCommands().running());
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

  // Closing while the worker runs stops it first; a result shown before the run began is no longer
  // shown once the new files were picked, so nothing is asked.
  void closingDuringARunStopsTheWorker() {
    QTemporaryDir dir;
    writeLongSeries(dir.path());
    StartedProgram p;
    relaxLayoutTests(p.window.calibration());
    p.takeSeries(dir.path());
    QTest::keyClick(&p.window, Qt::Key_Return);
    QTRY_VERIFY(p.find<QProgressBar>("ProgressBar1")->value() > 0 || p.runOver());
    QVERIFY2(!p.runOver(), "the long series ended before the close");
    QVERIFY(p.window.close());
    QVERIFY(p.runOver());
    QCOMPARE(p.port.texts(), std::vector<std::string>{});
  }

  // An unsaved result shown, then a second run of the same files: closing during that run stops it
  // and then asks about the result that is still shown.
  void closingDuringASecondRunAsksAboutTheShownResult() {
    QTemporaryDir dir;
    writeLongSeries(dir.path());
    StartedProgram p;
    p.takeSeries(dir.path());
    p.runAndWait(); // the usual layout tests: a short run
    QVERIFY(!p.text("Edit5").isEmpty());
    relaxLayoutTests(p.window.calibration());
    QTest::keyClick(&p.window, Qt::Key_Return);
    QVERIFY(p.window.mainCommands().running());
    QTRY_VERIFY(p.find<QProgressBar>("ProgressBar1")->value() > 0 || p.runOver());
    QVERIFY2(!p.runOver(), "the long series ended before the close");
    QVERIFY(!p.saveEnabled()); // nothing is saved while a run is under way
    p.port.threeWayAnswers = {kavo::Answer::No};
    QVERIFY(p.window.close());
    QVERIFY(p.runOver());
    QCOMPARE(p.port.texts(), std::vector<std::string>{"Сохранить результат?"});
    QCOMPARE(p.port.unexpected, 0);
  }
};

QTEST_MAIN(MainWindowRunTest)
#include "main_window_run_test.moc"
