#include "datafiles/coordinate_files.h"

#include "datafiles/correction_table.h"
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

ReadStatus ReadScenePoints(const std::string& path, VT_Points& target, char decimalSeparator) {
  target.Clear();
  const TextLines file = loadLines(path);
  if (!file.ok) {
    return ReadStatus::failure(kSceneFailed, file.error);
  }
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    std::string why;
    const auto pair = readPointLine(file.lines[i], decimalSeparator, why);
    if (!pair) {
      return ReadStatus::failure(kSceneFailed, lineAt(path, i) + why);
    }
    addPoint(target, pair->first, pair->second);
  }
  return ReadStatus::success();
}

ReadStatus ReadImagePoints(const std::string& path, VT_Points& target, const std::vector<std::string>& table,
                           double imageCentreX, double imageCentreY, char decimalSeparator) {
  target.Clear();
  const TextLines file = loadLines(path);
  if (!file.ok) {
    return ReadStatus::failure(kImageFailed, file.error);
  }
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    std::string why;
    const auto pair = readPointLine(file.lines[i], decimalSeparator, why);
    if (!pair) {
      return ReadStatus::failure(kImageFailed, lineAt(path, i) + why);
    }
    double x = 0;
    double y = 0;
    try {
      x = CorrectX(pair->first, table, imageCentreX, decimalSeparator);
    } catch (const CorrectionError& e) {
      return ReadStatus::failure(kImageFailed, lineAt(path, i) + "коррекция x: " + e.what());
    }
    try {
      y = CorrectY(pair->second, table, imageCentreY, decimalSeparator);
    } catch (const CorrectionError& e) {
      return ReadStatus::failure(kImageFailed, lineAt(path, i) + "коррекция y: " + e.what());
    }
    addPoint(target, x, y);
  }
  return ReadStatus::success();
}

} // namespace kavo
