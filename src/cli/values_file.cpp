#include "cli/values_file.h"

#include <ostream>

#include "platform/atomic_file.h"

#include <charconv>

namespace kavo {

std::string shortestNumber(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

namespace {

// The values' text handed to sink piece by piece.
void produceValues(const FocalValues& values, const ByteSink& sink) {
  constexpr std::size_t kPiece = 1 << 20;
  std::string text;
  text.reserve(kPiece + 64);
  bool writing = true;
  values.forEachPiece([&](const double* v, std::size_t n) {
    for (std::size_t i = 0; i < n && writing; ++i) {
      char buffer[64];
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, v[i]);
      text.append(buffer, result.ptr);
      text.push_back('\n');
      if (text.size() >= kPiece) {
        writing = sink(text);
        text.clear();
      }
    }
  });
  if (writing && !text.empty()) {
    sink(text);
  }
}

} // namespace

std::string writeValuesFile(const std::string& path, const FocalValues& values) {
  return writeFileAtomically(path, [&values](const ByteSink& sink) { produceValues(values, sink); });
}

void writeValuesTo(std::ostream& out, const FocalValues& values) {
  produceValues(values, [&out](std::string_view piece) {
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    return out.good();
  });
  out.flush();
}

} // namespace kavo
