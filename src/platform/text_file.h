#pragma once
#include <string>
#include <vector>

namespace kavo {

// The lines of a data file, decoded to UTF-8, or why it could not be read.
struct TextLines {
  bool ok = false;
  std::vector<std::string> lines;
  std::string error; // for people: what went wrong with which file
};

// A file's bytes exactly as they were read, or why they could not be read (only regular files are
// read: a folder, a device or a pipe is refused without waiting on it).
struct FileBytes {
  std::string path; // as given
  bool ok = false;
  std::string bytes;
  std::string error; // for people: what went wrong with which file
};
FileBytes readFileBytes(const std::string& path);

// Windows-1251 bytes decoded to UTF-8 and split into lines (see loadLines).
std::vector<std::string> decodeLines(const std::string& bytes);

// Loads a Windows-1251 file into lines. A carriage return, a line feed or the pair each end a line;
// a final line break adds no line, so a file ending in two line breaks has an empty last line.
TextLines loadLines(const std::string& path);

// Splits text that is already in memory by the same rule.
std::vector<std::string> splitLines(const std::string& text);

// Writes the lines in Windows-1251 with CR LF after every line, atomically: a failure (including a
// character with no Windows-1251 form) leaves any old file as it was. Returns an empty string on
// success, otherwise the reason.
std::string saveLines(const std::string& path, const std::vector<std::string>& lines);

} // namespace kavo
