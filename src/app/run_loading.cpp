// A run's front half: its input files read once each, checked, and turned into the points and steps
// the computation works on.
#include "app/run_loading.h"

#include "datafiles/camera_file.h"
#include "datafiles/coordinate_files.h"
#include "datafiles/correction_table.h"
#include "datafiles/data_limits.h"
#include "datafiles/line_text.h"
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
const char* const kImageReadFailed = "Ошибка чтения файла координат точек изображения!";

void checkStop(const RunHooks& hooks) {
  if (hooks.shouldStop && hooks.shouldStop()) {
    throw RunAbandoned(AbandonReason::Cancelled, "счёт остановлен по запросу");
  }
}
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
  std::string stepsProblem(const ListFileValues& list) const;
  std::string imagePath(const std::string& name) const;

  const RunRequest& request;
  const RunHooks& hooks;
  RunResult& result;
  LoadedPoints& points;
  RunInputs& record;
  char separator;
};

bool Loader::readCamera(RunInputFile& tableRecord) {
  const FileBytes file = readFileBytes(request.cameraFile, kMaxCameraFileBytes);
  CameraFacts& camera = result.camera;
  camera.file = request.cameraFile;
  CameraFileValues values;
  const auto readTable = [&](const std::string& tablePath) {
    const FileBytes table = readFileBytes(tablePath, kMaxCorrectionTableBytes);
    tableRecord = recorded(kCorrectionTableRole, table);
    if (!table.ok) {
      return table.error;
    }
    if (const std::string problem = encodingProblem(table.bytes); !problem.empty()) {
      return problem;
    }
    camera.correctionTable = decodeLines(table.bytes);
    return std::string();
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
  camera.exifFocalLength = values.exifFocalLength;
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
    checkStop(hooks);
    const FileBytes file = readFileBytes(imagePath(points.imageFiles[j]), kMaxCoordinateFileBytes);
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
    // An image with more points than the scene has every point after the extra one matched with the
    // wrong reference point, and would still give a plausible number. (One with fewer ends the run when
    // the enumeration meets the missing point.)
    if (pairs.size() > points.scene.size()) {
      return stop(readerBox(ReadStatus::failure(
          kImageReadFailed, file.path + ": точек " + std::to_string(pairs.size()) + ", а в файле сцены " +
                                std::to_string(points.scene.size()) + " (изображение " +
                                std::to_string(number) +
                                "): точки изображения соответствуют точкам сцены по порядку строк")));
    }
    points.images.push_back(toPoints(pairs));
  }
  return true;
}

// Why the steps cannot give distances between the images ("" when they can): a step that the list
// does not give, or one of 0, or steps that bring the camera back to where it was, would make the
// distance between two images 0 and every value from them 0.
std::string Loader::stepsProblem(const ListFileValues& list) const {
  const std::string& path = request.listFile;
  const std::size_t images = list.imageFiles.size();
  const auto lineOf = [&list](std::size_t step) {
    return list.numbers.size() == 1 ? list.numberLines[0] : list.numberLines[step];
  };
  for (std::size_t k = 0; k + 1 < images; ++k) {
    if (list.numbers.size() != 1 && k >= list.numbers.size()) {
      return path + ": шагов " + std::to_string(list.numbers.size()) + ", а изображений " +
             std::to_string(images) + ": нет шага после изображения " + std::to_string(k + 1);
    }
    if (list.steps[k] == 0.0) {
      return lineAt(path, lineOf(k)) + "шаг после изображения " + std::to_string(k + 1) +
             " равен 0: расстояние между изображениями " + std::to_string(k + 1) + " и " +
             std::to_string(k + 2) + " не может быть нулевым";
    }
  }
  for (std::size_t base = 0; base + 1 < images; ++base) {
    double distance = 0.0;
    for (std::size_t partner = base + 1; partner < images; ++partner) {
      distance += list.steps[partner - 1];
      if (distance == 0.0) {
        return path + ": шаги между изображениями " + std::to_string(base + 1) + " и " +
               std::to_string(partner + 1) + " в сумме дают 0: камера вернулась туда, где была";
      }
    }
  }
  return {};
}

bool Loader::load() {
  record.settings = request.settings;
  record.decimalSeparator = separator;
  RunInputFile tableRecord;
  if (!readCamera(tableRecord)) {
    return false;
  }

  const FileBytes scene = readFileBytes(request.sceneFile, kMaxCoordinateFileBytes);
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

  const FileBytes list = readFileBytes(request.listFile, kMaxListFileBytes);
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
  if (const std::string problem = stepsProblem(listValues); !problem.empty()) {
    return stop(windowBox(kInternalError, "Отказ", problem, BoxIcon::Exclamation));
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
  if (!pointsSpreadEnough(points.images, result.camera.imageWidth, result.camera.imageHeight,
                          hooks.shouldStop)) {
    const UserMessage warning = windowBox(kClusteredPointsWarning, "Предупреждение!", {}, BoxIcon::Warning);
    record.warnings.push_back(warning.text);
    if (hooks.warn) {
      hooks.warn(warning);
    }
  }
  return true;
}

} // namespace

bool pointsSpreadEnough(const std::vector<std::vector<Point2>>& images, double imageWidth, double imageHeight,
                        const std::function<bool()>& shouldStop) {
  const double diagonal = std::sqrt(imageWidth * imageWidth + imageHeight * imageHeight);
  for (const std::vector<Point2>& points : images) {
    double spread = 0.0;
    for (std::size_t j = 0; j < points.size(); ++j) {
      if (j % 64 == 0 && shouldStop && shouldStop()) {
        throw RunAbandoned(AbandonReason::Cancelled, "счёт остановлен по запросу");
      }
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
  } catch (const RunAbandoned& e) {
    // Stopped while reading: an abandoned run, as a stop later on makes it.
    result.status = RunStatus::Abandoned;
    result.end = {e.reason, e.what()};
    return false;
  } catch (const std::exception& e) {
    // Any other error of the reading: the command's catch-all box.
    result.status = RunStatus::Stopped;
    result.message = windowBox(kInternalError, "Отказ", e.what(), BoxIcon::Exclamation);
    return false;
  }
}

} // namespace kavo
