#include "platform/locale_separator.h"
#include "program_windows.h"
#include "qt_user_port.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QProcessEnvironment>
#include <QTimer>
#include <QTranslator>

#include <clocale>
#include <cstdio>
#include <string_view>

namespace {

// Hooks for the smoke test under a bare X server. KAVO_SCREENSHOT_DIR=<folder> saves the window
// as splash.png, main.png (the splash gone) and result.png (a result shown, with the three result
// fields in result.txt) in that folder;
// KAVO_PRESS_ENTER_AFTER_MS=<n> presses Enter in the window n ms after start when no tool can
// type into the display; KAVO_QUIT_AFTER_RESULT=1 ends the program once result.png is saved.
void installSmokeHooks(kavo::TFocus_Form& window) {
  const QString folder = qEnvironmentVariable("KAVO_SCREENSHOT_DIR");
  if (!folder.isEmpty()) {
    QDir().mkpath(folder);
    const auto shoot = [&window, folder](const char* name) {
      window.grab().save(QDir(folder).filePath(QString::fromLatin1(name)));
    };
    QTimer::singleShot(1000, &window, [shoot] { shoot("splash.png"); });
    QObject::connect(window.findChild<QTimer*>(QStringLiteral("Timer1")), &QTimer::timeout, &window,
                     [&window, shoot] { QTimer::singleShot(300, &window, [shoot] { shoot("main.png"); }); });
    QObject::connect(
        window.findChild<QLineEdit*>(QStringLiteral("Edit5")), &QLineEdit::textChanged, &window,
        [&window, shoot, folder](const QString& text) {
          if (text.isEmpty())
            return;
          QTimer::singleShot(300, &window, [&window, shoot, folder] {
            shoot("result.png");
            QFile shown(QDir(folder).filePath(QStringLiteral("result.txt")));
            if (shown.open(QIODevice::WriteOnly | QIODevice::Text))
              for (const char* name : {"Edit5", "Edit8", "Edit9"})
                shown.write(window.findChild<QLineEdit*>(QString::fromLatin1(name))->text().toUtf8() + '\n');
            if (qEnvironmentVariableIsSet("KAVO_QUIT_AFTER_RESULT"))
              QCoreApplication::exit(0); // no close question: the smoke test ends here
          });
        });
  }
  bool ok = false;
  const int enterAfter = qEnvironmentVariableIntValue("KAVO_PRESS_ENTER_AFTER_MS", &ok);
  if (ok)
    QTimer::singleShot(enterAfter, &window, [&window] {
      QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &window;
      QApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
      QApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier));
    });
}

int run(const QCommandLineParser& parser, kavo::QtUserPort& port, char separator);

// The options the program knows, for --help as for the window.
void describeOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral("Вычисление фокусного расстояния камеры"));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("files"),
                               QStringLiteral("Файлы .cam, .crd и .lst: как выбранные в окне программы."),
                               QStringLiteral("[FILE...]"));
}

void nameTheApplication() {
  QCoreApplication::setApplicationName(QStringLiteral("Kavo"));
  QCoreApplication::setApplicationVersion(QStringLiteral(KAVO_VERSION));
}

// --help and --version are answered before any window system is asked for, so they work without a
// display (over ssh, in a package's build).
bool asksOnlyForText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") {
      break;
    }
    if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-?" || arg == "-v" ||
        arg == "--version") {
      return true;
    }
  }
  return false;
}

} // namespace

int main(int argc, char** argv) {
  if (asksOnlyForText(argc, argv)) {
    QCoreApplication app(argc, argv);
    nameTheApplication();
    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(app); // prints and exits
    return 0;
  }
  QApplication app(argc, argv);
  nameTheApplication();
  QApplication::setDesktopFileName(QStringLiteral("org.kavo.Kavo"));
  // Qt sets the C locale from the environment; numbers in files follow its decimal separator.
  std::setlocale(LC_NUMERIC, "");
  const char separator = kavo::localeDecimalSeparator();

  // Qt's own dialogs (file dialogs, the details button) in Russian, where the translations exist.
  QTranslator qtTranslator;
  if (qtTranslator.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTranslator);

  QCommandLineParser parser;
  describeOptions(parser);
  parser.process(app);

  kavo::QtUserPort port;
  try {
    return run(parser, port, separator);
  } catch (const std::exception& error) {
    // An error escaping start-up or the message loop: the application's default error report.
    port.setMainWindow(nullptr);
    port.showMessage(kavo::UserMessage{error.what(),
                                       QApplication::applicationName().toStdString(),
                                       {},
                                       kavo::BoxOwner::None,
                                       kavo::BoxIcon::Error});
    return 1;
  }
}

namespace {

int run(const QCommandLineParser& parser, kavo::QtUserPort& port, char separator) {
  kavo::ProgramWindows windows(port, separator);
  port.setMainWindow(windows.mainWindow.get());
  windows.mainWindow->setWindowIcon(QIcon(QStringLiteral(":/kavo/icons/kavo-128.png")));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/kavo/icons/kavo-128.png")));

  for (const QString& file : windows.mainWindow->openFiles(parser.positionalArguments()))
    std::fprintf(stderr, "kavo: %s: not a camera (.cam), coordinate (.crd) or list (.lst) file, or missing\n",
                 file.toLocal8Bit().constData());
  installSmokeHooks(*windows.mainWindow);
  windows.mainWindow->show();
  return QApplication::exec();
}

} // namespace
