#include "focus_form.h"

#include "editor_window.h"
#include "ui_focus_form.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace kavo {

std::optional<FileField> fieldForFile(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("cam"))
    return FileField::Camera;
  if (suffix == QLatin1String("crd"))
    return FileField::Scene;
  if (suffix == QLatin1String("lst"))
    return FileField::List;
  return std::nullopt;
}

void TFocus_Form::Button5Click() {
  runPicker(FileField::Camera);
}
void TFocus_Form::Button3Click() {
  runPicker(FileField::Scene);
}
void TFocus_Form::Button4Click() {
  runPicker(FileField::List);
}

void TFocus_Form::runPicker(FileField field) {
  if (const auto chosen = commands->chooseFile(field))
    takeFile(field, QString::fromStdString(*chosen));
}

void TFocus_Form::takeFile(FileField field, const QString& path) {
  const QFileInfo info(path);
  // Names in the list file are relative to the current directory, which follows the file picked
  // last; every later picker opens there too.
  QDir::setCurrent(info.absolutePath());
  commands->takeFile(field, info.absoluteFilePath().toStdString());
}

bool TFocus_Form::openFileByExtension(const QString& path) {
  const auto field = fieldForFile(path);
  if (!field) {
    showStatus("Неизвестный тип файла: " + QFileInfo(path).fileName().toStdString());
    return false;
  }
  if (!QFileInfo(path).isFile()) {
    showStatus("Файл не найден: " + path.toStdString());
    return false;
  }
  takeFile(*field, path);
  return true;
}

QStringList TFocus_Form::openFiles(const QStringList& paths) {
  QStringList absolute;
  for (const QString& path : paths)
    absolute << QFileInfo(path).absoluteFilePath();
  QStringList refused;
  for (qsizetype i = 0; i < absolute.size(); ++i)
    if (!openFileByExtension(absolute[i]))
      refused << paths[i];
  return refused;
}

void TFocus_Form::EditKeyUp(FileField field) {
  commands->typedFileName(field, fieldEdit(field)->text().toStdString());
}

void TFocus_Form::Edit6DblClick() {
  guarded([this] { openDataEditor(this, port, state.cameraFile, kEditorCamera, separator); });
}

void TFocus_Form::Edit4DblClick() {
  guarded([this] { openDataEditor(this, port, state.sceneFile, kEditorScenePoints, separator); });
}

void TFocus_Form::Edit1DblClick() {
  if (openTextEditor && !openTextEditor(QString::fromStdString(state.listFile)))
    showStatus("Не удалось запустить текстовый редактор");
}

bool TFocus_Form::SaveFocalLength() {
  return commands->saveResult().status == SaveOutcome::Status::Written;
}

void TFocus_Form::dragEnterEvent(QDragEnterEvent* event) {
  if (!event->mimeData()->hasUrls())
    return;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile() && fieldForFile(url.toLocalFile())) {
      event->acceptProposedAction();
      return;
    }
}

void TFocus_Form::dropEvent(QDropEvent* event) {
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile())
      openFileByExtension(url.toLocalFile());
  event->acceptProposedAction();
}

} // namespace kavo
