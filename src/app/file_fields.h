#pragma once
#include "app/calibration_state.h"

#include <string>

namespace kavo {

// The three file fields of the main window: the camera file, the scene file and the list file.
enum class FileField { Camera, Scene, List };

std::string& storedPath(CalibrationState& state, FileField field);

// A file chosen with a picker: stores its full path, makes every later picker open in the current
// directory, and returns the text the field shows (the name without its folder).
std::string applyPickedFile(CalibrationState& state, FileField field, const std::string& path);

// A key released in a file field: the field's text replaces the file name of the stored path and
// keeps its folder; a stored path without a folder is replaced whole; an empty field changes nothing.
std::string keyUpPath(const std::string& storedPath, const std::string& fieldText);

// The folder a list file's image names are read in when they are not taken relative to the current
// directory: the list file's own (kavo-cli).
std::string imageFolderOfList(const std::string& listFile);

} // namespace kavo
