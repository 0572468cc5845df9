#include "datafiles/list_file.h"

#include "core/error.h"
#include "datafiles/data_limits.h"
#include "datafiles/line_text.h"
#include "platform/number_text.h"
#include "platform/text_file.h"

#include <cmath>
#include <cstddef>

namespace kavo {

ReadStatus parseListFile(const FileBytes& file, ListFileValues& list, char decimalSeparator) {
  if (!file.ok) {
    return ReadStatus::failure({}, file.error);
  }
  if (const std::string problem = encodingProblem(file.bytes); !problem.empty()) {
    return ReadStatus::failure({}, file.path + ": " + problem);
  }
  const std::string& path = file.path;
  std::vector<std::string> names;
  std::vector<double> values;
  std::vector<std::size_t> valueLines;
  // Lines are decoded as they are read: a faulty line ends the read with nothing after it decoded.
  LineCursor cursor(file.bytes);
  std::string line;
  for (std::size_t i = 0; cursor.next(line); ++i) {
    if (line.find("crd") != std::string::npos) {
      if (names.size() == static_cast<std::size_t>(kMaxListEntries)) {
        return ReadStatus::failure({}, lineAt(path, i) + "больше 101 имени файла изображения");
      }
      names.push_back(line);
      continue;
    }
    std::string why;
    const auto value = numberOrReason(line, decimalSeparator, why);
    if (!value) {
      return ReadStatus::failure({}, lineAt(path, i) + (line.empty() ? std::string("строка пуста") : why) +
                                         " (строка с именем файла изображения должна содержать «crd»)");
    }
    if (values.size() == static_cast<std::size_t>(kMaxListEntries)) {
      return ReadStatus::failure({}, lineAt(path, i) + "больше 101 числа");
    }
    values.push_back(*value);
    valueLines.push_back(i);
  }
  // One number is the constant camera step of the whole series; a slot without a number is 0.
  list.steps.assign(names.size(), values.size() == 1 ? values[0] : 0.0);
  for (std::size_t k = 0; k < values.size() && k < list.steps.size() && values.size() != 1; ++k) {
    list.steps[k] = values[k];
  }
  list.imageFiles = std::move(names);
  list.numbers = std::move(values);
  list.numberLines = std::move(valueLines);
  return ReadStatus::success();
}

ReadStatus ReadListFile(const std::string& path, std::array<std::string, 101>& imageFiles,
                        std::array<double, 101>& imageValues, int& imageCount, char decimalSeparator) {
  // Filled aside and handed over only when the whole file is good, so a bad list changes nothing.
  ListFileValues list;
  const ReadStatus status = parseListFile(readFileBytes(path, kMaxListFileBytes), list, decimalSeparator);
  if (!status.ok) {
    return status;
  }
  // The k-th number goes to slot k, a single one to every image's slot; slots past them keep what
  // they held.
  for (std::size_t k = 0; k < list.imageFiles.size(); ++k) {
    imageFiles[k] = list.imageFiles[k];
  }
  for (std::size_t k = 0; k < list.numbers.size(); ++k) {
    imageValues[k] = list.numbers[k];
  }
  if (list.numbers.size() == 1) {
    for (std::size_t k = 1; k < list.imageFiles.size(); ++k) {
      imageValues[k] = list.numbers[0];
    }
  }
  imageCount = static_cast<int>(list.imageFiles.size());
  return status;
}

std::string writeListFile(const std::string& path, const std::vector<std::string>& imageFiles,
                          const std::vector<double>& steps, char decimalSeparator) {
  if (imageFiles.size() > static_cast<std::size_t>(kMaxListEntries) ||
      steps.size() > static_cast<std::size_t>(kMaxListEntries)) {
    return path + ": в списке может быть не больше 101 имени и 101 шага, а их " +
           std::to_string(imageFiles.size()) + " и " + std::to_string(steps.size());
  }
  std::vector<std::string> lines;
  lines.reserve(imageFiles.size() + steps.size());
  for (const std::string& name : imageFiles) {
    const std::size_t index = lines.size();
    if (name.find("crd") == std::string::npos) {
      return lineAt(path, index) + "в имени " + quoted(name) + " нет «crd», и оно прочитается как число";
    }
    if (name.find_first_of("\r\n") != std::string::npos) {
      return lineAt(path, index) + "в имени " + quoted(name) + " есть перевод строки";
    }
    lines.push_back(name);
  }
  for (const double step : steps) {
    if (!std::isfinite(step)) {
      return lineAt(path, lines.size()) + "шаг " + formatGeneral(step, decimalSeparator) +
             " не конечное число";
    }
    lines.push_back(formatGeneral(step, decimalSeparator));
  }
  return saveLines(path, lines);
}

} // namespace kavo
