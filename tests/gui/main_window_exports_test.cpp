// "Экспорт камеры…" and "Мишень для печати…" in the main window's Файл menu, driven by their object
// names through the scripted user port.
#include "synth/synthetic_series.h"
#include "target_dialog.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

// The target's text goes through fontconfig, which keeps its configuration for the life of the process
// where the leak sanitizer cannot follow it; only allocations with a frame in it are suppressed.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}

class MainWindowExportsTest : public QObject {
  Q_OBJECT

  QString startFolder;

  static QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

private slots:
  void init() { startFolder = QDir::currentPath(); }
  void cleanup() { QDir::setCurrent(startFolder); }

  // Offered once a result is shown; the filter chosen in the save dialog says the format.
  void exportsTheShownCameraInTheChosenFormat() {
    QTemporaryDir dir;
    kavo::SynthOptions options;
    options.noise = 0.05;
    options.k1 = -0.02;
    kavo::writeSyntheticSeries(dir.path().toStdString(), options);
    StartedProgram p;
    p.takeSeries(dir.path());
    auto* action = p.find<QAction>("ExportAction");
    QVERIFY(action != nullptr);
    QCOMPARE(action->text(), QString("Экспорт камеры…"));
    QVERIFY(!action->isEnabled());
    p.runAndWait();
    QVERIFY(action->isEnabled());
    const QString ros = dir.path() + "/camera.yaml";
    p.port.saveChoices.push_back(kavo::SaveChoice{ros.toStdString(), 1});
    action->trigger();
    QVERIFY(readAll(ros).contains("distortion_model: plumb_bob"));
    const QString colmap = dir.path() + "/cameras.txt";
    p.port.saveChoices.push_back(kavo::SaveChoice{colmap.toStdString(), 2});
    action->trigger();
    QVERIFY(readAll(colmap).contains("\n1 OPENCV "));
    QCOMPARE(p.port.saveRequests().size(), std::size_t{2});
    QVERIFY(p.port.saveRequests()[0].filter.find("ROS camera_info (*.yaml)") != std::string::npos);
    QCOMPARE(p.port.texts(), std::vector<std::string>{});
    QCOMPARE(p.port.unexpected, 0);

    // Another file picked: the result is gone and the export with it.
    p.window.takeFile(kavo::FileField::List, dir.path() + "/series.lst");
    QVERIFY(!action->isEnabled());
  }

  // The sample series' own correction table changes its points: its refined camera describes the
  // corrected points, not the photos, and the box says so without a file dialog.
  void aCameraOfCorrectedPointsIsNotExported() {
    QTemporaryDir dir;
    QVERIFY(copySampleSeries(dir.path()));
    StartedProgram p;
    p.takeSeries(dir.path());
    p.runAndWait();
    p.find<QAction>("ExportAction")->trigger();
    QCOMPARE(p.port.texts(), std::vector<std::string>{"Камера не экспортирована!"});
    QVERIFY(p.port.messages()[0].detail.find("описывает точки после таблицы коррекции") != std::string::npos);
    QVERIFY(p.port.saveRequests().empty());
  }

  // The target dialog: its fields by name, "Записать…" with the PDF chosen in the save dialog; a pitch
  // too large for the paper is refused in a box that names the pitch that fits.
  void writesATargetToPrint() {
    QTemporaryDir dir;
    StartedProgram p;
    auto* action = p.find<QAction>("TargetAction");
    QVERIFY(action != nullptr);
    QCOMPARE(action->text(), QString("Мишень для печати…"));
    QVERIFY(action->isEnabled());
    action->trigger();
    auto* dialog = p.window.findChild<kavo::TargetDialog*>();
    QVERIFY(dialog != nullptr);
    QVERIFY(dialog->isVisible());
    dialog->findChild<QComboBox*>("PatternBox")->setCurrentIndex(3);
    QVERIFY(dialog->findChild<QLineEdit*>("MarkerEdit")->isEnabled());
    dialog->findChild<QSpinBox*>("ColumnsBox")->setValue(5);
    dialog->findChild<QSpinBox*>("RowsBox")->setValue(4);
    dialog->findChild<QLineEdit*>("PitchEdit")->setText("30");
    dialog->findChild<QLineEdit*>("MarkerEdit")->setText("22");
    const QString pdf = dir.path() + "/charuco.pdf";
    p.port.saveChoices.push_back(kavo::SaveChoice{pdf.toStdString(), 0});
    QTest::mouseClick(dialog->findChild<QPushButton*>("WriteButton"), Qt::LeftButton);
    QVERIFY(readAll(pdf).startsWith("%PDF-"));
    QVERIFY(dialog->findChild<QLabel*>("StatusLabel")->text().contains("charuco.pdf"));

    dialog->findChild<QLineEdit*>("PitchEdit")->setText("80");
    QTest::mouseClick(dialog->findChild<QPushButton*>("WriteButton"), Qt::LeftButton);
    QCOMPARE(p.port.messages().size(), std::size_t{1});
    QVERIFY(p.port.messages()[0].detail.find("наибольший шаг") != std::string::npos);
    QCOMPARE(p.port.saveRequests().size(), std::size_t{1});
    QTest::mouseClick(dialog->findChild<QPushButton*>("CloseButton"), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(p.port.unexpected, 0);
  }
};

QTEST_MAIN(MainWindowExportsTest)
#include "main_window_exports_test.moc"
