#include "datafiles/coordinate_files.h"

#include "datafiles/correction_table.h"
#include "datafiles/data_limits.h"
#include "datafiles/line_text.h"
#include "platform/number_text.h"
#include "platform/text_file.h"

#include <cmath>
#include <memory>
#include <optional>
#include <string_view>

namespace kavo {
namespace {

const char* const kSceneFailed = "Ошибка чтения файла сцены!";
const char* const kImageFailed = "Ошибка чтения файла координат точек изображения!";

// Why the file cannot be read as a coordinate file at all: not read, or not Windows-1251 text.
std::string unreadable(const FileBytes& file) {
  if (!file.ok) {
    return file.error;
  }
  const std::string problem = encodingProblem(file.bytes);
  return problem.empty() ? std::string() : file.path + ": " + problem;
}

std::string tooManyPoints(const std::string& path, std::size_t lines) {
  return path + ": строк " + std::to_string(lines) + ", а точек в файле координат может быть не больше " +
         std::to_string(kMaxPointsPerFile);
}

void addPoint(VT_Points& target, double x, double y) {
  auto point = std::make_unique<VT_Point>(x, y);
  target.Add(point.get());
  (void)point.release(); // the list owns it now
}

} // namespace

std::optional<CoordinatePair> readPointLine(const std::string& line, char decimalSeparator,
                                            std::string& why) {
  if (line.empty()) {
    why = "строка пуста";
    return std::nullopt;
  }
  const std::size_t semicolon = line.find(';');
  if (semicolon == std::string::npos) {
    why = "в " + quoted(line) + " нет «;» между двумя числами";
    return std::nullopt;
  }
  if (line.find(';', semicolon + 1) != std::string::npos) {
    why = "в " + quoted(line) + " вторая «;»";
    return std::nullopt;
  }
  const std::string_view text(line);
  const auto first = numberOrReason(text.substr(0, semicolon), decimalSeparator, why);
  if (!first) {
    why = "первое число: " + why;
    return std::nullopt;
  }
  const auto second = numberOrReason(text.substr(semicolon + 1), decimalSeparator, why);
  if (!second) {
    why = "второе число: " + why;
    return std::nullopt;
  }
  return CoordinatePair{*first, *second};
}

std::string pointLine(double first, double second, char decimalSeparator) {
  return formatGeneral(first, decimalSeparator) + " ; " + formatGeneral(second, decimalSeparator);
}

std::string writeCoordinateFile(const std::string& path, const std::vector<CoordinatePair>& points,
                                char decimalSeparator) {
  std::vector<std::string> lines;
  lines.reserve(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    const CoordinatePair& p = points[i];
    if (!std::isfinite(p.first) || !std::isfinite(p.second)) {
      return lineAt(path, i) + pointLine(p.first, p.second, decimalSeparator) +
             " не прочитается: числа должны быть конечными";
    }
    lines.push_back(pointLine(p.first, p.second, decimalSeparator));
  }
  return saveLines(path, lines);
}

ReadStatus parseScenePoints(const FileBytes& file, std::vector<CoordinatePair>& points,
                            char decimalSeparator) {
  points.clear();
  if (const std::string problem = unreadable(file); !problem.empty()) {
    return ReadStatus::failure(kSceneFailed, problem);
  }
  const std::string& path = file.path;
  const std::size_t lineTotal = countLines(file.bytes);
  if (lineTotal > kMaxPointsPerFile) {
    return ReadStatus::failure(kSceneFailed, tooManyPoints(path, lineTotal));
  }
  points.reserve(lineTotal);
  // Lines are decoded as they are read: a faulty line ends the read with nothing after it decoded.
  LineCursor cursor(file.bytes);
  std::string line;
  for (std::size_t i = 0; cursor.next(line); ++i) {
    std::string why;
    const auto pair = readPointLine(line, decimalSeparator, why);
    if (!pair) {
      return ReadStatus::failure(kSceneFailed, lineAt(path, i) + why);
    }
    points.push_back(*pair);
  }
  return ReadStatus::success();
}

ReadStatus parseImagePoints(const FileBytes& file, std::vector<CoordinatePair>& points,
                            const std::vector<std::string>& table, double imageCentreX, double imageCentreY,
                            char decimalSeparator) {
  points.clear();
  if (const std::string problem = unreadable(file); !problem.empty()) {
    return ReadStatus::failure(kImageFailed, problem);
  }
  const std::string& path = file.path;
  const std::size_t lineTotal = countLines(file.bytes);
  if (lineTotal > kMaxPointsPerFile) {
    return ReadStatus::failure(kImageFailed, tooManyPoints(path, lineTotal));
  }
  points.reserve(lineTotal);
  // Lines are decoded as they are read: a faulty line ends the read with nothing after it decoded.
  LineCursor cursor(file.bytes);
  std::string line;
  for (std::size_t i = 0; cursor.next(line); ++i) {
    std::string why;
    const auto pair = readPointLine(line, decimalSeparator, why);
    if (!pair) {
      return ReadStatus::failure(kImageFailed, lineAt(path, i) + why);
    }
    CoordinatePair corrected;
    try {
      corrected.first = CorrectX(pair->first, table, imageCentreX, decimalSeparator);
    } catch (const CorrectionError& e) {
      return ReadStatus::failure(kImageFailed, lineAt(path, i) + "коррекция x: " + e.what());
    }
    try {
      corrected.second = CorrectY(pair->second, table, imageCentreY, decimalSeparator);
    } catch (const CorrectionError& e) {
      return ReadStatus::failure(kImageFailed, lineAt(path, i) + "коррекция y: " + e.what());
    }
    points.push_back(corrected);
  }
  return ReadStatus::success();
}

namespace {

// The points read so far go into the list, also those before a failing line.
ReadStatus intoList(const ReadStatus& status, const std::vector<CoordinatePair>& points, VT_Points& target) {
  for (const CoordinatePair& p : points) {
    addPoint(target, p.first, p.second);
  }
  return status;
}

} // namespace

ReadStatus ReadScenePoints(const std::string& path, VT_Points& target, char decimalSeparator) {
  target.Clear();
  std::vector<CoordinatePair> points;
  return intoList(parseScenePoints(readFileBytes(path, kMaxCoordinateFileBytes), points, decimalSeparator),
                  points, target);
}

ReadStatus ReadImagePoints(const std::string& path, VT_Points& target, const std::vector<std::string>& table,
                           double imageCentreX, double imageCentreY, char decimalSeparator) {
  target.Clear();
  std::vector<CoordinatePair> points;
  return intoList(
      parseImagePoints(readFileBytes(path), points, table, imageCentreX, imageCentreY, decimalSeparator),
      points, target);
}

} // namespace kavo
