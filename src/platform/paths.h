#pragma once
#include <string>

namespace kavo {

// File names read from data files may come from systems that cut at '\\'; both separators count.

// The text after the last '/' or '\\' (the whole path when there is none).
std::string fileNameOf(const std::string& path);

// The path up to and including the last '/' or '\\'; "" when there is none.
std::string folderOf(const std::string& path);

// A name read from a file, with every '\\' turned into this platform's '/'.
std::string nativePath(const std::string& name);

// Whether two paths name the same file: the same file on disk when both exist (a link, another
// spelling or a hard link included), otherwise the same absolute path once "." and ".." are resolved.
bool sameFile(const std::string& a, const std::string& b);

} // namespace kavo
