#pragma once
#include "core/vt_point.h"
#include "datafiles/read_status.h"
#include "platform/text_file.h"

#include <optional>
#include <string>
#include <vector>

namespace kavo {

// The two numbers of one line of a coordinate file: scene X and Y, or a measured x and y.
struct CoordinatePair {
  double first = 0.0;
  double second = 0.0;
};

// One line of a coordinate file: the number before the first ';' and the number after it, blanks
// around them allowed. On failure why says what was wrong (an empty line, no ';', a second ';', a
// number that does not read).
std::optional<CoordinatePair> readPointLine(const std::string& line, char decimalSeparator, std::string& why);

// A line as written: both numbers in the general form joined by " ; ".
std::string pointLine(double first, double second, char decimalSeparator);

// Writes a coordinate file, one point per line, atomically in Windows-1251 with CR LF. Returns "" on
// success, otherwise the reason naming the file (and the line of a number that is not finite).
std::string writeCoordinateFile(const std::string& path, const std::vector<CoordinatePair>& points,
                                char decimalSeparator);

// A scene coordinate file's bytes, one point a line. On failure the points of the lines before the bad
// one are in points.
ReadStatus parseScenePoints(const FileBytes& file, std::vector<CoordinatePair>& points,
                            char decimalSeparator);

// The same for an image coordinate file, every point corrected through the table (CorrectX,
// CorrectY).
ReadStatus parseImagePoints(const FileBytes& file, std::vector<CoordinatePair>& points,
                            const std::vector<std::string>& table, double imageCentreX, double imageCentreY,
                            char decimalSeparator);

// Every line is one point: the number before the first ';' and the number after it. The target is
// cleared first; on failure the points of the lines before the bad one stay in it.
ReadStatus ReadScenePoints(const std::string& path, VT_Points& target, char decimalSeparator);

// As ReadScenePoints, with every measured point corrected through the table (CorrectX, CorrectY).
ReadStatus ReadImagePoints(const std::string& path, VT_Points& target, const std::vector<std::string>& table,
                           double imageCentreX, double imageCentreY, char decimalSeparator);

} // namespace kavo
