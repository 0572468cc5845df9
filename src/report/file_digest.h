#pragma once
#include <string>
#include <string_view>

namespace kavo {

struct ReportInput;

// A file's SHA-256, or why it could not be computed.
struct FileDigest {
  bool ok = false;
  std::string hex;     // 64 lowercase hex digits when ok
  std::string message; // "Ошибка чтения файла!" when not
  std::string detail;  // the file and the system's reason
};

// Streams the file through SHA-256 in blocks, so a file of any size takes little memory.
FileDigest sha256OfFile(const std::string& path);

// SHA-256 of bytes in memory.
std::string sha256OfBytes(std::string_view bytes);

// Fills the digest of every input file of the report that has none yet; a file that cannot be read
// gets its reason instead, which the report shows in place of the digest.
void addFileDigests(ReportInput& input);

} // namespace kavo
