// The settings dialog "Настройки" driven through its controls, and its effect on the main window.
#include "program_windows.h"
#include "scripted_user_port.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <numbers>

using kavo::ProgramWindows;
using kavo::test::ScriptedUserPort;

namespace {

struct SettingsValues {
  double clip, angle, spacing;
  int first, second, mode;
};

SettingsValues valuesOf(const kavo::CalibrationState& s) {
  return {s.clipSigmaCount,   s.minLineAngle,      s.minPointSpacing,
          s.firstImageNumber, s.secondImageNumber, s.processingMode};
}

QLineEdit* edit(QWidget* dialog, const char* name) {
  return dialog->findChild<QLineEdit*>(name);
}

} // namespace

Q_DECLARE_METATYPE(SettingsValues)

class SettingsDialogTest : public QObject {
  Q_OBJECT

private slots:
  void startShowsDefaults() {
    ScriptedUserPort port;
    ProgramWindows w(port, '.');
    w.settings->fillFromState();
    const QStringList shown{edit(w.settings.get(), "Edit1")->text(), edit(w.settings.get(), "Edit2")->text(),
                            edit(w.settings.get(), "Edit3")->text(), edit(w.settings.get(), "Edit4")->text(),
                            edit(w.settings.get(), "Edit5")->text()};
    QCOMPARE(shown, (QStringList{"3", "30", "30", "1", "2"}));
    QCOMPARE(w.settings->radioIndex(), 0);
    QCOMPARE(w.settings->windowTitle(), QString("Настройки"));
  }

  // Each row types five texts and a mode and presses OK: the message (if any), the settings that
  // end up applied, and whether the dialog closed.
  void okAppliesInOrder_data() {
    QTest::addColumn<QStringList>("texts"); // Edit1..Edit5
    QTest::addColumn<int>("radio");
    QTest::addColumn<QString>("message");
    QTest::addColumn<SettingsValues>("expected");
    QTest::addColumn<bool>("closed");
    const double pi = std::numbers::pi;
    const SettingsValues start{3, pi / 6, 0.3, 1, 2, 1};
    QTest::newRow("defaults") << QStringList{"3", "30", "30", "1", "2"} << 0 << "" << start << true;
    QTest::newRow("45 degrees") << QStringList{"3", "45", "30", "1", "2"} << 0 << ""
                                << SettingsValues{3, pi / 4, 0.3, 1, 2, 1} << true;
    QTest::newRow("all new, debug") << QStringList{" 2.5 ", "20", "10", "2", "4"} << 1 << ""
                                    << SettingsValues{2.5, pi / 9, 0.1, 2, 4, 2} << true;
    QTest::newRow("sigma letters") << QStringList{"abc", "45", "10", "2", "4"} << 1
                                   << "Параметры заданы неправильно!" << start << false;
    QTest::newRow("comma with point locale")
        << QStringList{"2,5", "30", "30", "1", "2"} << 0 << "Параметры заданы неправильно!" << start << false;
    QTest::newRow("angle letters after a good sigma")
        << QStringList{"2", "x", "10", "2", "4"} << 0 << "Параметры заданы неправильно!"
        << SettingsValues{2, pi / 6, 0.3, 1, 2, 1} << false;
    QTest::newRow("spacing letters") << QStringList{"2", "45", "", "2", "4"} << 0
                                     << "Параметры заданы неправильно!"
                                     << SettingsValues{2, pi / 4, 0.3, 1, 2, 1} << false;
    QTest::newRow("image number not an integer")
        << QStringList{"2", "45", "10", "1.5", "4"} << 1 << "Параметры заданы неправильно!"
        << SettingsValues{2, pi / 4, 0.1, 1, 2, 1} << false;
    QTest::newRow("equal image numbers") << QStringList{"2", "45", "10", "2", "2"} << 1
                                         << "Номер первого изображения должен быть меньше номера второго!"
                                         << SettingsValues{2, pi / 4, 0.1, 1, 2, 1} << false;
    QTest::newRow("first after second")
        << QStringList{"3", "30", "30", "5", "4"} << 0
        << "Номер первого изображения должен быть меньше номера второго!" << start << false;
    QTest::newRow("zero image number") << QStringList{"3", "30", "30", "0", "3"} << 0
                                       << "Номера изображений должны быть положительными!" << start << false;
    QTest::newRow("negative image number")
        << QStringList{"3", "30", "30", "2", "-3"} << 0 << "Номера изображений должны быть положительными!"
        << start << false;
  }

