#include "datafiles/correction_table.h"

#include "datafiles/line_text.h"
#include "platform/number_text.h"
#include "platform/text_file.h"

#include <cmath>
#include <optional>
#include <string_view>

namespace kavo {
namespace {

constexpr std::size_t kMaxCoefficients = 10;

// One polynomial of a range line: coefficients of the powers 0, 1, ... and of -1, -2, ...
struct Polynomial {
  double positive[kMaxCoefficients] = {};
  std::size_t positiveCount = 0;
  double negative[kMaxCoefficients] = {};
  std::size_t negativeCount = 0;
};

std::string tableLine(std::size_t index) {
  return "таблица коррекции, строка " + std::to_string(index + 1) + ": ";
}

// Reads the space-separated tokens of one range line. Every token must be followed by a space, and
// the scanner never reads past the end of the line.
class RangeScanner {
public:
  RangeScanner(std::string_view line, std::size_t index, char separator)
      : line_(line), index_(index), separator_(separator) {}

  std::string_view token() {
    const std::size_t space = pos_ < line_.size() ? line_.find(' ', pos_) : std::string_view::npos;
    if (space == std::string_view::npos) {
      const std::string_view rest = pos_ < line_.size() ? line_.substr(pos_) : std::string_view();
      fail(rest.empty() ? "строка кончается там, где ожидаются значение и пробел"
                        : "строка кончается после " + quoted(rest) + ", а ожидается пробел");
    }
    const std::string_view text = line_.substr(pos_, space - pos_);
    pos_ = space + 1;
    return text;
  }

  double number() {
    const std::string_view text = token();
    std::string why;
    const auto value = numberOrReason(text, separator_, why);
    if (!value) {
      fail(text.empty() ? "пустое значение (лишний пробел)" : why);
    }
    return *value;
  }

  // Moves to the coefficients after the first occurrence of the letter; one space may follow it.
  void startAfter(char letter) {
    const std::size_t at = line_.find(letter);
    if (at == std::string_view::npos) {
      fail(std::string("нет «") + letter + "»");
    }
    pos_ = at + 1;
    if (pos_ < line_.size() && line_[pos_] == ' ') {
      ++pos_;
    }
  }

  // Reads coefficients up to the token whose last character is the end mark.
  void group(double (&into)[kMaxCoefficients], std::size_t& count, char endMark, const char* what) {
    for (;;) {
      const std::string_view text = token();
      if (!text.empty() && text.back() == endMark) {
        return;
      }
      if (count == kMaxCoefficients) {
        fail(std::string("больше 10 коэффициентов ") + what);
      }
      std::string why;
      const auto value = numberOrReason(text, separator_, why);
      if (!value) {
        fail((text.empty() ? std::string("пустое значение (лишний пробел)") : why) + " среди коэффициентов " +
             what + " (они кончаются знаком «" + endMark + "»)");
      }
      into[count++] = *value;
    }
  }

