// A run's front half: its input files read once each, checked, and turned into the points and steps
// the computation works on.
#include "app/run_loading.h"

#include "datafiles/camera_file.h"
#include "datafiles/coordinate_files.h"
#include "datafiles/correction_table.h"
#include "datafiles/list_file.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "report/file_digest.h"

#include <cmath>
#include <string>

namespace kavo {

const char* const kCameraFileRole = "Файл внутренней геометрии";
const char* const kSceneFileRole = "Файл координат точек сцены";
const char* const kListFileRole = "Список калибровочных файлов";
const char* const kCorrectionTableRole = "Таблица коррекции";

std::string imageRole(int imageNumber) {
  return "Изображение " + std::to_string(imageNumber);
}

namespace {

const char* const kNotEnoughPoints = "Недостаточно точек! Процедура прервана!";
const char* const kInternalError = "Внутренняя ошибка! Проверьте входные данные.";

UserMessage readerBox(const ReadStatus& status) {
  // A reader's box has no owner.
  return {status.message, status.caption, status.detail, BoxOwner::None, BoxIcon::Error};
}

UserMessage windowBox(std::string text, std::string caption, std::string detail, BoxIcon icon) {
  return {std::move(text), std::move(caption), std::move(detail), BoxOwner::MainWindow, icon};
}

// The file as the run read it, with the digest of those very bytes.
RunInputFile recorded(const std::string& role, const FileBytes& file) {
  RunInputFile record;
  record.role = role;
  record.path = file.path;
  if (file.ok) {
    record.sha256 = sha256OfBytes(file.bytes);
  } else {
    record.digestProblem = file.error;
  }
  return record;
}

std::vector<Point2> toPoints(const std::vector<CoordinatePair>& pairs) {
  std::vector<Point2> points;
  points.reserve(pairs.size());
  for (const CoordinatePair& p : pairs) {
    points.push_back({p.first, p.second});
  }
  return points;
}

class Loader {
public:
  Loader(const RunRequest& r, const RunHooks& h, RunResult& out, LoadedPoints& p)
      : request(r), hooks(h), result(out), points(p), record(out.inputs), separator(r.decimalSeparator) {}

  bool load();

private:
  bool stop(UserMessage message) {
    result.status = RunStatus::Stopped;
    result.message = std::move(message);
    return false;
  }
  bool readCamera(RunInputFile& tableRecord);
  bool readImages();
  std::string imagePath(const std::string& name) const;

