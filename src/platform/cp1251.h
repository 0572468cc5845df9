#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace kavo {

// Data files are Windows-1251 on disk and UTF-8 inside the program.
std::string decodeCp1251(std::string_view bytes);

// Fails, with a message naming the character, for text that has no Windows-1251 form.
std::optional<std::string> encodeCp1251(std::string_view utf8, std::string* error);

} // namespace kavo
