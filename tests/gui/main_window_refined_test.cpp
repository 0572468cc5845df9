// The refined result in the main window: the field and its interval beside the classic results, the
// warnings on the status line and in the tooltip, "Отчёт…", and Save writing the refined value when
// the settings dialog's box asks for it.
#include "platform/text_file.h"
#include "synth/synthetic_series.h"
#include "window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStatusTipEvent>

class MainWindowRefinedTest : public QObject {
  Q_OBJECT

  QString startFolder;

  static QString readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

private slots:
  void init() { startFolder = QDir::currentPath(); }
  void cleanup() { QDir::setCurrent(startFolder); }

  void sampleSeriesShowsTheRefinedValueBesideTheClassicOnes() {
    QTemporaryDir dir;
    QVERIFY(copySampleSeries(dir.path()));
    StartedProgram p;
    p.takeSeries(dir.path());
    QVERIFY(!p.find<QAction>("ReportAction")->isEnabled());
    p.runAndWait();

    QCOMPARE(p.text("Edit5"), QString("1799.7003")); // the classic fields as ever
    QCOMPARE(p.text("Edit8"), QString("9.1391"));
    QCOMPARE(p.text("Edit9"), QString("0.2547"));
    const QRegularExpression fixed("^1[78][0-9]{2}\\.[0-9]{4}$");
    QVERIFY2(fixed.match(p.text("RefinedEdit")).hasMatch(), qPrintable(p.text("RefinedEdit")));
    const QStringList bounds = p.text("IntervalEdit").split(" … ");
    QCOMPARE(bounds.size(), 2);
    QVERIFY(bounds[0].toDouble() < p.text("RefinedEdit").toDouble());
    QVERIFY(bounds[1].toDouble() > p.text("RefinedEdit").toDouble());
    QVERIFY(p.find("RefinedEdit")->toolTip().contains("стандартная ошибка"));
    // The classic field names both classic numbers: the value's own interval, and the estimate corrected
    // for the shift of the classic formula with its interval.
    const QString classicTip = p.find("Edit5")->toolTip();
    QVERIFY2(classicTip.startsWith("95 % интервал классического значения: "), qPrintable(classicTip));
    QVERIFY2(classicTip.contains("\nКлассическая оценка с поправкой на геометрию: "), qPrintable(classicTip));
    QVERIFY(p.find("RefinedEdit")->toolTip().contains("Классическая оценка с поправкой на геометрию: "));
    QVERIFY(p.find<QAction>("ReportAction")->isEnabled());
    QVERIFY(p.find<QPushButton>("ReportButton")->isEnabled());
    QCOMPARE(p.window.statusBar()->currentMessage(), QString()); // nothing to warn about
    QCOMPARE(p.port.texts(), std::vector<std::string>{});

    // Another list picked: the result is gone, the refined one and the report with it.
    p.window.takeFile(kavo::FileField::List, dir.path() + "/series.lst");
    QCOMPARE(p.text("RefinedEdit"), QString());
    QCOMPARE(p.text("IntervalEdit"), QString());
    QCOMPARE(p.find("RefinedEdit")->toolTip(), QString());
    QVERIFY(!p.find<QAction>("ReportAction")->isEnabled());
    QVERIFY(!p.find<QPushButton>("ReportButton")->isEnabled());
  }

  // No quadruple passes the spacing test: the error box as ever, its details saying what to set and
  // where, and the classic fields as they were; the refined field shows the fit, which Save writes
  // (line 4 with its "уточнённое" comment) and "Отчёт…" files, each named on the status line; settings
  // that pass then give the very same fit.
  void noClassicValueStillShowsTheRefinedValue() {
    QTemporaryDir dir;
    QVERIFY(copySampleSeries(dir.path()));
    StartedProgram p;
    p.takeSeries(dir.path());
    p.window.calibration().minPointSpacing = 0.99;
    p.runAndWait();
    QCOMPARE(p.port.texts(), std::vector<std::string>{"Неправильные входные данные! Измените параметры!"});
    QCOMPARE(p.text("Edit5"), QString());
    const QString refined = p.text("RefinedEdit");
    QVERIFY(!refined.isEmpty());
    QVERIFY(!p.text("IntervalEdit").isEmpty());
    QVERIFY(p.find("RefinedEdit")->toolTip().contains("классических значений нет"));
    const QString detail = QString::fromStdString(p.port.messages().back().detail);
    QVERIFY2(detail.contains("Наибольшее расстояние между точками четвёрки") &&
                 detail.contains("(меню «Счёт» → «Настройки…»)"),
             qPrintable(detail));
    QVERIFY(p.saveEnabled());
    QVERIFY(p.find<QAction>("ReportAction")->isEnabled());

    const QString saved = dir.path() + "/refined.cam";
    p.port.saveFiles = {saved.toStdString()};
    p.find<QAction>("N3")->trigger();
    const std::vector<std::string> lines = kavo::loadLines(saved.toStdString()).lines;
    QCOMPARE(lines.size(), size_t(8));
    QVERIFY2(
        QString::fromStdString(lines[3]).startsWith(refined + " ; Фокусное расстояние(пикс.), уточнённое."),
        lines[3].c_str());
    QCOMPARE(p.window.statusBar()->currentMessage(), "Результат сохранён: " + saved);
    QVERIFY(!p.saveEnabled());
    const QString report = dir.path() + "/report.html";
    p.port.saveFiles = {report.toStdString()};
    p.find<QAction>("ReportAction")->trigger();
    QVERIFY(QFile::exists(report));
    QCOMPARE(p.window.statusBar()->currentMessage(), "Отчёт записан: " + report);

    p.window.calibration().minPointSpacing = 0.3;
    p.runAndWait();
    QCOMPARE(p.text("Edit5"), QString("1799.7003"));
    QCOMPARE(p.text("RefinedEdit"), refined);
  }

