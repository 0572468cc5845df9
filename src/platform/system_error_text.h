#pragma once
#include <string>

namespace kavo {

// What a system error code means, in Russian like every other text the user reads ("нет такого файла
// или папки" for ENOENT). Codes the program does not expect keep the system's own text after their
// number.
std::string systemErrorText(int error);

} // namespace kavo
