#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "estimator/focal_values.h"
#include "graph/distribution_drawing.h"
#include "graph/distribution_export.h"
#include "graph/picture_file.h"
#include "graph/qt/distribution_picture.h"
#include "graph_window.h"
#include "platform/user_port.h"
#include "scripted_user_port.h"

using namespace kavo;
using kavo::test::ScriptedUserPort;

namespace {

template <typename T> T* child(QWidget& window, const char* name) {
  T* widget = window.findChild<T*>(name);
  if (widget == nullptr) {
    qFatal("no control %s", name);
  }
  return widget;
}

QString text(QWidget& window, const char* edit) {
  return child<QLineEdit>(window, edit)->text();
}

bool samePicture(const RasterPicture& a, const RasterPicture& b) {
  return a.rgbRows() == b.rgbRows();
}

const double kDeviation = std::sqrt(1620.0);

} // namespace

class GraphWindowTest : public QObject {
  Q_OBJECT

  // The worked example: mean 28 and deviation sqrt(1620); one pass at one deviation keeps the 10s.
  FocalValues values = FocalValues::fromVector({10, 10, 10, 10, 100});
  DistributionNumbers handedIn{28, 1, kDeviation, kDeviation / std::sqrt(5.0)};

private slots:
  void opensWithTheLayoutAndTheNumbers() {
    ScriptedUserPort port;
    TRForm window(nullptr, port, values, handedIn, ',');
    QCOMPARE(window.windowTitle(), QStringLiteral("GRAPH"));
    QCOMPARE(window.size(), QSize(900, 604));
    QCOMPARE(child<QPushButton>(window, "Button1")->text(), QStringLiteral("Сохранить"));
    QCOMPARE(child<QPushButton>(window, "Button2")->text(), QStringLiteral("Счёт"));
    QCOMPARE(child<QPushButton>(window, "Button5")->text(), QStringLiteral("Сброс"));
    QCOMPARE(child<QPushButton>(window, "Button3")->text(), QStringLiteral("OK"));
    QCOMPARE(child<QPushButton>(window, "Button4")->text(), QStringLiteral("Выход"));
    QCOMPARE(child<QPushButton>(window, "Button3")->pos(), QPoint(384, 520));
    QCOMPARE(child<QLineEdit>(window, "Edit4")->pos(), QPoint(312, 32));
    QCOMPARE(child<QLabel>(window, "Label2")->text(), QStringLiteral("Отсечение:"));
    QCOMPARE(text(window, "Edit2"), QStringLiteral("28"));
    QCOMPARE(text(window, "Edit3"), QStringLiteral("40,249"));
    QCOMPARE(text(window, "Edit5"), QStringLiteral("18"));
    QCOMPARE(text(window, "Edit4"), QStringLiteral("1"));
    QVERIFY(child<QLineEdit>(window, "Edit3")->isReadOnly());
    QVERIFY(!child<QLineEdit>(window, "Edit4")->isReadOnly());

    // What the window shows at opening is what the command line writes.
    const QImage shown =
        child<QLabel>(window, "Image1")->pixmap().toImage().convertToFormat(QImage::Format_RGB888);
    QCOMPARE(shown, toQImage(window.shownPicture()));
    QTemporaryDir folder;
    const std::string path = folder.filePath("opening.bmp").toStdString();
    QCOMPARE(exportDistributionPicture(path, values, 1, 28, kDeviation, kDeviation / std::sqrt(5.0), ','),
             std::string());
    QCOMPARE(QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB888), shown);
  }

  void clippingBoxRedrawsTheBand() {
    ScriptedUserPort port;
    TRForm window(nullptr, port, values, handedIn, ',');
    QLineEdit* box = child<QLineEdit>(window, "Edit4");
    const RasterPicture opening = window.shownPicture();
    // Range 10 .. 100 at 80/9 columns per unit: the band 28 ± 20.12 lies at columns 388 and 68.
    box->setText(QStringLiteral("0,5"));
    QCOMPARE(window.model().numbers().clipFactor, 0.5);
    QCOMPARE(box->text(), QStringLiteral("0,5"));
    const int upper = window.model().pixelX(28 + 0.5 * kDeviation);
    QCOMPARE(upper, 388);
    QCOMPARE(window.shownPicture().pixel(upper, 300), kBandColour);
    QCOMPARE(window.shownPicture().pixel(window.model().pixelX(28 - 0.5 * kDeviation), 300), kBandColour);
    QVERIFY(!samePicture(window.shownPicture(), opening));

    // Text typed on the way to a number keeps the box as typed and changes nothing yet.
    const RasterPicture before = window.shownPicture();
    for (const char* partial : {"", "-", "1,", "abc"}) {
      box->setText(QString::fromUtf8(partial));
      QCOMPARE(box->text(), QString::fromUtf8(partial));
    }
    QCOMPARE(window.model().numbers().clipFactor, 1.0); // "1," read as 1
    box->setText(QStringLiteral("abc"));
    QCOMPARE(window.model().numbers().clipFactor, 1.0);
    QVERIFY(port.messages().empty());
    // Leaving the box with text that is not a number reports it and shows the factor in effect,
    // already while the box is up (the box takes the focus, which finishes the editing again).
    QString boxUnderMessage;
    port.onMessage = [&](const UserMessage&) { boxUnderMessage = box->text(); };
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(port.messages().size(), std::size_t{1});
    QCOMPARE(port.messages()[0].text, std::string("'abc' is not a valid floating point value"));
    QCOMPARE(box->text(), QStringLiteral("1"));
    QCOMPARE(boxUnderMessage, QStringLiteral("1"));
    QVERIFY(port.saveRequests().empty()); // Enter presses no button
    QVERIFY(window.isVisible());
    QVERIFY(!samePicture(window.shownPicture(), before));
    QVERIFY(samePicture(window.shownPicture(), opening));
  }

  void recomputeResetAndTheEmptyBand() {
    ScriptedUserPort port;
    TRForm window(nullptr, port, values, handedIn, '.');
    QTest::mouseClick(child<QPushButton>(window, "Button2"), Qt::LeftButton);
    QCOMPARE(window.model().numbers().meanValue, 10.0);
    QCOMPARE(text(window, "Edit2"), QStringLiteral("10"));
    QCOMPARE(text(window, "Edit3"), QStringLiteral("0"));
    QCOMPARE(text(window, "Edit5"), QStringLiteral("0"));
    QCOMPARE(window.shownPicture().pixel(window.model().pixelX(10), 300), kMeanColour);

    // Band 28 ± 10.06 holds no value: an error, and nothing changes.
    child<QLineEdit>(window, "Edit4")->setText(QStringLiteral("0.25"));
    QTest::mouseClick(child<QPushButton>(window, "Button5"), Qt::LeftButton);
    QCOMPARE(text(window, "Edit2"), QStringLiteral("28"));
    QCOMPARE(window.model().numbers().clipFactor, 0.25); // "Сброс" keeps the factor
    const RasterPicture before = window.shownPicture();
    QTest::mouseClick(child<QPushButton>(window, "Button2"), Qt::LeftButton);
    QCOMPARE(port.messages().size(), std::size_t{1});
    QCOMPARE(port.messages()[0].caption, std::string("Ошибка!"));
    QCOMPARE(window.model().numbers().meanValue, 28.0);
    QCOMPARE(window.model().numbers().deviation, kDeviation);
    QCOMPARE(text(window, "Edit2"), QStringLiteral("28"));
    QVERIFY(samePicture(window.shownPicture(), before));
    QCOMPARE(window.outcome().mean, 28.0);
  }

  void mouseReadOut() {
    ScriptedUserPort port;
    TRForm window(nullptr, port, values, handedIn, ',');
    QLabel* image = child<QLabel>(window, "Image1");
    QMouseEvent move(QEvent::MouseMove, QPointF(410, 200), image->mapToGlobal(QPointF(410, 200)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(image, &move);
    QCOMPARE(text(window, "Edit1"), QStringLiteral("50,5")); // (410 - 50) / (800 / 90) + 10

    const FocalValues same = FocalValues::fromVector({7, 7});
    TRForm flat(nullptr, port, same, DistributionNumbers{7, 3, 0, 0}, ',');
    QLabel* flatImage = child<QLabel>(flat, "Image1");
    QCoreApplication::sendEvent(flatImage, &move);
    QCOMPARE(text(flat, "Edit1"), QString());
  }

  void saveWritesTheShownPicture() {
    QTemporaryDir folder;
    ScriptedUserPort port;
    TRForm window(nullptr, port, values, handedIn, ',');
    QTest::mouseClick(child<QPushButton>(window, "Button2"), Qt::LeftButton);

    QTest::mouseClick(child<QPushButton>(window, "Button1"), Qt::LeftButton); // cancelled
    QCOMPARE(port.saveRequests().size(), std::size_t{1});
    const FileDialogRequest request = port.saveRequests()[0];
    QCOMPARE(request.filter, std::string("Bitmap Filis|*.bmp"));
    QCOMPARE(request.defaultExtension, std::string("bmp"));
    QCOMPARE(request.proposedName, std::string("graph2"));
    QVERIFY(request.askBeforeOverwrite);
    QVERIFY(QDir(folder.path()).isEmpty());

    const QString path = folder.filePath("graph2.bmp");
    port.saveFiles = {path.toStdString()};
    QTest::mouseClick(child<QPushButton>(window, "Button1"), Qt::LeftButton);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(static_cast<int>(bytes[28]), 24);
    QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB888), toQImage(window.shownPicture()));
    QVERIFY(port.messages().empty());

    port.saveFiles = {folder.filePath("missing/graph2.bmp").toStdString()};
    QTest::mouseClick(child<QPushButton>(window, "Button1"), Qt::LeftButton);
    QCOMPARE(port.messages().size(), std::size_t{1});
    QCOMPARE(port.messages()[0].caption, std::string("Ошибка!"));
  }

  void closingHandsBackTheNumbers_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("exitPressed");
    QTest::newRow("OK") << "Button3" << false;
    QTest::newRow("Выход") << "Button4" << true;
    QTest::newRow("close button") << "" << false;
    QTest::newRow("Escape") << "escape" << false;
  }

  void closingHandsBackTheNumbers() {
    QFETCH(QString, how);
    QFETCH(bool, exitPressed);
    ScriptedUserPort port;
    DistributionOutcome outcome;
    // The window runs modally as the worker's step does; the script acts once it is up.
    QTimer::singleShot(0, [&] {
      auto* window = qobject_cast<TRForm*>(QApplication::activeModalWidget());
      QVERIFY(window != nullptr);
      QTest::mouseClick(child<QPushButton>(*window, "Button2"), Qt::LeftButton);
      if (how == "escape") {
        QTest::keyClick(window, Qt::Key_Escape);
      } else if (how.isEmpty()) {
        window->close();
      } else {
        QTest::mouseClick(child<QPushButton>(*window, how.toUtf8().constData()), Qt::LeftButton);
      }
    });
    outcome = showDistributionWindow(nullptr, port, values, 1, 28, kDeviation, 18.0, '.');
    QCOMPARE(outcome.exitPressed, exitPressed);
    QCOMPARE(outcome.mean, 10.0);
    QCOMPARE(outcome.deviation, 0.0);
    QCOMPARE(outcome.standardDeviation, 0.0);
  }
};

QTEST_MAIN(GraphWindowTest)
#include "graph_window_test.moc"
