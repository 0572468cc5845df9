#pragma once
#include "datafiles/read_status.h"
#include "platform/text_file.h"

#include <array>
#include <string>
#include <vector>

namespace kavo {

// The most images and camera steps a list file may hold.
constexpr int kMaxListEntries = 101;

// What a list file says: the image coordinate files in order and the camera step after each image.
struct ListFileValues {
  std::vector<std::string> imageFiles;  // as written
  std::vector<double> steps;            // one per image; 0 where the file gives no number
  std::vector<double> numbers;          // the numbers as the file gives them
  std::vector<std::size_t> numberLines; // the line of each number, from 0
};

// A list file's bytes: a line containing "crd" (case-sensitive) is the next image
// file name, kept as written; any other line is the next number. A single number applies to every
// image. Fails, naming the file and the line, when a line is not a number or there are more than 101
// of either; the message is left to the caller, which words a broken list as the failure of its command.
ReadStatus parseListFile(const FileBytes& file, ListFileValues& list, char decimalSeparator);

// The same read from the file into the fixed arrays; slots that receive no number keep their value, and
// a failure (the file unreadable included) changes nothing.
ReadStatus ReadListFile(const std::string& path, std::array<std::string, 101>& imageFiles,
                        std::array<double, 101>& imageValues, int& imageCount, char decimalSeparator);

// Writes a list file: every name on its own line, then every step, atomically in Windows-1251 with
// CR LF and the given decimal separator. A single step applies to every image. Returns "" on success,
// otherwise the reason naming the file: more than 101 of either, a name without "crd" (it would read
// as a number) or with a line break, a step that is not a finite number.
std::string writeListFile(const std::string& path, const std::vector<std::string>& imageFiles,
                          const std::vector<double>& steps, char decimalSeparator);

} // namespace kavo
