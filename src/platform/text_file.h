#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kavo {

// The lines of a data file, decoded to UTF-8, or why it could not be read.
struct TextLines {
  bool ok = false;
  std::vector<std::string> lines;
  std::string error; // for people: what went wrong with which file
};

// A file's bytes exactly as they were read, or why they could not be read. Only regular files are read
// (a folder, a device or a pipe is refused without waiting on it), and only up to maxBytes: a larger
// file is refused by its size, before any of it is read.
struct FileBytes {
  std::string path; // as given
  bool ok = false;
  std::string bytes;
  std::string error; // for people: what went wrong with which file
};
constexpr std::size_t kMaxDataFileBytes = std::size_t{16} << 20;
FileBytes readFileBytes(const std::string& path, std::size_t maxBytes = kMaxDataFileBytes);

// Why bytes cannot be read as Windows-1251 text ("" when they can): they start with the mark of
// UTF-8 or UTF-16, which an editor writes and which would otherwise read as letters or as a text cut
// at its first zero byte.
std::string encodingProblem(const std::string& bytes);

// Windows-1251 bytes decoded to UTF-8 and split into lines (see loadLines).
std::vector<std::string> decodeLines(const std::string& bytes);

// The lines of Windows-1251 bytes, decoded one at a time as a reader asks for them, so that a reader
// stopping at a faulty line decodes nothing after it. Lines end as in decodeLines.
class LineCursor {
public:
  explicit LineCursor(std::string_view bytes) : bytes_(bytes) {}

  // Decodes the next line into `line`; false when every line has been given.
  bool next(std::string& line);

private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

// How many lines decodeLines gives for the bytes, counted without making them.
std::size_t countLines(std::string_view bytes);

// The first `count` lines of decodeLines (fewer when the bytes hold fewer).
std::vector<std::string> decodeFirstLines(std::string_view bytes, std::size_t count);

// Loads a Windows-1251 file into lines (no larger than kMaxDataFileBytes, not marked as UTF-8 or
// UTF-16). A carriage return, a line feed or the pair each end a line;
// a final line break adds no line, so a file ending in two line breaks has an empty last line.
TextLines loadLines(const std::string& path);

// Splits text that is already in memory by the same rule.
std::vector<std::string> splitLines(const std::string& text);

// Writes the lines in Windows-1251 with CR LF after every line, atomically: a failure (including a
// character with no Windows-1251 form) leaves any old file as it was. Returns an empty string on
// success, otherwise the reason.
std::string saveLines(const std::string& path, const std::vector<std::string>& lines);

// The bytes saveLines writes, into bytes; "" on success, otherwise the reason naming path and the line.
std::string encodeLines(const std::string& path, const std::vector<std::string>& lines, std::string& bytes);

} // namespace kavo
