#include "platform/locale_separator.h"

#include <clocale>
#include <cstring>
#include <string>

namespace kavo {

char localeDecimalSeparator() {
  // Ask the environment's locale without changing the process's own: number text in the
  // program never goes through the C library's locale-dependent conversions.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  char separator = '.';
  if (std::setlocale(LC_NUMERIC, "") != nullptr) {
    const std::lconv* conv = std::localeconv();
    if (conv != nullptr && conv->decimal_point != nullptr && std::strlen(conv->decimal_point) == 1 &&
        (conv->decimal_point[0] == ',' || conv->decimal_point[0] == '.')) {
      separator = conv->decimal_point[0];
    }
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
  return separator;
}

} // namespace kavo
