#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavo {

// The camera file's line layout, shared by its reader, the data editor and every writer: eight lines,
// each a value followed by " ; " and a comment; only the text before the first ';' is the value.

constexpr std::size_t kCameraFileLineCount = 8;

// An optional ninth line after them: the focal length in pixels that the photos' EXIF gives, written
// by detect when the photos carry it, against which compute checks its result. Files without it read
// as before.
constexpr std::size_t kExifFocalLineIndex = 8;

// The value of a line: the text before its first ';'; a line without ';' has an empty value.
std::string_view cameraLineValue(std::string_view line);

// A value that stands for nothing: empty or a single blank (a focal length not yet computed).
bool isBlankCameraValue(std::string_view value);

// The comments written after the values, in file order (" ; Координата X центра изображения", ...).
const std::array<std::string, kCameraFileLineCount>& cameraLineComments();

// Line index (counted from 0) as written: the value followed directly by its comment.
std::string cameraFileLine(std::size_t index, const std::string& value);

// The ninth line as written: "1000.5 ; Фокусное расстояние по EXIF (пикс.)".
std::string exifFocalLengthLine(const std::string& value);

// The focal length of the ninth line: its value when it is a positive number, nothing otherwise (a
// file without the line, or a line of other text).
std::optional<double> exifFocalLengthOf(const std::vector<std::string>& lines, char decimalSeparator);

// Why a text cannot stand as a line's value and read back unchanged: it holds ';' (which would end
// the value) or a line break. "" when it can.
std::string cameraValueProblem(std::string_view value);

// Line 4 of the main window's copy: the three values as the main window shows them.
std::string focalLengthLine(const std::string& focal, const std::string& deviation,
                            const std::string& stddev);

// Line 4 holding the refined focal length instead: the value, then a comment saying that it is the
// refined one, with its standard error and 95 % interval. Only the text before the first ';' is the
// value, so the line reads back as the focal length like the classic one.
std::string refinedFocalLengthLine(const std::string& focal, const std::string& standardError,
                                   const std::string& intervalLow, const std::string& intervalHigh);

// A camera's geometry as a writer puts it into a new camera file. Numbers are written in the general
// form; no focal length gives the blank line 4 of a camera not yet calibrated.
struct CameraGeometry {
  double imageCentreX = 0.0;
  double imageCentreY = 0.0;
  std::string correctionTable; // file name relative to the camera file's folder
  std::optional<double> focalLength;
  double imageWidth = 0.0;
  double imageHeight = 0.0;
  double principalPointX = 0.0;
  double principalPointY = 0.0;
  std::optional<double> exifFocalLength; // the ninth line, pixels; none: the file has eight lines
};

// The eight lines (nine with the EXIF focal length) of the camera file, or the reason they would not read
// back as given (a number that is not finite, a table name that is empty or holds ';' or a line break).
// Exactly one of the two is filled.
struct CameraFileText {
  std::vector<std::string> lines;
  std::string problem;
};
CameraFileText cameraFileLines(const CameraGeometry& camera, char decimalSeparator);

// Writes a new camera file atomically in Windows-1251 with CR LF. Returns "" on success, otherwise
// the reason naming the file.
std::string writeCameraFile(const std::string& path, const CameraGeometry& camera, char decimalSeparator);

} // namespace kavo
