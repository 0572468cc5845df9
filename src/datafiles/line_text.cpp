#include "datafiles/line_text.h"

#include "platform/number_text.h"

namespace kavo {

std::string quoted(std::string_view text) {
  constexpr std::size_t kLongest = 60;
  if (text.size() <= kLongest) {
    return "«" + std::string(text) + "»";
  }
  // Cut on a UTF-8 character boundary so that the detail stays valid text.
  std::size_t cut = kLongest;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
    --cut;
  }
  return "«" + std::string(text.substr(0, cut)) + "...»";
}

std::string lineAt(const std::string& file, std::size_t index) {
  return file + ", строка " + std::to_string(index + 1) + ": ";
}

std::optional<double> numberOrReason(std::string_view text, char decimalSeparator, std::string& why) {
  const auto value = parseNumber(text, decimalSeparator);
  if (!value) {
    if (text.find_first_not_of(' ') == std::string_view::npos) {
      why = "нет числа";
    } else {
      // The blanks around a number are allowed, so they are not what is wrong: leave them out.
      const std::size_t first = text.find_first_not_of(' ');
      const std::size_t last = text.find_last_not_of(' ');
      why = quoted(text.substr(first, last - first + 1)) + " не число";
      if (decimalSeparator == ',' && text.find('.') != std::string_view::npos) {
        why += " (десятичный разделитель — запятая)";
      } else if (decimalSeparator == '.' && text.find(',') != std::string_view::npos) {
        why += " (десятичный разделитель — точка)";
      }
    }
  }
  return value;
}

std::string lineCount(std::size_t count) {
  const std::size_t lastTwo = count % 100;
  const std::size_t last = count % 10;
  const char* word = "строк";
  if (lastTwo < 11 || lastTwo > 14) {
    if (last == 1) {
      word = "строка";
    } else if (last >= 2 && last <= 4) {
      word = "строки";
    }
  }
  return std::to_string(count) + " " + word;
}

} // namespace kavo
