#include "datafiles/read_status.h"

#include <utility>

namespace kavo {

ReadStatus ReadStatus::success() {
  return ReadStatus{};
}

ReadStatus ReadStatus::failure(std::string message, std::string detail) {
  ReadStatus status;
  status.ok = false;
  status.message = std::move(message);
  status.detail = std::move(detail);
  return status;
}

} // namespace kavo
