#include "app/memo_lines.h"

#include "platform/number_text.h"

namespace kavo {

std::vector<std::string> listValuesLines(const FocalValues& values, char separator) {
  std::vector<std::string> lines;
  if (values.size() >= 2000) {
    lines.emplace_back("Количество значений слишком велико.");
    lines.emplace_back("Будет выведен лишь конечный результат.");
    return lines;
  }
  lines.reserve(static_cast<std::size_t>(values.size()) + 1);
  lines.emplace_back("-------Результаты счёта-------");
  values.forEachPiece([&](const double* v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      lines.push_back(formatFixed(v[i], separator));
    }
  });
  return lines;
}

std::vector<std::string> resultMemoLines(const RunResult& r, char separator) {
  return {"-------Результаты счёта-------", "Среднее значение: " + formatFixed(r.meanValue, separator),
          "Отклонение: " + formatFixed(r.deviation, separator),
          "Стандартное отклонение: " + formatFixed(r.standardDeviation, separator),
          "Общее количество используемых переборов:  " +
              formatGeneral(static_cast<double>(r.valueCount), separator)};
}

} // namespace kavo
