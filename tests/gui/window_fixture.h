#pragma once
// Shared steps of the main window tests: a private copy of the sample series, the program's windows
// behind a scripted user port, and waiting for a run to end.
#include "program_windows.h"
#include "sample_series.h"
#include "scripted_user_port.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using kavo::test::ScriptedUserPort;

// Copies the sample series into dir (writable, so Save can write next to it).
inline bool copySampleSeries(const QString& dir) {
  return kavo::test::copySampleSeries(dir.toStdString());
}

inline bool writeLines(const QString& path, const QStringList& lines) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return false;
  for (const QString& line : lines)
    file.write(line.toLatin1() + "\r\n");
  return true;
}

// A series whose run lasts long once the layout tests are relaxed (relaxLayoutTests): 110
// reference points in 8 images.
inline void writeLongSeries(const QString& dir) {
  kavo::test::writeLongSeries(dir.toStdString(), 11, 10, 8);
}

inline void relaxLayoutTests(kavo::CalibrationState& state) {
  state.minPointSpacing = 0;
  state.minLineAngle = 0.01;
}

// The program's windows behind a scripted port, the splash already clicked away.
struct StartedProgram {
  ScriptedUserPort port;
  kavo::ProgramWindows windows{port, '.'};
  kavo::TFocus_Form& window = *windows.mainWindow;

  StartedProgram() {
    window.show();
    window.Image1Click();
  }
  template <typename T = QLineEdit> T* find(const char* name) const { return window.findChild<T*>(name); }
  QString text(const char* name) const { return find<QLineEdit>(name)->text(); }
  bool computeEnabled() const {
    return find<QAction>("N10")->isEnabled() && find<QPushButton>("Button2")->isEnabled();
  }
  bool saveEnabled() const {
    return find<QAction>("N3")->isEnabled() && find<QPushButton>("Button1")->isEnabled();
  }
  void takeSeries(const QString& dir) {
    window.takeFile(kavo::FileField::Camera, dir + "/camera.cam");
    window.takeFile(kavo::FileField::Scene, dir + "/scene.crd");
    window.takeFile(kavo::FileField::List, dir + "/series.lst");
  }
  // True once the last worker's thread has ended.
  bool runOver() {
    const auto exit = window.mainCommands().runExit();
    return !window.mainCommands().running() && (!exit || exit->finished());
  }
  // Enter on the window, then waits for the worker to end.
  void runAndWait() {
    QTest::keyClick(&window, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(runOver(), 120000);
  }
};
