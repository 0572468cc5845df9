#pragma once
#include "detect/target.h"
#include "platform/user_port.h"
#include "target/target_page.h"

#include <optional>
#include <string>

namespace kavo {

// "Мишень для печати…": the dialog's fields as the user left them; numbers are millimetres as typed.
struct TargetForm {
  detect::TargetKind kind = detect::TargetKind::Chessboard;
  int columns = 9; // inner corners or circles (a staggered grid: circles in one row; ChArUco: squares)
  int rows = 6;
  std::string pitch;
  std::string markerSize;
  std::string dictionary = "DICT_5X5_100";
  std::string paper = "A4"; // A4, A3, Letter or WxH in millimetres
};

// The target and paper the form asks for, or the box that says why it cannot be drawn (a field that
// is no number, a target detect would refuse, a board that does not fit the paper with the largest
// pitch that would).
struct TargetFormCheck {
  detect::TargetSpec target;
  Paper paper;
  std::optional<UserMessage> refusal;
};
TargetFormCheck checkTargetForm(const TargetForm& form, char decimalSeparator);

// "Записать…": the form checked, then the save dialog through the port (PDF or SVG, the filter chosen
// gives a name without either extension its own), then the page written.
struct TargetWriteOutcome {
  enum class Status { Written, Refused, Cancelled, Failed };
  Status status = Status::Cancelled;
  std::string path;
  UserMessage box; // the box shown when refused or failed
};
TargetWriteOutcome writeTargetOfForm(const TargetForm& form, UserPort& port, char decimalSeparator,
                                     const std::string& folder);

} // namespace kavo
