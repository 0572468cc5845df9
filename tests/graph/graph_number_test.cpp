#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <string>

#include "graph/graph_number.h"

namespace kavo {
namespace {

struct NumberCase {
  double value;
  char separator;
  const char* text;
};

// Also the name CTest lists the case under: no blanks.
void PrintTo(const NumberCase& c, std::ostream* out) {
  *out << c.value << "->" << c.text;
}

class GraphNumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(GraphNumberTest, WritesFiveSignificantDigits) {
  const NumberCase& c = GetParam();
  EXPECT_EQ(formatGraphNumber(c.value, c.separator), c.text) << "value " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, GraphNumberTest,
    testing::Values(
        // plain notation, trailing zeros and a bare separator dropped, the locale's separator
        NumberCase{0.0, '.', "0"}, NumberCase{-0.0, ',', "0"}, NumberCase{3.0, '.', "3"},
        NumberCase{1800.0, ',', "1800"}, NumberCase{1799.70034, '.', "1799.7"},
        NumberCase{1799.70034, ',', "1799,7"}, NumberCase{9.139123, '.', "9.1391"},
        NumberCase{-0.5, ',', "-0,5"}, NumberCase{0.254671, '.', "0.25467"},
        NumberCase{12345.4, '.', "12345"}, NumberCase{0.0001, '.', "0.0001"},
        NumberCase{0.00012345, '.', "0.00012345"},
        // rounding first: the rounded number chooses the layout
        NumberCase{99999.7, '.', "1E005"}, NumberCase{0.0000999996, '.', "0.0001"},
        NumberCase{1.999996, '.', "2"},
        // scientific: six or more digits before the separator, or below 0.0001; exponent of at
        // least three digits, a minus sign only when it is negative
        NumberCase{100000.0, '.', "1E005"}, NumberCase{123456.0, ',', "1,2346E005"},
        NumberCase{-1.5e20, '.', "-1.5E020"}, NumberCase{0.00009, '.', "9E-005"},
        NumberCase{0.0000123456, ',', "1,2346E-005"}, NumberCase{1e-300, '.', "1E-300"},
        NumberCase{3.4028234663852886e38, '.', "3.4028E038"},
        NumberCase{-3.4028234663852886e38, ',', "-3,4028E038"}, NumberCase{1.5e100, '.', "1.5E100"},
        NumberCase{std::numeric_limits<double>::infinity(), '.', "INF"}));

} // namespace
} // namespace kavo
