#pragma once
#include <array>
#include <string>
#include <vector>

namespace kavo {

// The most images and camera steps a list file may hold.
constexpr int kMaxListEntries = 101;

// Reads a list file: a line containing "crd" (case-sensitive) is the next image file name, kept as
// written; any other line is the next number. A single number applies to every image. Slots that
// receive no number keep their value. Throws kavo::Error naming the file, the line and what was
// wrong when the file cannot be read, a line is not a number, or there are more than 101 of either.
void ReadListFile(const std::string& path, std::array<std::string, 101>& imageFiles,
                  std::array<double, 101>& imageValues, int& imageCount, char decimalSeparator);

// Writes a list file: every name on its own line, then every step, atomically in Windows-1251 with
// CR LF and the given decimal separator. A single step applies to every image. Returns "" on success,
// otherwise the reason naming the file: more than 101 of either, a name without "crd" (it would read
// as a number) or with a line break, a step that is not a finite number.
std::string writeListFile(const std::string& path, const std::vector<std::string>& imageFiles,
                          const std::vector<double>& steps, char decimalSeparator);

} // namespace kavo
