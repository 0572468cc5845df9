#include "datafiles/correction_table.h"

#include "platform/text_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavo {
namespace {

using ::testing::HasSubstr;

std::vector<std::string> fixture(const std::string& name) {
  const TextLines file = loadLines(std::string(KAVO_TEST_DATA) + "/tables/" + name);
  EXPECT_TRUE(file.ok) << file.error;
  return file.lines;
}

const std::vector<std::string> kIdentity = {"1", "0 0 2000 2000 X 0 1 - Y 0 1 - ; "};

TEST(CorrectionTable, MovesToTheCentreTurnsYUpAndDividesByTheScale) {
  EXPECT_DOUBLE_EQ(CorrectX(1100, kIdentity, 1000, '.'), 100);
  EXPECT_DOUBLE_EQ(CorrectY(700, kIdentity, 750, '.'), 50);
  const std::vector<std::string> scaled = {"2", kIdentity[1]};
  EXPECT_DOUBLE_EQ(CorrectY(700, scaled, 750, '.'), 25);
  // Both ends of a range belong to it.
  EXPECT_DOUBLE_EQ(CorrectX(0, kIdentity, 0, '.'), 0);
  EXPECT_DOUBLE_EQ(CorrectX(2000, kIdentity, 0, '.'), 2000);
  EXPECT_DOUBLE_EQ(CorrectY(2000, kIdentity, 0, '.'), -2000);
}

TEST(CorrectionTable, EvaluatesPositiveAndNegativePowersInOrder) {
  // k = 2; x: 1 + 2x + 3x^2 + 4/x + 5/x^2; y: 1 + 2y + 3/y.
  const auto table = fixture("polynomial.txt");
  EXPECT_DOUBLE_EQ(CorrectX(2, table, 0, '.'), 1 + 4 + 12 + 2 + 1.25);
  EXPECT_DOUBLE_EQ(CorrectX(-0.5, table, 10, '.'), 1 - 1 + 0.75 - 8 + 20 - 10);
  EXPECT_DOUBLE_EQ(CorrectY(2, table, 0, '.'), -(1 + 4 + 1.5) / 2);
  EXPECT_DOUBLE_EQ(CorrectY(2, table, 9, '.'), 9.0 / 2 - 6.5 / 2);
}

TEST(CorrectionTable, LooksUpTheXAndYRangesIndependently) {
  // Ranges of different text lengths: 0..999 is the identity, 1000..2000 adds 10.
  const auto table = fixture("two_ranges.txt");
  EXPECT_DOUBLE_EQ(CorrectX(500, table, 0, '.'), 500);
  EXPECT_DOUBLE_EQ(CorrectX(1500, table, 0, '.'), 1510);
  EXPECT_DOUBLE_EQ(CorrectY(1500, table, 0, '.'), -1510);
  EXPECT_DOUBLE_EQ(CorrectY(500, table, 0, '.'), -500);
}

TEST(CorrectionTable, AcceptsTheWrittenVariantsOfARangeLine) {
  struct Case {
    const char* line;
    char separator;
    double x; // corrected 4 with centre 0
  };
  const Case cases[] = {
      {"0 0 10 10 X0 1 - Y 0 1 - ; ", '.', 4},           // coefficient right after the letter
      {"0 0 10 10 X 0 1 - Y 0 1 - ; a comment", '.', 4}, // anything after "; "
      {"0 0 10 10 X -0.5 1 - Y 0 1 - ; ", '.', 3.5},     // a negative coefficient ends in a digit
      {"0 0 10 10 X 0 1 - 8 Y 0 1 - ; ", '.', 6},        // x^-1 term
      {"0,5 0,5 10 10 X 0,5 1 - Y 0 1 - ; ", ',', 4.5},  // the regional separator
      {"0 0 10 10 X 0 1 2- Y 0 1 - ; ", '.', 4},         // only the last character marks the end
      {"0 0 10 10 X 0 0 0 0 0 0 0 0 0 1E-3 - Y 0 1 - ; ", '.', 262.144}, // ten coefficients: up to x^9
      {"0 0 10 10 X 1 - 1 1 1 1 1 1 1 1 1 1 Y 0 1 - ; ", '.', 1 + (1 - 1.0 / 1048576) / 3}, // down to x^-10
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::vector<std::string> table = {"1", c.line};
    EXPECT_NEAR(CorrectX(4, table, 0, c.separator), c.x, 1e-12);
    EXPECT_DOUBLE_EQ(CorrectY(4, table, 0, c.separator), -4);
  }
}

// A malformed matching line fails the correction of either coordinate, with a reason.
TEST(CorrectionTable, RejectsMalformedRangeLines) {
  struct Case {
    const char* line;
    const char* reason;
  };
  const Case cases[] = {
      {"0 0 10 10 X 0 1 - Y 0 1 - ;", "а ожидается пробел"},
      {"0 0 10 10 X 0 1 - Y 0 1 -", "а ожидается пробел"},
      {"0 0 10 10 X 0 1", "а ожидается пробел"},
      {"0  0 10 10 X 0 1 - Y 0 1 - ; ", "пустое значение"},
      {" 0 0 10 10 X 0 1 - Y 0 1 - ; ", "пустое значение"},
      {"0\t0 10 10 X 0 1 - Y 0 1 - ; ", "не число"},
      {"0 0 10 10 x 0 1 - Y 0 1 - ; ", "нет «X»"},
      {"0 0 10 10 X 0 1 - y 0 1 - ; ", "«y» не число"},
      {"0 0 10 10 X 0 1 Y 0 1 - ; ", "«Y» не число"},
      {"0 0 10 10 X 0 1 - Y0 1 - ; ", "«Y0» не число"}, // the x polynomial ends with a 'Y' token
      {"0 0 10 10 X 0 one - Y 0 1 - ; ", "«one» не число"},
      {"0 0 10 10 X 0 1 - Y 0 1 - 2 - ; ", "«-» не число"},
      {"0 0 10 10 X 0 1.5 - Y 0 1 - ; ", "«1.5» не число (десятичный разделитель — запятая)"},
      {"0 0 10 10 X 0 0 0 0 0 0 0 0 0 0 1 - Y 0 1 - ; ", "больше 10 коэффициентов при x^0"},
      {"0 0 10 10 X 0 1 - 1 1 1 1 1 1 1 1 1 1 1 Y 0 1 - ; ", "больше 10 коэффициентов при x^-1"},
      {"0 0 10 10 X 0 1 - Y 0 0 0 0 0 0 0 0 0 0 1 - ; ", "больше 10 коэффициентов при y^0"},
      {"0 0 10 10 X 0 1 - Y 0 1 - 1 1 1 1 1 1 1 1 1 1 1 ; ", "больше 10 коэффициентов при y^-1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::vector<std::string> table = {"1", c.line};
    const char separator = std::string(c.reason).find("запятая") != std::string::npos ? ',' : '.';
    try {
      CorrectX(5, table, 0, separator);
      ADD_FAILURE() << "CorrectX accepted the line";
    } catch (const CorrectionError& e) {
      EXPECT_THAT(e.what(), HasSubstr("таблица коррекции, строка 2: "));
      EXPECT_THAT(e.what(), HasSubstr(c.reason));
    }
    EXPECT_THROW(CorrectY(5, table, 0, separator), CorrectionError);
  }
}

TEST(CorrectionTable, ReadsOnlyTheLinesItNeeds) {
  // Lines after the matching one are not read; the bounds of earlier lines are.
  const std::vector<std::string> laterGarbage = {"1", kIdentity[1], "garbage"};
  EXPECT_DOUBLE_EQ(CorrectX(5, laterGarbage, 0, '.'), 5);
  const std::vector<std::string> earlierGarbage = {"1", "garbage", kIdentity[1]};
  EXPECT_THROW(CorrectX(5, earlierGarbage, 0, '.'), CorrectionError);
  // The polynomials of a line whose bounds do not match are not read.
  const std::vector<std::string> skipped = {"1", "100 100 200 200 X broken", kIdentity[1]};
  EXPECT_DOUBLE_EQ(CorrectX(5, skipped, 0, '.'), 5);
  // CorrectX never needs the vertical scale.
  const std::vector<std::string> noScale = {"scale", kIdentity[1]};
  EXPECT_DOUBLE_EQ(CorrectX(5, noScale, 0, '.'), 5);
}

TEST(CorrectionTable, FailsWhereNoFiniteValueExists) {
  struct Case {
    std::vector<std::string> table;
    bool x; // which coordinate to correct
    double measured;
    const char* reason;
  };
  const std::string negative = "-10 -10 10 10 X 0 1 - 2 Y 0 1 - 2 ; ";
  const Case cases[] = {
      {{}, true, 5, "нет строк диапазонов (в ней 0 строк)"},
      {{}, false, 5, "таблица коррекции пуста"},
      {{"1"}, true, 5, "нет строк диапазонов (в ней 1 строка)"},
      {{"1"}, false, 5, "нет строк диапазонов"},
      {{"0", kIdentity[1]}, false, 5, "вертикальный масштаб равен 0"},
      {{"-0", kIdentity[1]}, false, 5, "вертикальный масштаб равен 0"},
      {{"k", kIdentity[1]}, false, 5, "строка 1: вертикальный масштаб: «k» не число"},
      {{"1", negative}, true, 0, "измеренный x равен 0"},
      {{"1", negative}, false, -0.0, "измеренный y равен 0"},
      {{"1", "0 0 1E300 1E300 X 0 0 0 0 0 0 0 0 0 1E300 - Y 0 1 - ; "},
       true,
       1e200,
       "не даёт конечного числа"},
      {{"1E-300", "0 0 2000 2000 X 0 1 - Y 1E10 1 - ; "}, false, 1000, "не конечное число"},
      // A point in no range would enter every quadruple with a made-up coordinate.
      {{"1", kIdentity[1]}, true, 2000.5, "x = 2000.5 не лежит ни в одном диапазоне"},
      {{"1", kIdentity[1]}, false, -1, "y = -1 не лежит ни в одном диапазоне"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    try {
      (void)(c.x ? CorrectX(c.measured, c.table, 0, '.') : CorrectY(c.measured, c.table, 0, '.'));
      ADD_FAILURE() << "the correction succeeded";
    } catch (const CorrectionError& e) {
      EXPECT_THAT(e.what(), HasSubstr(c.reason));
    }
  }
  // Without negative powers a measured 0 is an ordinary value.
  EXPECT_DOUBLE_EQ(CorrectX(0, kIdentity, 1000, '.'), -1000);
}

} // namespace
} // namespace kavo
