#include "datafiles/camera_lines.h"

#include "datafiles/line_text.h"
#include "platform/number_text.h"
#include "platform/text_file.h"

#include <cmath>

namespace kavo {

std::string_view cameraLineValue(std::string_view line) {
  const std::size_t semicolon = line.find(';');
  return semicolon == std::string_view::npos ? std::string_view() : line.substr(0, semicolon);
}

bool isBlankCameraValue(std::string_view value) {
  return value.empty() || value == " ";
}

const std::array<std::string, kCameraFileLineCount>& cameraLineComments() {
  static const std::array<std::string, kCameraFileLineCount> comments = {
      " ; Координата X центра изображения",
      " ; Координата Y центра изображения",
      " ; Таблица коррекции",
      " ; Фокусное расстояние",
      " ; Размер изображения по горизонтали",
      " ; Размер изображения по вертикали",
      " ; Координата X главной точки",
      " ; Координата Y главной точки",
  };
  return comments;
}

std::string cameraFileLine(std::size_t index, const std::string& value) {
  return value + cameraLineComments().at(index);
}

std::string exifFocalLengthLine(const std::string& value) {
  return value + " ; Фокусное расстояние по EXIF (пикс.)";
}

std::optional<double> exifFocalLengthOf(const std::vector<std::string>& lines, char decimalSeparator) {
  if (lines.size() <= kExifFocalLineIndex) {
    return std::nullopt;
  }
  const auto focal = parseNumber(cameraLineValue(lines[kExifFocalLineIndex]), decimalSeparator);
  if (!focal || !(*focal > 0.0)) {
    return std::nullopt;
  }
  return focal;
}

std::string cameraValueProblem(std::string_view value) {
  if (value.find(';') != std::string_view::npos) {
    return "в значении есть «;», а она завершает значение строки";
  }
  if (value.find_first_of("\r\n") != std::string_view::npos) {
    return "в значении есть перевод строки";
  }
  return {};
}

std::string focalLengthLine(const std::string& focal, const std::string& deviation,
                            const std::string& stddev) {
  return focal + " ; Фокусное расстояние(пикс.).  СКО = " + deviation + ";  Ст.откл. = " + stddev;
}

std::string refinedFocalLengthLine(const std::string& focal, const std::string& standardError,
                                   const std::string& intervalLow, const std::string& intervalHigh) {
  return focal + " ; Фокусное расстояние(пикс.), уточнённое.  Ст.ошибка = " + standardError +
         ";  Интервал 95 % = " + intervalLow + " .. " + intervalHigh;
}

CameraFileText cameraFileLines(const CameraGeometry& camera, char decimalSeparator) {
  CameraFileText text;
  const std::optional<double> numbers[kCameraFileLineCount] = {
      camera.imageCentreX, camera.imageCentreY, std::nullopt,           camera.focalLength,
      camera.imageWidth,   camera.imageHeight,  camera.principalPointX, camera.principalPointY,
  };
  constexpr std::size_t kTableLine = 2;
  for (std::size_t i = 0; i < kCameraFileLineCount; ++i) {
    std::string value;
    if (i == kTableLine) {
      value = camera.correctionTable;
      std::string problem =
          value.empty() ? std::string("таблица коррекции не названа") : cameraValueProblem(value);
      if (!problem.empty()) {
        text.problem = "строка " + std::to_string(i + 1) + ": " + problem;
        text.lines.clear();
        return text;
      }
    } else if (numbers[i]) {
      if (!std::isfinite(*numbers[i])) {
        text.problem = "строка " + std::to_string(i + 1) + ": " +
                       formatGeneral(*numbers[i], decimalSeparator) + " не конечное число";
        text.lines.clear();
        return text;
      }
      value = formatGeneral(*numbers[i], decimalSeparator);
    }
    text.lines.push_back(cameraFileLine(i, value));
  }
  if (camera.exifFocalLength) {
    if (!std::isfinite(*camera.exifFocalLength) || !(*camera.exifFocalLength > 0.0)) {
      text.problem = "строка " + std::to_string(kExifFocalLineIndex + 1) + ": " +
                     formatGeneral(*camera.exifFocalLength, decimalSeparator) +
                     " не положительное конечное число";
      text.lines.clear();
      return text;
    }
    text.lines.push_back(exifFocalLengthLine(formatGeneral(*camera.exifFocalLength, decimalSeparator)));
  }
  return text;
}

std::string writeCameraFile(const std::string& path, const CameraGeometry& camera, char decimalSeparator) {
  const CameraFileText text = cameraFileLines(camera, decimalSeparator);
  if (!text.problem.empty()) {
    return path + ", " + text.problem;
  }
  return saveLines(path, text.lines);
}

} // namespace kavo
