// The numbers in the warnings and the quantiles behind the intervals.
#include "refine/refine_texts.h"
#include "refine/step_scatter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kavo {
namespace {

TEST(RefineTexts, NumbersTakeTheCallersSeparator) {
  EXPECT_EQ(decimalText(3.2149, 1, ','), "3,2");
  EXPECT_EQ(decimalText(1799.70032, 2, '.'), "1799.70");
  EXPECT_EQ(decimalText(-0.0001, 2, ','), "0,00");
  EXPECT_EQ(signedDecimalText(0.514, 2, ','), "+0,51");
  EXPECT_EQ(signedDecimalText(-1.58, 2, ','), "-1,58");
}

TEST(RefineTexts, ImageNumbersReadAsRanges) {
  EXPECT_EQ(numberRanges({5}), "5");
  EXPECT_EQ(numberRanges({5, 6}), "5 и 6");
  EXPECT_EQ(numberRanges({5, 6, 7, 8, 9, 10}), "5–10");
  EXPECT_EQ(numberRanges({2, 5, 6, 7, 9}), "2, 5–7 и 9");
}

TEST(RefineTexts, QuantilesMatchTheTables) {
  const struct {
    double nu;
    double t;
  } student[] = {{1, 12.706}, {2, 4.303}, {3, 3.182}, {6, 2.447}, {10, 2.228}, {30, 2.042}, {1e9, 1.960}};
  for (const auto& row : student) {
    EXPECT_NEAR(studentQuantile95(row.nu), row.t, 0.005 * row.t) << row.nu;
  }
  const struct {
    double nu;
    double q;
  } chi[] = {{2, 5.991}, {5, 11.070}, {8, 15.507}, {20, 31.410}};
  for (const auto& row : chi) {
    EXPECT_NEAR(chiSquare95(row.nu), row.q, 0.01 * row.q) << row.nu;
  }
}

TEST(RefineTexts, MixtureHalfWidthCoversNinetyFivePercent) {
  EXPECT_NEAR(mixtureHalfWidth95({4.0}, {1.0}), 1.96 * 2.0, 1e-3);
  // Half the time σ = 1, half the time σ = 3: P(|x| < h) = ½ erf(h/√2) + ½ erf(h/(3√2)) = 0.95.
  const double h = mixtureHalfWidth95({1.0, 9.0}, {0.5, 0.5});
  EXPECT_NEAR(0.5 * std::erf(h / std::sqrt(2.0)) + 0.5 * std::erf(h / (3.0 * std::sqrt(2.0))), 0.95, 1e-6);
  EXPECT_GT(h, 1.96 * std::sqrt(5.0)); // heavier tails than the normal of the same variance
}

} // namespace
} // namespace kavo
