#pragma once
#include "app/run_result.h"

#include <string>

namespace kavo {

// The roles of a run's input files, as the report names them.
extern const char* const kCameraFileRole;
extern const char* const kSceneFileRole;
extern const char* const kListFileRole;
extern const char* const kCorrectionTableRole;
std::string imageRole(int imageNumber); // "Изображение 3"

// A file the run has just read, with its SHA-256 (the files are small: reading one again costs
// little), or why the digest could not be taken.
RunInputFile readInputFile(const std::string& role, const std::string& path);

} // namespace kavo
