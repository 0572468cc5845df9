#include "app/file_fields.h"

#include "platform/paths.h"

namespace kavo {

std::string& storedPath(CalibrationState& state, FileField field) {
  switch (field) {
  case FileField::Camera:
    return state.cameraFile;
  case FileField::Scene:
    return state.sceneFile;
  case FileField::List:
    break;
  }
  return state.listFile;
}

std::string applyPickedFile(CalibrationState& state, FileField field, const std::string& path) {
  state.startDirectory.clear();
  storedPath(state, field) = path;
  return fileNameOf(path);
}

std::string keyUpPath(const std::string& stored, const std::string& fieldText) {
  if (fieldText.empty()) {
    return stored;
  }
  const std::string folder = folderOf(stored);
  return folder.empty() ? fieldText : folder + fieldText;
}

std::string imageFolderOfList(const std::string& listFile) {
  return folderOf(listFile);
}

} // namespace kavo