  // A tilted target: the warning on the status line and in the refined field's tooltip.
  void tiltedTargetWarnsWhereTheUserLooks() {
    QTemporaryDir dir;
    kavo::SynthOptions options;
    options.tiltDegrees = 8.0;
    options.noise = 0.05;
    kavo::writeSyntheticSeries(dir.path().toStdString(), options);
    StartedProgram p;
    p.takeSeries(dir.path());
    p.runAndWait();
    QVERIFY(!p.text("Edit5").isEmpty());
    QVERIFY2(p.window.statusBar()->currentMessage().startsWith("Предупреждение: Мишень наклонена на 8"),
             qPrintable(p.window.statusBar()->currentMessage()));
    QVERIFY(p.find("RefinedEdit")->toolTip().contains("Мишень наклонена на 8"));
    QCOMPARE(p.window.statusBar()->toolTip(), p.window.statusBar()->currentMessage());
    // The pointer passing over the menu bar does not wipe the warning.
    QStatusTipEvent passing(QString{});
    QApplication::sendEvent(p.find<QWidget>("MainMenu1"), &passing);
    QVERIFY(p.window.statusBar()->currentMessage().startsWith("Предупреждение: Мишень наклонена на 8"));
    QVERIFY2(qAbs(p.text("RefinedEdit").toDouble() - 1800.0) < 1800.0 * 0.0005,
             qPrintable(p.text("RefinedEdit")));
  }

  // "Отчёт…" from the menu and the button: the save dialog through the port, the page written; a
  // file that cannot be written gives one box naming it.
  void reportGoesThroughTheSaveDialog() {
    QTemporaryDir dir;
    QVERIFY(copySampleSeries(dir.path()));
    StartedProgram p;
    p.takeSeries(dir.path());
    p.runAndWait();
    const QString path = dir.path() + "/report.html";
    p.port.saveFiles = {path.toStdString()};
    p.find<QAction>("ReportAction")->trigger();
    QVERIFY(p.port.saveRequests().size() == 1);
    QCOMPARE(QString::fromStdString(p.port.saveRequests()[0].proposedName),
             dir.path() + "/series-report.html");
    const QString page = readAll(path);
    QVERIFY(page.contains(">1799.7003<"));
    QVERIFY(page.contains("Уточнённый результат"));

    const QString missing = dir.path() + "/no/such/report.html";
    p.port.saveFiles = {missing.toStdString()};
    p.find<QPushButton>("ReportButton")->click();
    QCOMPARE(p.port.texts(), std::vector<std::string>{"Отчёт report.html не записан!"});
    QVERIFY(p.port.messages()[0].detail.find(missing.toStdString()) != std::string::npos);
    QVERIFY(!QFile::exists(missing));
    QCOMPARE(p.port.unexpected, 0);
  }

  // The settings dialog's box: Save then writes the refined value with its comment on line 4.
  void settingsBoxMakesSaveWriteTheRefinedValue() {
    QTemporaryDir dir;
    QVERIFY(copySampleSeries(dir.path()));
    StartedProgram p;
    p.windows.settings->fillFromState();
    auto* box = p.windows.settings->findChild<QCheckBox*>("SaveRefinedBox");
    QVERIFY(box != nullptr);
    QVERIFY(!box->isChecked());
    box->setChecked(true);
    p.windows.settings->Button1Click();
    QVERIFY(p.window.calibration().saveRefinedValue);

    p.takeSeries(dir.path());
    p.runAndWait();
    const QString saved = dir.path() + "/saved.cam";
    p.port.saveFiles = {saved.toStdString()};
    p.find<QPushButton>("Button1")->click();
    QVERIFY(QFile::exists(saved));
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QVERIFY(lines.size() >= 4);
    QVERIFY2(lines[3].startsWith(p.text("RefinedEdit").toLatin1() + " ; "), lines[3].constData());
    QVERIFY(p.window.calibration().resultSaved);

    // "Восстановить исходные" clears the box again.
    p.windows.settings->fillFromState();
    QVERIFY(box->isChecked());
    p.windows.settings->Button3Click();
    QVERIFY(!box->isChecked());
  }
};

QTEST_MAIN(MainWindowRefinedTest)
#include "main_window_refined_test.moc"
