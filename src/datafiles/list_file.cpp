#include "datafiles/list_file.h"

#include "core/error.h"
#include "datafiles/line_text.h"
#include "platform/number_text.h"
#include "platform/text_file.h"

#include <cmath>
#include <cstddef>

namespace kavo {

void ReadListFile(const std::string& path, std::array<std::string, 101>& imageFiles,
                  std::array<double, 101>& imageValues, int& imageCount, char decimalSeparator) {
  const TextLines file = loadLines(path);
  if (!file.ok) {
    throw Error(file.error);
  }
  // Filled aside and handed over only when the whole file is good, so a bad list changes nothing.
  std::array<std::string, 101> names = imageFiles;
  std::array<double, 101> values = imageValues;
  std::size_t nameCount = 0;
  std::size_t valueCount = 0;
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    const std::string& line = file.lines[i];
    if (line.find("crd") != std::string::npos) {
      if (nameCount == names.size()) {
        throw Error(lineAt(path, i) + "больше 101 имени файла изображения");
      }
      names[nameCount++] = line;
      continue;
    }
    std::string why;
    const auto value = numberOrReason(line, decimalSeparator, why);
    if (!value) {
      throw Error(lineAt(path, i) + (line.empty() ? std::string("строка пуста") : why) +
                  " (строка с именем файла изображения должна содержать «crd»)");
    }
    if (valueCount == values.size()) {
      throw Error(lineAt(path, i) + "больше 101 числа");
    }
    values[valueCount++] = *value;
  }
  // One number is the constant camera step of the whole series.
  if (valueCount == 1) {
    for (std::size_t k = 1; k < nameCount; ++k) {
      values[k] = values[0];
    }
  }
  imageFiles = std::move(names);
  imageValues = values;
  imageCount = static_cast<int>(nameCount);
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
