#pragma once
#include "datafiles/camera_lines.h"
#include "datafiles/read_status.h"

#include <string>
#include <vector>

namespace kavo {

// Reads the first six lines of a camera file. A line's value is the text before its first ';'.
// Line 3 names the correction table relative to the camera file's folder; its lines replace
// correctionTable. A blank line 4 gives focalLength -1. Outputs are assigned in line order, so on
// failure those before the failing line keep their new values.
ReadStatus ReadCameraFile(const std::string& path, double& imageCentreX, double& imageCentreY,
                          std::vector<std::string>& correctionTable, double& focalLength, double& imageWidth,
                          double& imageHeight, char decimalSeparator);

// What a camera file holds besides the lines ReadCameraFile reads: the correction table's path as
// line 3 names it (relative to the camera file's folder), and the principal point of lines 7 and 8
// when both hold numbers. A file that cannot be read gives what it can: nothing.
struct CameraFileExtras {
  std::string correctionTablePath;
  bool hasPrincipalPoint = false;
  double principalPointX = 0.0;
  double principalPointY = 0.0;
};
CameraFileExtras readCameraFileExtras(const std::string& path, char decimalSeparator);

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

} // namespace kavo
