#include "app/input_digests.h"

#include "report/file_digest.h"

namespace kavo {

const char* const kCameraFileRole = "Файл внутренней геометрии";
const char* const kSceneFileRole = "Файл координат точек сцены";
const char* const kListFileRole = "Список калибровочных файлов";
const char* const kCorrectionTableRole = "Таблица коррекции";

std::string imageRole(int imageNumber) {
  return "Изображение " + std::to_string(imageNumber);
}

RunInputFile readInputFile(const std::string& role, const std::string& path) {
  RunInputFile file;
  file.role = role;
  file.path = path;
  const FileDigest digest = sha256OfFile(path);
  if (digest.ok) {
    file.sha256 = digest.hex;
  } else {
    file.digestProblem = digest.detail.empty() ? digest.message : digest.detail;
  }
  return file;
}

} // namespace kavo
