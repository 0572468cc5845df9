#pragma once
#include <QString>
#include <QStringList>

#include <optional>

namespace kavo {

// A program and its arguments, ready to be started detached.
struct LaunchCommand {
  QString program;
  QStringList arguments;
};

// Turns the Exec line of a desktop entry into a command for one file (or none: file empty). The
// field codes %f %F %u %U take the file, %% is a percent sign, and the other codes are dropped;
// quoted arguments keep their spaces. Nothing when the line names no program.
std::optional<LaunchCommand> commandFromExec(const QString& exec, const QString& file);

// The double click on the list field: opens the file (or, with an empty path, an empty document)
// in the desktop's default application for plain text, without waiting for it. Returns false when
// no text editor could be started.
bool openInTextEditor(const QString& file);

} // namespace kavo
