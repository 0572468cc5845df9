#pragma once
#include <string>

namespace kavo {

// A reader's outcome: the exact message the user sees, plus a detail for people naming the file,
// the line and what was wrong. Readers never show boxes themselves; the caller shows the message
// with the detail as the box's detailed text, and the command line prints both.
struct ReadStatus {
  bool ok = true;
  std::string message;
  std::string caption = "Ошибка!";
  std::string detail;

  static ReadStatus success();
  static ReadStatus failure(std::string message, std::string detail);
};

} // namespace kavo
