// "Снимки…" in the main window: the photo dialog driven by its object names through the scripted user
// port, from rendered photos to the three file fields and a result; Escape, "Отмена" and the title-bar
// close while the search runs; a refused form.
#include "photo_dialog.h"
#include "photo_renderer.h"
#include "temp_folder.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>

#include <filesystem>

namespace {

// A chessboard of 9 × 6 inner corners 60 mm apart, seen by a 1000-pixel camera that moves 40 mm away
// after every photo. Drawn once for the whole program.
const std::vector<std::string>& renderedPhotos() {
  static const kavo::test::TempFolder folder("photo-dialog");
  static const std::vector<std::string> photos = [] {
    kavo::test::PhotoScene first;
    first.target = {kavo::detect::TargetKind::Chessboard, 9, 6, 60.0};
    first.distance = 480.0;
    first.rollDegrees = 1.5;
    return kavo::test::renderSeries(folder.path(), first, 4, 40.0).photos;
  }();
  return photos;
}

QStringList entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class PhotoDialogTest : public QObject {
  Q_OBJECT

  QString startFolder;

  // The dialog opened from the main window's Файл menu, the photos added through the port and the
  // fields filled for the rendered series.
  static kavo::PhotoDialog* openAndFill(StartedProgram& p, const QString& outFolder) {
    p.find<QAction>("NPhotos")->trigger();
    auto* dialog = p.window.findChild<kavo::PhotoDialog*>();
    if (dialog == nullptr)
      return nullptr;
    p.port.fileLists.push_back(renderedPhotos());
    QTest::mouseClick(dialog->findChild<QPushButton*>("AddPhotosButton"), Qt::LeftButton);
    dialog->findChild<QComboBox*>("PatternBox")->setCurrentIndex(0);
    dialog->findChild<QSpinBox*>("ColumnsBox")->setValue(9);
    dialog->findChild<QSpinBox*>("RowsBox")->setValue(6);
    dialog->findChild<QLineEdit*>("PitchEdit")->setText("60");
    dialog->findChild<QLineEdit*>("StepEdit")->setText("40");
    dialog->findChild<QLineEdit*>("OutFolderEdit")->setText(outFolder);
    dialog->findChild<QCheckBox*>("OverlaysBox")->setChecked(true);
    return dialog;
  }

private slots:
  void init() { startFolder = QDir::currentPath(); }
  void cleanup() { QDir::setCurrent(startFolder); }

  void photosToAResult() {
    QTemporaryDir dir;
    const QString out = dir.path() + "/series";
    StartedProgram p;
    kavo::PhotoDialog* dialog = openAndFill(p, out);
    QVERIFY(dialog != nullptr);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
    auto* list = dialog->findChild<QListWidget*>("PhotoList");
    QCOMPARE(list->count(), 4);
    QCOMPARE(list->item(0)->text(), QString("img01.png"));
    QCOMPARE(list->item(0)->toolTip(), QString::fromStdString(renderedPhotos()[0]));
    QStringList opened;
    dialog->openFolder = [&](const QString& folder) {
      opened << folder;
      return false; // as a desktop without a file manager answers
    };

    QTest::mouseClick(dialog->findChild<QPushButton*>("StartButton"), Qt::LeftButton);
    QVERIFY(dialog->command().running());
    QVERIFY(dialog->findChild<QPushButton*>("CancelButton")->isEnabled());
    QVERIFY(!dialog->findChild<QWidget*>("FormPanel")->isEnabled());
    QVERIFY(!dialog->findChild<QPushButton*>("StartButton")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->command().running(), 60000);

    QCOMPARE(p.text("Edit6"), QString("camera.cam"));
    QCOMPARE(p.text("Edit4"), QString("scene.crd"));
    QCOMPARE(p.text("Edit1"), QString("series.lst"));
    QCOMPARE(p.find("Edit1")->toolTip(), out + "/series.lst");
    QVERIFY(p.computeEnabled());
    QVERIFY(!dialog->findChild<QPushButton*>("CancelButton")->isEnabled());
    QVERIFY(dialog->findChild<QLabel*>("StatusLabel")->text().contains("Серия записана: снимков 4 из 4."));
    QVERIFY(dialog->findChild<QPlainTextEdit*>("PhotoLog")
                ->toPlainText()
                .contains("img04.png: найдено точек: 54"));
    auto* show = dialog->findChild<QPushButton*>("ShowOverlaysButton");
    QVERIFY(show->isEnabled());
    QTest::mouseClick(show, Qt::LeftButton);
    QCOMPARE(opened, QStringList{out + "/overlays"});
    QVERIFY(dialog->findChild<QLabel*>("StatusLabel")->text().startsWith("Не удалось открыть папку отметок"));
    QCOMPARE(entries(out + "/overlays").size(), 4);

    // Closed and opened again: the same dialog with what was typed.
    QTest::mouseClick(dialog->findChild<QPushButton*>("CloseButton"), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    p.find<QAction>("NPhotos")->trigger();
    QCOMPARE(p.window.findChild<kavo::PhotoDialog*>(), dialog);
    QCOMPARE(dialog->findChild<QLineEdit*>("PitchEdit")->text(), QString("60"));
    dialog->reject();

    // "Счет" over the files written, read in their folder.
    p.runAndWait();
    QVERIFY2(std::abs(p.text("Edit5").toDouble() - 1000.0) < 5.0, qPrintable(p.text("Edit5")));
    QCOMPARE(p.port.texts(), std::vector<std::string>{});
    QCOMPARE(p.port.unexpected, 0);
  }

  // Escape, the title-bar close and "Отмена" during the search stop it after the photos in hand and
  // leave nothing written; the first two close the dialog once it has stopped.
  void stoppingLeavesNothingWritten_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Escape") << "Escape" << true;
    QTest::newRow("title-bar close") << "close" << true;
    QTest::newRow("Отмена") << "CancelButton" << false;
  }
  void stoppingLeavesNothingWritten() {
    QFETCH(QString, how);
    QFETCH(bool, closes);
    QTemporaryDir dir;
    StartedProgram p;
    kavo::PhotoDialog* dialog = openAndFill(p, dir.path() + "/series");
    QVERIFY(dialog != nullptr);
    dialog->command().setThreads(1);
    QTest::mouseClick(dialog->findChild<QPushButton*>("StartButton"), Qt::LeftButton);
    bool stopped = false;
    // At the first photo searched, while the worker waits for the step to be shown.
    connect(dialog->findChild<QPlainTextEdit*>("PhotoLog"), &QPlainTextEdit::textChanged, dialog, [&] {
      if (stopped)
        return;
      stopped = true;
      if (how == "Escape")
        QTest::keyClick(dialog, Qt::Key_Escape);
      else if (how == "close")
        dialog->close();
      else
        QTest::mouseClick(dialog->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
      QVERIFY(dialog->isVisible()); // not before the search has stopped
    });
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->command().running(), 60000);
    QVERIFY(stopped);
    QCOMPARE(dialog->command().outcome().stage, kavo::PhotoOutcome::Stage::Cancelled);
    QCOMPARE(dialog->isVisible(), !closes);
    QVERIFY(dialog->findChild<QLabel*>("StatusLabel")->text().contains("ничего не записано"));
    QCOMPARE(entries(dir.path()), QStringList{});
    QCOMPARE(p.text("Edit1"), QString());
    QVERIFY(!p.computeEnabled());
    QCOMPARE(p.port.texts(), std::vector<std::string>{});
  }

  // A form the command refuses: its box through the port, and nothing starts.
  void refusedFormShowsWhy() {
    QTemporaryDir dir;
    StartedProgram p;
    kavo::PhotoDialog* dialog = openAndFill(p, dir.path() + "/series");
    QVERIFY(dialog != nullptr);
    dialog->findChild<QComboBox*>("PatternBox")->setCurrentIndex(2);
    dialog->findChild<QLineEdit*>("PitchEdit")->setText("шесть");
    QCOMPARE(dialog->form().kind, kavo::detect::TargetKind::AsymmetricCircles);
    QTest::mouseClick(dialog->findChild<QPushButton*>("StartButton"), Qt::LeftButton);
    QVERIFY(!dialog->command().running());
    QCOMPARE(p.port.texts(), std::vector<std::string>{
                                 "Серию нельзя записать: шаг сетки мишени «шесть» — не число миллиметров."});
    QCOMPARE(p.port.messages()[0].owner, kavo::BoxOwner::Dialog);
    QVERIFY(dialog->findChild<QWidget*>("FormPanel")->isEnabled());
    QCOMPARE(entries(dir.path()), QStringList{});
  }

  // The ChArUco board: its marker side and dictionary are offered for it alone and reach the form.
  void charucoBoardTakesItsMarkers() {
    QTemporaryDir dir;
    StartedProgram p;
    kavo::PhotoDialog* dialog = openAndFill(p, dir.path() + "/series");
    QVERIFY(dialog != nullptr);
    auto* marker = dialog->findChild<QLineEdit*>("MarkerEdit");
    auto* dictionary = dialog->findChild<QComboBox*>("DictionaryBox");
    QVERIFY(!marker->isEnabled());
    QVERIFY(!dictionary->isEnabled());
    dialog->findChild<QComboBox*>("PatternBox")->setCurrentIndex(3);
    QVERIFY(marker->isEnabled());
    QVERIFY(dictionary->isEnabled());
    marker->setText("45");
    dictionary->setCurrentText("DICT_6X6_250");
    const kavo::PhotoForm form = dialog->form();
    QCOMPARE(form.kind, kavo::detect::TargetKind::Charuco);
    QCOMPARE(form.markerSize, std::string("45"));
    QCOMPARE(form.dictionary, std::string("DICT_6X6_250"));
    dialog->reject();
  }
};

QTEST_MAIN(PhotoDialogTest)
#include "photo_dialog_test.moc"
