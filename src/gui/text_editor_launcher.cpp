#include "text_editor_launcher.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace kavo {

namespace {

// Splits an Exec value into arguments: blanks separate them, double quotes group them, and a
// backslash inside quotes escapes the next character.
QStringList splitExec(const QString& exec) {
  QStringList words;
  QString word;
  bool inQuotes = false;
  bool hasWord = false;
  for (qsizetype i = 0; i < exec.size(); ++i) {
    const QChar c = exec[i];
    if (inQuotes) {
      if (c == QLatin1Char('\\') && i + 1 < exec.size())
        word += exec[++i];
      else if (c == QLatin1Char('"'))
        inQuotes = false;
      else
        word += c;
    } else if (c == QLatin1Char('"')) {
      inQuotes = true;
      hasWord = true;
    } else if (c.isSpace()) {
      if (hasWord)
        words << word;
      word.clear();
      hasWord = false;
    } else {
      word += c;
      hasWord = true;
    }
  }
  if (hasWord)
    words << word;
  return words;
}

QString defaultTextEditorEntry() {
  QProcess query;
  query.start(QStringLiteral("xdg-mime"),
              {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
  if (!query.waitForFinished(3000) || query.exitCode() != 0)
    return {};
  const QString id =
      QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed().split(QLatin1Char(';')).value(0);
  if (id.isEmpty())
    return {};
  return QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
}

QString execOf(const QString& desktopFile) {
  QFile file(desktopFile);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    return {};
  bool inEntry = false;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.startsWith(QLatin1Char('[')))
      inEntry = line == QLatin1String("[Desktop Entry]");
    else if (inEntry && line.startsWith(QLatin1String("Exec=")))
      return line.mid(5);
  }
  return {};
}

} // namespace

std::optional<LaunchCommand> commandFromExec(const QString& exec, const QString& file) {
  QStringList arguments;
  for (const QString& word : splitExec(exec)) {
    if (word == QLatin1String("%f") || word == QLatin1String("%F") || word == QLatin1String("%u") ||
        word == QLatin1String("%U")) {
      if (!file.isEmpty())
        arguments << file;
      continue;
    }
    QString expanded;
    for (qsizetype i = 0; i < word.size(); ++i) {
      if (word[i] != QLatin1Char('%') || i + 1 >= word.size()) {
        expanded += word[i];
        continue;
      }
      const QChar code = word[++i];
      if (code == QLatin1Char('%'))
        expanded += code;
      else if ((code == QLatin1Char('f') || code == QLatin1Char('u')) && !file.isEmpty())
        expanded += file;
    }
    if (!expanded.isEmpty())
      arguments << expanded;
  }
  if (arguments.isEmpty())
    return std::nullopt;
  LaunchCommand command;
  command.program = arguments.takeFirst();
  command.arguments = arguments;
  return command;
}

bool openInTextEditor(const QString& file) {
  // The list file's own type may be handed to this very program, so ask for the editor of plain
  // text rather than for the application of the file.
  if (const auto command = commandFromExec(execOf(defaultTextEditorEntry()), file))
    if (QProcess::startDetached(command->program, command->arguments))
      return true;
  if (!file.isEmpty())
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
  return false;
}

} // namespace kavo
