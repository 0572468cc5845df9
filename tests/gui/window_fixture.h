#pragma once
// Shared steps of the main window tests: a private copy of the sample series, the program's windows
// behind a scripted user port, and waiting for a run to end.
#include "program_windows.h"
#include "scripted_user_port.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>
#include <random>

inline QString sampleSeriesFolder() {
  for (const char* root : {KAVO_SAMPLES, KAVO_GUI_DATA})
    if (QFile::exists(QString(root) + "/series/img06.crd"))
      return QString(root) + "/series";
  return {};
}

// Copies the sample series into dir (writable, so Save can write next to it).
inline bool copySampleSeries(const QString& dir) {
  const QDir from(sampleSeriesFolder());
  if (sampleSeriesFolder().isEmpty())
    return false;
  for (const QString& name : from.entryList(QDir::Files)) {
    const QString target = dir + "/" + name;
    if (!QFile::copy(from.filePath(name), target))
      return false;
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
  }
  return true;
}

inline bool writeLines(const QString& path, const QStringList& lines) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return false;
  for (const QString& line : lines)
    file.write(line.toLatin1() + "\r\n");
  return true;
}

// A series big enough that a run lasts long: pointCount reference points on a jittered grid seen
// head-on from images moving away in 25 mm steps, with the sample's camera file and correction.
inline bool writeLongSeries(const QString& dir, int pointCount, int imageCount) {
  const QDir sample(sampleSeriesFolder());
  for (const char* name : {"camera.cam", "correction.txt"})
    if (!QFile::copy(sample.filePath(name), dir + "/" + name))
      return false;
  std::mt19937 random(20031);
  std::uniform_real_distribution<double> jitter(-20, 20);
  const int columns = static_cast<int>(std::ceil(std::sqrt(pointCount)));
  QStringList scene;
  std::vector<std::pair<double, double>> points;
  for (int i = 0; i < pointCount; ++i) {
    const double x = -500 + 1000.0 * (i % columns) / (columns - 1) + jitter(random);
    const double y = -370 + 740.0 * (i / columns) / (columns - 1) + jitter(random);
    points.emplace_back(x, y);
    scene << QString::number(x, 'g', 15) + " ; " + QString::number(y, 'g', 15);
  }
  QStringList list;
  for (int k = 0; k < imageCount; ++k) {
    const double distance = 1000 + 25.0 * k;
    QStringList image;
    for (const auto& [x, y] : points)
      image << QString::number(1000 + 1800 * x / distance, 'g', 15) + " ; " +
                   QString::number(750 + 1800 * y / distance, 'g', 15);
    const QString name = QString("long%1.crd").arg(k + 1);
    if (!writeLines(dir + "/" + name, image))
      return false;
    list << name;
  }
  list << "25";
  return writeLines(dir + "/scene.crd", scene) && writeLines(dir + "/series.lst", list);
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
    const auto exit = window.computeCommand().workerExit();
    return !window.computeCommand().running() && (!exit || exit->finished());
  }
};
