#pragma once
#include <stdexcept>
#include <string>

namespace kavo {

// The system's general exception: carries the text a user or a log sees.
class Error : public std::runtime_error {
public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

} // namespace kavo