  [[noreturn]] void fail(const std::string& why) const { throw CorrectionError(tableLine(index_) + why); }

private:
  std::string_view line_;
  std::size_t index_;
  char separator_;
  std::size_t pos_ = 0;
};

struct Bounds {
  double xmin, ymin, xmax, ymax;
};

Bounds readBounds(RangeScanner& scanner) {
  Bounds b{};
  b.xmin = scanner.number();
  b.ymin = scanner.number();
  b.xmax = scanner.number();
  b.ymax = scanner.number();
  return b;
}

// Both polynomials of a matching line are read, so a line is never used half-understood.
void readPolynomials(RangeScanner& scanner, Polynomial& x, Polynomial& y) {
  scanner.startAfter('X');
  scanner.group(x.positive, x.positiveCount, '-', "при x^0, x^1, ...");
  scanner.group(x.negative, x.negativeCount, 'Y', "при x^-1, x^-2, ...");
  scanner.startAfter('Y');
  scanner.group(y.positive, y.positiveCount, '-', "при y^0, y^1, ...");
  scanner.group(y.negative, y.negativeCount, ';', "при y^-1, y^-2, ...");
}

// Sums the terms in the order of the table: a0·v^0 + a1·v^1 + ... + b1·v^-1 + ...
double evaluate(const Polynomial& p, double v, const char* name, std::size_t index) {
  if (v == 0.0 && p.negativeCount > 0) {
    throw CorrectionError(tableLine(index) + "измеренный " + name +
                          " равен 0, а в этом диапазоне есть отрицательные степени");
  }
  double sum = 0.0;
  for (std::size_t i = 0; i < p.positiveCount; ++i) {
    sum += p.positive[i] * std::pow(v, static_cast<double>(i));
  }
  for (std::size_t i = 0; i < p.negativeCount; ++i) {
    sum += p.negative[i] * std::pow(v, -static_cast<double>(i + 1));
  }
  if (!std::isfinite(sum)) {
    throw CorrectionError(tableLine(index) + "коррекция измеренного " + name + " не даёт конечного числа");
  }
  return sum;
}

std::string shown(double v, char separator) {
  return formatGeneral(v, separator);
}

// Finds the first range line whose bounds for the chosen axis hold the value and evaluates its
// polynomial for that axis. Line 1 is always examined.
double correct(double v, const std::vector<std::string>& table, bool isX, char separator) {
  const char* name = isX ? "x" : "y";
  if (table.size() < 2) {
    throw CorrectionError("в таблице коррекции нет строк диапазонов (в ней " + lineCount(table.size()) + ")");
  }
  for (std::size_t n = 1; n < table.size(); ++n) {
    RangeScanner scanner(table[n], n, separator);
    const Bounds b = readBounds(scanner);
    const bool inside = isX ? (b.xmin <= v && v <= b.xmax) : (b.ymin <= v && v <= b.ymax);
    if (!inside) {
      continue;
    }
    Polynomial x, y;
    readPolynomials(scanner, x, y);
    return evaluate(isX ? x : y, v, name, n);
  }
  // An uncovered point would otherwise enter every quadruple with a made-up coordinate.
  throw CorrectionError(std::string("измеренный ") + name + " = " + shown(v, separator) +
                        " не лежит ни в одном диапазоне таблицы коррекции");
}

} // namespace

double CorrectX(double x, const std::vector<std::string>& table, double imageCentreX, char decimalSeparator) {
  const double result = correct(x, table, true, decimalSeparator) - imageCentreX;
  if (!std::isfinite(result)) {
    throw CorrectionError("исправленный x для измеренного x = " + shown(x, decimalSeparator) +
                          " не конечное число");
  }
  return result;
}

double CorrectY(double y, const std::vector<std::string>& table, double imageCentreY, char decimalSeparator) {
  if (table.empty()) {
    throw CorrectionError("таблица коррекции пуста: в строке 1 должен быть вертикальный масштаб");
  }
  std::string why;
  const auto k = numberOrReason(table[0], decimalSeparator, why);
  if (!k) {
    throw CorrectionError(tableLine(0) + "вертикальный масштаб: " + why);
  }
  if (*k == 0.0) {
    throw CorrectionError(tableLine(0) + "вертикальный масштаб равен 0");
  }
  const double q = correct(y, table, false, decimalSeparator);
  const double result = imageCentreY / *k - q / *k;
  if (!std::isfinite(result)) {
    throw CorrectionError("исправленный y для измеренного y = " + shown(y, decimalSeparator) +
                          " не конечное число");
  }
  return result;
}

std::optional<double> correctionVerticalScale(const std::vector<std::string>& table, char decimalSeparator) {
  if (table.empty()) {
    return std::nullopt;
  }
  return parseNumber(table[0], decimalSeparator);
}

std::vector<std::string> undistortedCorrectionTable(double imageWidth, double imageHeight,
                                                    char decimalSeparator) {
  const auto number = [decimalSeparator](double v) { return formatGeneral(v, decimalSeparator); };
  return {"1", number(-imageWidth) + " " + number(-imageHeight) + " " + number(2 * imageWidth) + " " +
                   number(2 * imageHeight) + " X 0 1 - Y 0 1 - ; без искажений"};
}

std::string writeUndistortedCorrectionTable(const std::string& path, double imageWidth, double imageHeight,
                                            char decimalSeparator) {
  // Twice the size must still be finite, or the range's bounds would not read back.
  if (!(imageWidth > 0.0) || !(imageHeight > 0.0) || !std::isfinite(2 * imageWidth) ||
      !std::isfinite(2 * imageHeight)) {
    return path + ": размер изображения " + formatGeneral(imageWidth, decimalSeparator) + " × " +
           formatGeneral(imageHeight, decimalSeparator) + " не положительные конечные числа";
  }
  return saveLines(path, undistortedCorrectionTable(imageWidth, imageHeight, decimalSeparator));
}

} // namespace kavo
