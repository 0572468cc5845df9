#include "focus_form.h"

#include "datafiles/camera_file.h"
#include "datafiles/paths.h"
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

namespace {

struct Picker {
  const char* filter;
  const char* defaultExtension;
  const char* proposedName;
};

Picker pickerOf(FileField field) {
  switch (field) {
  case FileField::Camera:
    return {"Camera Files|*.cam|All Files|*.*", "cam", "Kalibr"};
  case FileField::Scene:
    return {"Coordinate Files (*.crd)|*.crd", "*.crd", ""};
  case FileField::List:
    break;
  }
  return {"List Files|*.lst|All Files|*.*", "*.lst", ""};
}

} // namespace

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
  const Picker picker = pickerOf(field);
  FileDialogRequest request;
  request.filter = picker.filter;
  request.defaultExtension = picker.defaultExtension;
  request.proposedName = picker.proposedName;
  request.initialFolder = state.startDirectory; // emptied by the first pick
  const auto chosen = port.chooseOpenFile(request);
  if (!chosen)
    return;
  takeFile(field, QString::fromStdString(*chosen));
}

void TFocus_Form::takeFile(FileField field, const QString& path) {
  const QFileInfo info(path);
  // Names in the list file are relative to the current directory, which follows the file picked
  // last; every later picker opens there too.
  QDir::setCurrent(info.absolutePath());
  const QString shown =
      QString::fromStdString(applyPickedFile(state, field, info.absoluteFilePath().toStdString()));
  (field == FileField::Camera  ? ui->Edit6
   : field == FileField::Scene ? ui->Edit4
                               : ui->Edit1)
      ->setText(shown);
  ui->Edit5->clear();
  ui->Edit8->clear();
  ui->Edit9->clear();
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
  const ::QLineEdit* edit = field == FileField::Camera  ? ui->Edit6
                            : field == FileField::Scene ? ui->Edit4
                                                        : ui->Edit1;
  std::string& stored = storedPath(state, field);
  stored = keyUpPath(stored, edit->text().toStdString());
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
  FileDialogRequest request;
  request.filter = "Parameters Files|*.cam|All Files|*.*";
  request.proposedName = proposedFocalFileName(savedResult ? savedResult->cameraFile : state.cameraFile);
  const auto chosen = port.chooseSaveFile(request);
  if (!chosen)
    return false;
  if (QFileInfo::exists(QString::fromStdString(*chosen))) {
    const UserMessage question{"Файл " + fileNameOf(*chosen) + " уже существует. Перезаписать?",
                               "Предупреждение",
                               {},
                               BoxOwner::MainWindow,
                               BoxIcon::None};
    if (!port.askYesNo(question))
      return false;
  }
  // The result as it was shown, with the camera file it was computed with: a file picked since
  // then has cleared the fields and may have named another camera.
  const ShownResult result =
      savedResult.value_or(ShownResult{state.cameraFile, ui->Edit5->text().toStdString(),
                                       ui->Edit8->text().toStdString(), ui->Edit9->text().toStdString()});
  const ReadStatus written = writeFocalLengthCopy(result.cameraFile, *chosen, result.focal, result.deviation,
                                                  result.standardDeviation);
  if (!written.ok) {
    port.showMessage(UserMessage{"Ошибка записи cam-файла!", "Ошибка!", written.detail, BoxOwner::MainWindow,
                                 BoxIcon::None});
    return false;
  }
  // Only a written file counts as saved: a declined overwrite, a cancelled dialog or a failed write
  // leave the result unsaved and the Save command available.
  state.resultSaved = true;
  setSaveEnabled(false);
  return true;
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
