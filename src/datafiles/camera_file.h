#pragma once
#include "datafiles/camera_lines.h"
#include "datafiles/read_status.h"
#include "platform/text_file.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kavo {

// What a camera file says: lines 1 to 6 as ReadCameraFile reads them, the correction table's path as
// line 3 names it (relative to the camera file's folder), the principal point of lines 7 and 8
// when both hold numbers, and the EXIF focal length of line 9 when it holds a positive number.
struct CameraFileValues {
  double imageCentreX = 0.0;
  double imageCentreY = 0.0;
  std::string correctionTablePath;
  double focalLength = -1.0; // -1: line 4 is blank
  double imageWidth = 0.0;
  double imageHeight = 0.0;
  bool hasPrincipalPoint = false;
  double principalPointX = 0.0;
  double principalPointY = 0.0;
  std::optional<double> exifFocalLength; // pixels, as the photos' EXIF gives it
};

// Reads the correction table named on line 3 when the parser reaches it: "" once it is read,
// otherwise why it could not be.
using TableReader = std::function<std::string(const std::string& tablePath)>;

// The camera file's bytes, parsed in line order; readTable is called for the
// table of line 3 before line 4 is looked at, so a missing table stops the read there. Fields are
// assigned as they are read: on failure those before the failing line hold their new values.
ReadStatus parseCameraFile(const FileBytes& file, CameraFileValues& values, const TableReader& readTable,
                           char decimalSeparator);

// Reads the first six lines of a camera file. A line's value is the text before its first ';'.
// Line 3 names the correction table relative to the camera file's folder; its lines replace
// correctionTable. A blank line 4 gives focalLength -1. Outputs are assigned in line order, so on
// failure those before the failing line keep their new values.
ReadStatus ReadCameraFile(const std::string& path, double& imageCentreX, double& imageCentreY,
                          std::vector<std::string>& correctionTable, double& focalLength, double& imageWidth,
                          double& imageHeight, char decimalSeparator);

// The name proposed for the copy with the focal length: the camera file's name cut before the first
// '.' of its file name, followed by "F.cam" ("/calib/Kalibr.v2.cam" -> "/calib/KalibrF.cam").
std::string proposedFocalFileName(const std::string& cameraFile);

// Loads cameraFile afresh, replaces its line 4 with focalLengthLine(...) and writes the result to
// targetPath atomically (targetPath may be cameraFile itself). Every other line is kept as it was.
ReadStatus writeFocalLengthCopy(const std::string& cameraFile, const std::string& targetPath,
                                const std::string& focal, const std::string& deviation,
                                const std::string& stddev);

// The same with line 4 given whole (refinedFocalLengthLine).
ReadStatus writeFocalLineCopy(const std::string& cameraFile, const std::string& targetPath,
                              const std::string& focalLine);

// The bytes of that copy, made from the camera file's lines as a run read them (cameraFile and
// targetPath only name the files in messages).
ReadStatus focalLineCopyBytes(const std::string& cameraFile, std::vector<std::string> lines,
                              const std::string& targetPath, const std::string& focalLine,
                              std::string& bytes);

// The same from the camera file's lines as a run read them (cameraFile only names it in messages).
ReadStatus writeFocalLineCopy(const std::string& cameraFile, std::vector<std::string> lines,
                              const std::string& targetPath, const std::string& focalLine);

} // namespace kavo
