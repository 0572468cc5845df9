#include "platform/system_error_text.h"

#include <cerrno>
#include <cstring>

namespace kavo {

std::string systemErrorText(int error) {
  switch (error) {
  case ENOENT:
    return "нет такого файла или папки";
  case EACCES:
  case EPERM:
    return "нет прав доступа";
  case EISDIR:
    return "это папка";
  case ENOTDIR:
    return "часть пути не папка";
  case ENOSPC:
    return "на диске нет места";
  case EDQUOT:
    return "превышена дисковая квота";
  case EROFS:
    return "файловая система только для чтения";
  case ENAMETOOLONG:
    return "слишком длинное имя";
  case ELOOP:
    return "слишком много символических ссылок";
  case EMFILE:
  case ENFILE:
    return "открыто слишком много файлов";
  case EIO:
    return "ошибка ввода-вывода";
  case EBUSY:
  case ETXTBSY:
    return "файл занят";
  case EXDEV:
    return "файл на другом диске";
  case EFBIG:
    return "файл слишком велик";
  case ENOMEM:
    return "не хватает памяти";
  default:
    break;
  }
  char buffer[256];
  // The GNU form is thread-safe and returns the text, which may live in the buffer or elsewhere.
  return "системная ошибка " + std::to_string(error) + " (" + ::strerror_r(error, buffer, sizeof buffer) +
         ")";
}

} // namespace kavo
