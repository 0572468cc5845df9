#include "datafiles/camera_file.h"

#include "datafiles/camera_lines.h"
#include "datafiles/data_limits.h"
#include "datafiles/line_text.h"
#include "platform/atomic_file.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/text_file.h"

#include <optional>
#include <string_view>

namespace kavo {
namespace {

const char* const kReadFailed = "Ошибка чтения cam-файла!";
const char* const kWriteFailed = "Ошибка записи cam-файла!";

// Reads the camera file's lines one by one; the first failure is kept with its detail.
class CameraLines {
public:
  CameraLines(const std::string& path, const std::vector<std::string>& lines, char separator)
      : path_(path), lines_(lines), separator_(separator) {}

  const std::string* line(std::size_t index) {
    if (index >= lines_.size()) {
      fail(lineAt(path_, index) + "в файле " + lineCount(lines_.size()) + ", а нужно не меньше 6");
      return nullptr;
    }
    return &lines_[index];
  }

  std::optional<double> number(std::size_t index) {
    const std::string* text = line(index);
    if (text == nullptr) {
      return std::nullopt;
    }
    if (text->find(';') == std::string::npos) {
      fail(lineAt(path_, index) + "после значения нет «;», поэтому значения у строки нет");
      return std::nullopt;
    }
    std::string why;
    const auto value = numberOrReason(cameraLineValue(*text), separator_, why);
    if (!value) {
      fail(lineAt(path_, index) + why);
    }
    return value;
  }

