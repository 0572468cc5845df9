#include "qt_user_port.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace kavo {

QString qtNameFilter(const std::string& windowsFilter) {
  const QStringList parts = QString::fromStdString(windowsFilter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString p = pattern.trimmed();
      patterns << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
    }
    const QString shown = QLatin1Char('(') + parts[i + 1].trimmed() + QLatin1Char(')');
    // Qt reads the patterns from the last brackets of a filter, so a description that already
    // ends with its own pattern needs no second pair.
    if (description.endsWith(shown) && !parts[i + 1].contains(QLatin1String("*.*")))
      filters << description;
    else
      filters << description + QLatin1String(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return filters.join(QLatin1String(";;"));
}

QString dialogDefaultSuffix(const std::string& defaultExtension) {
  QString suffix = QString::fromStdString(defaultExtension).trimmed();
  while (suffix.startsWith(QLatin1Char('*')) || suffix.startsWith(QLatin1Char('.')))
    suffix.remove(0, 1);
  return suffix;
}

QString filterSuffix(const QString& nameFilter) {
  const qsizetype open = nameFilter.lastIndexOf(QLatin1Char('('));
  const qsizetype close = nameFilter.lastIndexOf(QLatin1Char(')'));
  if (open < 0 || close <= open)
    return {};
  const QString pattern = nameFilter.mid(open + 1, close - open - 1).trimmed();
  if (!pattern.startsWith(QLatin1String("*.")) || pattern.contains(QLatin1Char(' ')) ||
      pattern.indexOf(QLatin1Char('*'), 1) >= 0)
    return {};
  return pattern.mid(2);
}

QWidget* QtUserPort::ownerOf(BoxOwner owner) const {
  switch (owner) {
  case BoxOwner::MainWindow:
    return mainWindow.data();
  case BoxOwner::Editor:
  case BoxOwner::Dialog:
    if (QWidget* modal = QApplication::activeModalWidget())
      return modal;
    return mainWindow.data();
  case BoxOwner::None:
    break;
  }
  return nullptr;
}

namespace {

QMessageBox::Icon qtIcon(BoxIcon icon) {
  switch (icon) {
  case BoxIcon::Information:
    return QMessageBox::Information;
  case BoxIcon::Question:
    return QMessageBox::Question;
  case BoxIcon::Warning:
  case BoxIcon::Exclamation:
    return QMessageBox::Warning;
  case BoxIcon::Error:
    return QMessageBox::Critical;
  case BoxIcon::None:
    break;
  }
  return QMessageBox::NoIcon;
}

// A question that names no icon of its own still shows the question mark.
void fill(QMessageBox& box, const UserMessage& message, bool question = false) {
  box.setWindowTitle(QString::fromStdString(message.caption));
  box.setText(QString::fromStdString(message.text));
  box.setIcon(question && message.icon == BoxIcon::None ? QMessageBox::Question : qtIcon(message.icon));
  if (!message.detail.empty())
    box.setDetailedText(QString::fromStdString(message.detail));
}

} // namespace

void QtUserPort::showMessage(const UserMessage& message) {
  QMessageBox box(ownerOf(message.owner));
  fill(box, message);
  box.setStandardButtons(QMessageBox::Ok);
  box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
  box.exec();
}

bool QtUserPort::askYesNo(const UserMessage& question) {
  QMessageBox box(ownerOf(question.owner));
  fill(box, question, true);
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
  box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
  box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

Answer QtUserPort::askYesNoCancel(const UserMessage& question) {
  QMessageBox box(ownerOf(question.owner));
  fill(box, question, true);
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
  box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
  box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
  case QMessageBox::Yes:
    return Answer::Yes;
  case QMessageBox::No:
    return Answer::No;
  default:
    return Answer::Cancel;
  }
}

QWidget* QtUserPort::dialogParent() const {
  QWidget* parent = QApplication::activeModalWidget();
  return parent != nullptr ? parent : mainWindow.data();
}

namespace {

// The folder a dialog opens in: the one asked for, else the proposed file's, else the current one.
void openIn(QFileDialog& dialog, const FileDialogRequest& request) {
  const QFileInfo proposedInfo(QString::fromStdString(request.proposedName));
  QString folder = QString::fromStdString(request.initialFolder);
  if (folder.isEmpty() && proposedInfo.isAbsolute())
    folder = proposedInfo.absolutePath();
  dialog.setDirectory(folder.isEmpty() ? QDir::currentPath() : folder);
}

} // namespace

std::optional<std::string> QtUserPort::runFileDialog(const FileDialogRequest& request, bool save,
                                                     int* filter) {
  QFileDialog dialog(dialogParent(), save ? QStringLiteral("Сохранить как") : QStringLiteral("Открыть"));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const QString nameFilter = qtNameFilter(request.filter);
  dialog.setNameFilter(nameFilter);
  dialog.setDefaultSuffix(dialogDefaultSuffix(request.defaultExtension));
  if (filter != nullptr) {
    // The filters are kinds of file: the one chosen gives the suffix a bare name receives.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& chosen) {
      if (const QString suffix = filterSuffix(chosen); !suffix.isEmpty())
        dialog.setDefaultSuffix(suffix);
    });
  }
  // The overwrite question, where there is one, is the caller's own box.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.askBeforeOverwrite);
  openIn(dialog, request);
  const QString proposed = QString::fromStdString(request.proposedName);
  if (!proposed.isEmpty()) {
    const QFileInfo proposedInfo(proposed);
    dialog.selectFile(proposedInfo.isAbsolute() ? proposedInfo.fileName() : proposed);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  const QString chosen = dialog.selectedFiles().constFirst();
  if (save) // the open pickers move the current directory themselves, with the rest of a pick
    QDir::setCurrent(QFileInfo(chosen).absolutePath());
  if (filter != nullptr)
    *filter = static_cast<int>(nameFilter.split(QStringLiteral(";;")).indexOf(dialog.selectedNameFilter()));
  return chosen.toStdString();
}

std::vector<std::string> QtUserPort::chooseOpenFiles(const FileDialogRequest& request) {
  QFileDialog dialog(dialogParent(), QStringLiteral("Открыть"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setNameFilter(qtNameFilter(request.filter));
  openIn(dialog, request);
  std::vector<std::string> chosen;
  if (dialog.exec() == QDialog::Accepted)
    for (const QString& file : dialog.selectedFiles())
      chosen.push_back(file.toStdString());
  return chosen;
}

std::optional<std::string> QtUserPort::chooseFolder(const FileDialogRequest& request) {
  QFileDialog dialog(dialogParent(), QStringLiteral("Выбор папки"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  openIn(dialog, request);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  return dialog.selectedFiles().constFirst().toStdString();
}

std::optional<std::string> QtUserPort::chooseOpenFile(const FileDialogRequest& request) {
  return runFileDialog(request, false);
}

std::optional<std::string> QtUserPort::chooseSaveFile(const FileDialogRequest& request) {
  return runFileDialog(request, true);
}

std::optional<SaveChoice> QtUserPort::chooseSaveFileOfKind(const FileDialogRequest& request) {
  int filter = 0;
  const auto chosen = runFileDialog(request, true, &filter);
  if (!chosen)
    return std::nullopt;
  return SaveChoice{*chosen, filter < 0 ? 0 : filter};
}

} // namespace kavo
