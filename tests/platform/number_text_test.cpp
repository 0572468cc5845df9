#include "platform/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace kavo {
namespace {

struct ReadCase {
  const char* text;
  char separator;
  bool valid;
  double value;
};

TEST(NumberText, ReadingRule) {
  const ReadCase cases[] = {
      {"1523.5", '.', true, 1523.5},
      {"1523,5", ',', true, 1523.5},
      {"1523.5", ',', false, 0},
      {"1523,5", '.', false, 0},
      {"  -12.25  ", '.', true, -12.25},
      {"+7", '.', true, 7},
      {"1E3", '.', true, 1000},
      {"2,5e-2", ',', true, 0.025},
      {"1e+2", '.', true, 100},
      {".5", '.', true, 0.5},
      {"5.", '.', true, 5},
      {"", '.', false, 0},
      {" ", '.', false, 0},
      {"1 024", '.', false, 0},
      {"\t5", '.', false, 0},
      {"5\t", '.', false, 0},
      {"1.2.3", '.', false, 0},
      {"1e", '.', false, 0},
      {"e5", '.', false, 0},
      {"--1", '.', false, 0},
      {"+-1", '.', false, 0},
      {"0x10", '.', false, 0},
      {"inf", '.', false, 0},
      {"nan", '.', false, 0},
      {"1e400", '.', false, 0},
      {"12;", '.', false, 0},
      {".", '.', false, 0},
  };
  for (const ReadCase& c : cases) {
    const auto value = parseNumber(c.text, c.separator);
    EXPECT_EQ(value.has_value(), c.valid) << '"' << c.text << "\" with '" << c.separator << "'";
    if (value && c.valid) {
      EXPECT_EQ(*value, c.value) << c.text;
    }
  }
  const auto tiny = parseNumber("1e-400", '.');
  ASSERT_TRUE(tiny.has_value());
  EXPECT_EQ(*tiny, 0.0);
}

TEST(NumberText, ReadsBackEveryDoubleItsShortestTextNames) {
  for (const double v : {0.1, 1799.7003262444346, 9.139082288074222, 1e-300, 123456789012345678.0}) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
    const auto back = parseNumber(buffer, '.');
    ASSERT_TRUE(back.has_value()) << buffer;
    EXPECT_EQ(*back, v);
  }
}

TEST(NumberText, IntegerRule) {
  EXPECT_EQ(parseInteger("12"), 12);
  EXPECT_EQ(parseInteger(" -3 "), -3);
  EXPECT_EQ(parseInteger("+4"), 4);
  EXPECT_EQ(parseInteger("2147483647"), std::numeric_limits<int>::max());
  EXPECT_EQ(parseInteger("-2147483648"), std::numeric_limits<int>::min());
  for (const char* bad : {"", "1.0", "1e2", "2147483648", "abc", "1 2", "-"}) {
    EXPECT_FALSE(parseInteger(bad).has_value()) << bad;
  }
}

TEST(NumberText, GeneralForm) {
  struct Case {
    double value;
    char separator;
    const char* text;
  };
  const Case cases[] = {
      {0, '.', "0"},
      {1024, '.', "1024"},
      {0.5, ',', "0,5"},
      {3, '.', "3"},
      {30, '.', "30"},
      {-12.25, '.', "-12.25"},
      {0.0001, '.', "0.0001"},
      {0.00012, ',', "0,00012"},
      {0.00005, '.', "5E-5"},
      {0.000001, '.', "1E-6"},
      {1.5e20, '.', "1.5E20"},
      {-2.5e-7, ',', "-2,5E-7"},
      {999999999999999, '.', "999999999999999"},
      {1e15, '.', "1E15"},
      {123456789012345678.0, '.', "1.23456789012346E17"},
      {0.1 + 0.2, '.', "0.3"},
      {2.0 / 3.0, '.', "0.666666666666667"},
      {1799.7003262444346, '.', "1799.70032624443"},
      {5, '.', "5"},
      {1313, '.', "1313"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatGeneral(c.value, c.separator), c.text) << c.value;
  }
}

TEST(NumberText, FixedForm) {
  struct Case {
    double value;
    char separator;
    const char* text;
    int digits = 4;
  };
  const Case cases[] = {
      {1523.087, '.', "1523.0870"},
      {12.441, ',', "12,4410"},
      {-1523.5, '.', "-1523.5000"},
      {0, '.', "0.0000"},
      {0.00004, '.', "0.0000"},
      {1799.7003262444346, '.', "1799.7003"},
      {0.2546505721038534, '.', "0.2547"},
      {9.139082288074222, '.', "9.1391"},
      {1e20, '.', "100000000000000000000.0000"},
      {1799.7003262444346, '.', "1799.7", 1},
      {2100, ',', "2100,0", 1},
      {1005.36, '.', "1005.4", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatFixed(c.value, c.separator, c.digits), c.text) << c.value;
  }
}

} // namespace
} // namespace kavo