  void fail(std::string detail) { detail_ = std::move(detail); }
  ReadStatus failure() const { return ReadStatus::failure(kReadFailed, detail_); }

private:
  const std::string& path_;
  const std::vector<std::string>& lines_;
  char separator_;
  std::string detail_;
};

std::string tableNameOf(std::string_view line) {
  std::string name(cameraLineValue(line));
  while (!name.empty() && name.back() == ' ') {
    name.pop_back();
  }
  return name;
}

// The name is always relative to the camera file's folder; it may come from a system that
// separates folders with '\\'.
std::string tablePathOf(const std::string& cameraFile, const std::string& tableName) {
  return folderOf(cameraFile) + nativePath(tableName);
}

} // namespace

ReadStatus parseCameraFile(const FileBytes& file, CameraFileValues& values, const TableReader& readTable,
                           char decimalSeparator) {
  if (!file.ok) {
    return ReadStatus::failure(kReadFailed, file.error);
  }
  if (const std::string problem = encodingProblem(file.bytes); !problem.empty()) {
    return ReadStatus::failure(kReadFailed, file.path + ": " + problem);
  }
  const std::string& path = file.path;
  // Every value sits on the first lines, up to the EXIF focal length; what follows is never decoded.
  const std::vector<std::string> fileLines = decodeFirstLines(file.bytes, kExifFocalLineIndex + 1);
  CameraLines lines(path, fileLines, decimalSeparator);

  const auto centreX = lines.number(0);
  if (!centreX) {
    return lines.failure();
  }
  values.imageCentreX = *centreX;
  const auto centreY = lines.number(1);
  if (!centreY) {
    return lines.failure();
  }
  values.imageCentreY = *centreY;

  const std::string* tableLine = lines.line(2);
  if (tableLine == nullptr) {
    return lines.failure();
  }
  const std::string tableName = tableNameOf(*tableLine);
  if (tableName.empty()) {
    return ReadStatus::failure(kReadFailed, lineAt(path, 2) + "таблица коррекции не названа");
  }
  values.correctionTablePath = tablePathOf(path, tableName);
  if (const std::string why = readTable(values.correctionTablePath); !why.empty()) {
    return ReadStatus::failure(kReadFailed, lineAt(path, 2) + "таблица коррекции: " + why);
  }

  const std::string* focalLine = lines.line(3);
  if (focalLine == nullptr) {
    return lines.failure();
  }
  if (isBlankCameraValue(cameraLineValue(*focalLine))) {
    values.focalLength = -1.0;
  } else {
    const auto focal = lines.number(3);
    if (!focal) {
      return lines.failure();
    }
    values.focalLength = *focal;
  }

  const auto width = lines.number(4);
  if (!width) {
    return lines.failure();
  }
  values.imageWidth = *width;
  const auto height = lines.number(5);
  if (!height) {
    return lines.failure();
  }
  values.imageHeight = *height;
  // Lines 7 and 8, the principal point, count only when both hold numbers.
  if (fileLines.size() > 7) {
    const auto x = parseNumber(cameraLineValue(fileLines[6]), decimalSeparator);
    const auto y = parseNumber(cameraLineValue(fileLines[7]), decimalSeparator);
    if (x && y) {
      values.hasPrincipalPoint = true;
      values.principalPointX = *x;
      values.principalPointY = *y;
    }
  }
  values.exifFocalLength = exifFocalLengthOf(fileLines, decimalSeparator);
  return ReadStatus::success();
}

ReadStatus ReadCameraFile(const std::string& path, double& imageCentreX, double& imageCentreY,
                          std::vector<std::string>& correctionTable, double& focalLength, double& imageWidth,
                          double& imageHeight, char decimalSeparator) {
  // The outputs start as they are, so that those after a failing line keep what they held.
  CameraFileValues values;
  values.imageCentreX = imageCentreX;
  values.imageCentreY = imageCentreY;
  values.focalLength = focalLength;
  values.imageWidth = imageWidth;
  values.imageHeight = imageHeight;
  const auto readTable = [&correctionTable](const std::string& tablePath) {
    TextLines table = loadLines(tablePath); // no larger than a data file may be
    if (table.ok) {
      correctionTable = std::move(table.lines);
    }
    return table.error;
  };
  const ReadStatus status =
      parseCameraFile(readFileBytes(path, kMaxCameraFileBytes), values, readTable, decimalSeparator);
  imageCentreX = values.imageCentreX;
  imageCentreY = values.imageCentreY;
  focalLength = values.focalLength;
  imageWidth = values.imageWidth;
  imageHeight = values.imageHeight;
  return status;
}

std::string proposedFocalFileName(const std::string& cameraFile) {
  const std::string name = fileNameOf(cameraFile);
  const std::size_t dot = name.find('.');
  if (dot == std::string::npos) {
    return cameraFile + "F.cam";
  }
  return folderOf(cameraFile) + name.substr(0, dot) + "F.cam";
}

ReadStatus writeFocalLengthCopy(const std::string& cameraFile, const std::string& targetPath,
                                const std::string& focal, const std::string& deviation,
                                const std::string& stddev) {
  return writeFocalLineCopy(cameraFile, targetPath, focalLengthLine(focal, deviation, stddev));
}

ReadStatus writeFocalLineCopy(const std::string& cameraFile, const std::string& targetPath,
                              const std::string& focalLine) {
  TextLines file = loadLines(cameraFile);
  if (!file.ok) {
    return ReadStatus::failure(kWriteFailed, file.error);
  }
  return writeFocalLineCopy(cameraFile, file.lines, targetPath, focalLine);
}

ReadStatus focalLineCopyBytes(const std::string& cameraFile, std::vector<std::string> lines,
                              const std::string& targetPath, const std::string& focalLine,
                              std::string& bytes) {
  if (lines.size() < 4) {
    return ReadStatus::failure(kWriteFailed, cameraFile + ": в файле " + lineCount(lines.size()) +
                                                 ", а фокусное расстояние пишется в строку 4");
  }
  lines[3] = focalLine;
  if (const std::string why = encodeLines(targetPath, lines, bytes); !why.empty()) {
    return ReadStatus::failure(kWriteFailed, why);
  }
  return ReadStatus::success();
}

ReadStatus writeFocalLineCopy(const std::string& cameraFile, std::vector<std::string> lines,
                              const std::string& targetPath, const std::string& focalLine) {
  std::string bytes;
  if (ReadStatus status = focalLineCopyBytes(cameraFile, std::move(lines), targetPath, focalLine, bytes);
      !status.ok) {
    return status;
  }
  if (const std::string why = writeFileAtomically(targetPath, bytes); !why.empty()) {
    return ReadStatus::failure(kWriteFailed, why);
  }
  return ReadStatus::success();
}

} // namespace kavo