  const RunRequest& request;
  const RunHooks& hooks;
  RunResult& result;
  LoadedPoints& points;
  RunInputs& record;
  char separator;
};

bool Loader::readCamera(RunInputFile& tableRecord) {
  const FileBytes file = readFileBytes(request.cameraFile);
  CameraFacts& camera = result.camera;
  camera.file = request.cameraFile;
  CameraFileValues values;
  const auto readTable = [&](const std::string& tablePath) {
    const FileBytes table = readFileBytes(tablePath);
    tableRecord = recorded(kCorrectionTableRole, table);
    if (table.ok) {
      camera.correctionTable = decodeLines(table.bytes);
    }
    return table.error;
  };
  const ReadStatus status = parseCameraFile(file, values, readTable, separator);
  if (file.ok) {
    record.files.push_back(recorded(kCameraFileRole, file));
    camera.lines = decodeLines(file.bytes);
  }
  if (!status.ok) {
    return stop(readerBox(status));
  }
  camera.imageCentreX = values.imageCentreX;
  camera.imageCentreY = values.imageCentreY;
  camera.focalLength = values.focalLength;
  camera.imageWidth = values.imageWidth;
  camera.imageHeight = values.imageHeight;
  camera.hasPrincipalPoint = values.hasPrincipalPoint;
  camera.principalPointX = values.principalPointX;
  camera.principalPointY = values.principalPointY;
  camera.correctionTablePath = values.correctionTablePath;
  camera.verticalScale = correctionVerticalScale(camera.correctionTable, separator).value_or(1.0);
  return true;
}

std::string Loader::imagePath(const std::string& name) const {
  const std::string path = nativePath(name);
  if (request.imageFolder.empty() || (!path.empty() && path.front() == '/')) {
    return path;
  }
  const std::string& folder = request.imageFolder;
  return folder.back() == '/' ? folder + path : folder + '/' + path;
}

bool Loader::readImages() {
  const CameraFacts& camera = result.camera;
  points.images.reserve(points.imageFiles.size());
  for (std::size_t j = 0; j < points.imageFiles.size(); ++j) {
    const int number = static_cast<int>(j) + 1;
    const FileBytes file = readFileBytes(imagePath(points.imageFiles[j]));
    std::vector<CoordinatePair> pairs;
    const ReadStatus status = parseImagePoints(file, pairs, camera.correctionTable, camera.imageCentreX,
                                               camera.imageCentreY, separator);
    if (file.ok) {
      record.files.push_back(recorded(imageRole(number), file));
    }
    if (!status.ok) {
      return stop(readerBox(status));
    }
    record.measuredPointCount += static_cast<long long>(pairs.size());
    if (pairs.size() < 4) {
      return stop(windowBox(kNotEnoughPoints, "Ошибка!",
                            file.path + ": измеренных точек: " + std::to_string(pairs.size()) +
                                "; нужно не меньше 4 (изображение " + std::to_string(number) + ")",
                            BoxIcon::Error));
    }
    points.images.push_back(toPoints(pairs));
  }
  return true;
}

bool Loader::load() {
  record.settings = request.settings;
  record.decimalSeparator = separator;
  RunInputFile tableRecord;
  if (!readCamera(tableRecord)) {
    return false;
  }

  const FileBytes scene = readFileBytes(request.sceneFile);
  std::vector<CoordinatePair> scenePairs;
  const ReadStatus sceneStatus = parseScenePoints(scene, scenePairs, separator);
  if (!sceneStatus.ok) {
    if (scene.ok) {
      record.files.push_back(recorded(kSceneFileRole, scene));
    }
    return stop(readerBox(sceneStatus));
  }
  record.files.push_back(recorded(kSceneFileRole, scene));
  record.scenePointCount = static_cast<int>(scenePairs.size());
  points.scene = toPoints(scenePairs);

  if (result.camera.focalLength != -1.0) {
    const UserMessage question = windowBox("Фокусное расстояние уже вычислено. Продолжить работу?",
                                           "Предупреждение", {}, BoxIcon::Question);
    if (hooks.confirm && !hooks.confirm(question)) {
      return stop({});
    }
    record.warnings.push_back(question.text);
  }

  const FileBytes list = readFileBytes(request.listFile);
  ListFileValues listValues;
  const ReadStatus listStatus = parseListFile(list, listValues, separator);
  if (list.ok) {
    record.files.push_back(recorded(kListFileRole, list));
  }
  if (!listStatus.ok) {
    // A broken list is no reader's box of its own: the command's catch-all words it.
    return stop(windowBox(kInternalError, "Отказ", listStatus.detail, BoxIcon::Exclamation));
  }
  if (!tableRecord.path.empty()) {
    record.files.push_back(tableRecord);
  }
  points.imageFiles = std::move(listValues.imageFiles);
  points.steps = std::move(listValues.steps);
  record.imageCount = static_cast<int>(points.imageFiles.size());

  if (points.scene.size() < 4) {
    return stop(windowBox(kNotEnoughPoints, "Ошибка!",
                          fileNameOf(request.sceneFile) + ": реперных точек: " +
                              std::to_string(points.scene.size()) + "; нужно не меньше 4",
                          BoxIcon::Error));
  }
  if (!readImages()) {
    return false;
  }
  if (!pointsSpreadEnough(points.images, result.camera.imageWidth, result.camera.imageHeight)) {
    const UserMessage warning =
        windowBox("Реперные точки расположены слишком кучно. Достоверность результата низкая.",
                  "Предупреждение!", {}, BoxIcon::Warning);
    record.warnings.push_back(warning.text);
    if (hooks.warn) {
      hooks.warn(warning);
    }
  }
  return true;
}

} // namespace

bool pointsSpreadEnough(const std::vector<std::vector<Point2>>& images, double imageWidth,
                        double imageHeight) {
  const double diagonal = std::sqrt(imageWidth * imageWidth + imageHeight * imageHeight);
  for (const std::vector<Point2>& points : images) {
    double spread = 0.0;
    for (std::size_t j = 0; j < points.size(); ++j) {
      for (std::size_t k = j; k < points.size(); ++k) {
        const double dx = points[j].x - points[k].x;
        const double dy = points[j].y - points[k].y;
        const double distance = std::sqrt(dx * dx + dy * dy);
        if (distance > spread) {
          spread = distance;
        }
      }
    }
    if (0.5 * diagonal > spread) {
      return false;
    }
  }
  return true;
}

bool loadRunInputs(const RunRequest& request, const RunHooks& hooks, RunResult& result,
                   LoadedPoints& points) {
  try {
    return Loader(request, hooks, result, points).load();
  } catch (const std::exception& e) {
    // Any other error of the reading: the command's catch-all box.
    result.status = RunStatus::Stopped;
    result.message = windowBox(kInternalError, "Отказ", e.what(), BoxIcon::Exclamation);
    return false;
  }
}

} // namespace kavo