  void okAppliesInOrder() {
    QFETCH(QStringList, texts);
    QFETCH(int, radio);
    QFETCH(QString, message);
    QFETCH(SettingsValues, expected);
    QFETCH(bool, closed);

    ScriptedUserPort port;
    ProgramWindows w(port, '.');
    w.settings->fillFromState();
    w.settings->show();
    for (int i = 0; i < 5; ++i)
      edit(w.settings.get(), QString("Edit%1").arg(i + 1).toLatin1().constData())->setText(texts[i]);
    w.settings->findChild<QRadioButton*>(radio == 0 ? "RadioItem0" : "RadioItem1")->setChecked(true);
    QTest::mouseClick(w.settings->findChild<QPushButton*>("Button1"), Qt::LeftButton);

    if (message.isEmpty()) {
      QVERIFY(port.shown.empty());
    } else {
      QCOMPARE(port.shown.size(), std::size_t{1});
      QCOMPARE(QString::fromStdString(port.shown[0].message.text), message);
      QCOMPARE(port.shown[0].message.caption, std::string("Ошибка!"));
      QCOMPARE(port.shown[0].message.owner, kavo::BoxOwner::None);
    }
    const SettingsValues got = valuesOf(w.mainWindow->calibration());
    QCOMPARE(got.clip, expected.clip);
    QCOMPARE(got.angle, expected.angle);
    QCOMPARE(got.spacing, expected.spacing);
    QCOMPARE(got.first, expected.first);
    QCOMPARE(got.second, expected.second);
    QCOMPARE(got.mode, expected.mode);
    QCOMPARE(w.settings->isVisible(), !closed);
  }

  void reopeningShowsWhatWasApplied() {
    ScriptedUserPort port;
    ProgramWindows w(port, ',');
    w.settings->fillFromState();
    edit(w.settings.get(), "Edit1")->setText("2,5");
    edit(w.settings.get(), "Edit2")->setText("45");
    edit(w.settings.get(), "Edit3")->setText("12,5");
    w.settings->Button1Click();
    QVERIFY(port.shown.empty());
    w.settings->fillFromState();
    QCOMPARE(edit(w.settings.get(), "Edit1")->text(), QString("2,5"));
    QCOMPARE(edit(w.settings.get(), "Edit2")->text(), QString("45"));
    QCOMPARE(edit(w.settings.get(), "Edit3")->text(), QString("12,5"));
  }

  void restoreThenCancelChangesNothing() {
    ScriptedUserPort port;
    ProgramWindows w(port, '.');
    kavo::CalibrationState& s = w.mainWindow->calibration();
    s.clipSigmaCount = 2;
    s.firstImageNumber = 3;
    s.secondImageNumber = 5;
    s.processingMode = 2;
    w.settings->fillFromState();
    w.settings->show();
    QTest::mouseClick(w.settings->findChild<QPushButton*>("Button3"), Qt::LeftButton);
    QCOMPARE(edit(w.settings.get(), "Edit1")->text(), QString("3"));
    QCOMPARE(edit(w.settings.get(), "Edit4")->text(), QString("1"));
    QCOMPARE(edit(w.settings.get(), "Edit5")->text(), QString("2"));
    QCOMPARE(w.settings->radioIndex(), 0);
    QTest::mouseClick(w.settings->findChild<QPushButton*>("Button2"), Qt::LeftButton);
    QVERIFY(!w.settings->isVisible());
    QCOMPARE(s.clipSigmaCount, 2.0);
    QCOMPARE(s.firstImageNumber, 3);
    QCOMPARE(s.secondImageNumber, 5);
    QCOMPARE(s.processingMode, 2);
  }

  void processingModeResizesTheMainWindow() {
    ScriptedUserPort port;
    ProgramWindows w(port, '.');
    w.mainWindow->show();
    w.mainWindow->Image1Click();
    auto* memo = w.mainWindow->findChild<QPlainTextEdit*>("Memo1");
    QVERIFY(!memo->isVisible());
    QCOMPARE(w.mainWindow->size(), QSize(530, 400));

    w.settings->fillFromState();
    w.settings->findChild<QRadioButton*>("RadioItem1")->setChecked(true);
    w.settings->Button1Click();
    QVERIFY(memo->isVisible());
    QCOMPARE(w.mainWindow->size(), QSize(548, 583));
    QCOMPARE(w.mainWindow->minimumSize(), QSize(548, 583));

    w.settings->fillFromState();
    QCOMPARE(w.settings->radioIndex(), 1);
    w.settings->findChild<QRadioButton*>("RadioItem0")->setChecked(true);
    w.settings->Button1Click();
    QVERIFY(!memo->isVisible());
    QCOMPARE(w.mainWindow->size(), QSize(530, 400));
    QCOMPARE(w.mainWindow->minimumSize(), QSize(530, 400));
  }

  // Ctrl+J in the main window fills the dialog and shows it modally at (400, 300).
  void ctrlJOpensTheDialog() {
    ScriptedUserPort port;
    ProgramWindows w(port, '.');
    w.mainWindow->calibration().clipSigmaCount = 2.5;
    w.mainWindow->show();
    w.mainWindow->Image1Click();
    QVERIFY(QTest::qWaitForWindowActive(w.mainWindow.get()));
    QString seen;
    QPoint at;
    QTimer::singleShot(0, [&] {
      if (QApplication::activeModalWidget() == w.settings.get()) {
        seen = edit(w.settings.get(), "Edit1")->text();
        at = w.settings->pos();
      }
      w.settings->Button2Click();
    });
    QTest::keyClick(w.mainWindow->findChild<QLineEdit*>("Edit6"), Qt::Key_J, Qt::ControlModifier);
    QCOMPARE(seen, QString("2.5"));
    QCOMPARE(at, QPoint(400, 300));
  }
};

QTEST_MAIN(SettingsDialogTest)
#include "settings_dialog_test.moc"
