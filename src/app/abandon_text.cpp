#include "app/abandon_text.h"

namespace kavo {

std::string abandonText(const RunEnd& end) {
  std::string text;
  switch (end.reason) {
  case AbandonReason::None:
    return {};
  case AbandonReason::Cancelled:
    return "Счёт остановлен по запросу.";
  case AbandonReason::ExitPressed:
    return "Счёт прерван: окно распределения закрыто кнопкой «Выход».";
  case AbandonReason::ZeroDivisor:
    text = "Счёт прерван: деление на ноль";
    break;
  case AbandonReason::NonFinite:
    text = "Счёт прерван: переполнение или недопустимая операция";
    break;
  case AbandonReason::RangeError:
    text = "Счёт прерван: на изображении меньше точек, чем в сцене";
    break;
  case AbandonReason::NothingInBand:
    text = "Счёт прерван: ни одно значение не попало в полосу отсечения";
    break;
  case AbandonReason::Other:
    text = "Счёт прерван из-за ошибки";
    break;
  }
  if (!end.detail.empty()) {
    text += " (" + end.detail + ")";
  }
  return text + ".";
}

} // namespace kavo
