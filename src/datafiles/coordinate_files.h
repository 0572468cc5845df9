#pragma once
#include "core/vt_point.h"
#include "datafiles/read_status.h"

#include <string>
#include <vector>

namespace kavo {

// Every line is one point: the number before the first ';' and the number after it. The target is
// cleared first; on failure the points of the lines before the bad one stay in it.
ReadStatus ReadScenePoints(const std::string& path, VT_Points& target, char decimalSeparator);

// As ReadScenePoints, with every measured point corrected through the table (CorrectX, CorrectY).
ReadStatus ReadImagePoints(const std::string& path, VT_Points& target, const std::vector<std::string>& table,
                           double imageCentreX, double imageCentreY, char decimalSeparator);

} // namespace kavo
