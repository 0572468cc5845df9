#include "app/settings_input.h"

#include <gtest/gtest.h>

#include <numbers>

namespace kavo {
namespace {

// The defaults shown as 30 and 30 are the defaults of the state; 45 degrees is π/4.
TEST(SettingsInput, UnitsGiveTheStoredSettings) {
  const CalibrationState defaults;
  EXPECT_EQ(minLineAngleFromDegrees(30), defaults.minLineAngle);
  EXPECT_EQ(minPointSpacingFromPercent(30), defaults.minPointSpacing);
  EXPECT_EQ(minLineAngleFromDegrees(45), std::numbers::pi / 4);
  EXPECT_EQ(minPointSpacingFromPercent(12.5), 0.125);
  const SettingsTexts shown = settingsTexts(defaults, ',');
  EXPECT_EQ(shown.clipSigmaCount, "3");
  EXPECT_EQ(shown.minLineAngleDegrees, "30");
  EXPECT_EQ(shown.minPointSpacingPercent, "30");
  EXPECT_EQ(shown.firstImageNumber, "1");
  EXPECT_EQ(shown.secondImageNumber, "2");
  EXPECT_EQ(shown.processingMode, 1);
  const SettingsTexts restored = defaultSettingsTexts(',');
  EXPECT_EQ(restored.clipSigmaCount, shown.clipSigmaCount);
  EXPECT_EQ(restored.minLineAngleDegrees, shown.minLineAngleDegrees);
  EXPECT_EQ(restored.minPointSpacingPercent, shown.minPointSpacingPercent);
  EXPECT_FALSE(restored.saveRefinedValue); // the classic value by default
}

// kavo-cli's options go through the dialog's checks: the same refusals, the same stored doubles.
struct NumbersCase {
  const char* name;
  SettingsNumbers numbers;
  const char* refusal; // "" when accepted
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const NumbersCase& c, std::ostream* os) {
  *os << c.name;
}

const NumbersCase kNumbers[] = {
    {"Defaults", {}, ""},
    {"AllNew", {2.5, 45, 12.5, 2, 5, 2, true, 0.1, 7.5}, ""},
    {"NegativeStepAccuracy",
     {3, 30, 30, 1, 2, 1, true, -0.01},
     "Точность шага камеры должна быть неотрицательным числом миллиметров!"},
    {"NegativeCircleRadius",
     {3, 30, 30, 1, 2, 1, true, 0.05, -1.0},
     "Радиус кругов мишени должен быть неотрицательным числом миллиметров (0 для шахматной доски)!"},
    {"EqualImageNumbers",
     {3, 30, 30, 2, 2, 1, true},
     "Номер первого изображения должен быть меньше номера второго!"},
    {"FirstAfterSecond",
     {3, 30, 30, 5, 4, 1},
     "Номер первого изображения должен быть меньше номера второго!"},
    {"ZeroImageNumber", {3, 30, 30, 0, 3, 1}, "Номера изображений должны быть положительными!"},
    {"NegativeImageNumber", {3, 30, 30, 1, -2, 1}, "Номера изображений должны быть положительными!"},
};

class SettingsNumbersTest : public ::testing::TestWithParam<NumbersCase> {};

TEST_P(SettingsNumbersTest, FollowTheDialogsChecks) {
  const NumbersCase& c = GetParam();
  CalibrationState state;
  const auto refused = applySettings(state, c.numbers);
  if (std::string(c.refusal).empty()) {
    ASSERT_FALSE(refused) << refused->text;
    EXPECT_EQ(state.clipSigmaCount, c.numbers.clipSigmaCount);
    EXPECT_EQ(state.minLineAngle, minLineAngleFromDegrees(c.numbers.minLineAngleDegrees));
    EXPECT_EQ(state.minPointSpacing, minPointSpacingFromPercent(c.numbers.minPointSpacingPercent));
    EXPECT_EQ(state.firstImageNumber, c.numbers.firstImageNumber);
    EXPECT_EQ(state.secondImageNumber, c.numbers.secondImageNumber);
    EXPECT_EQ(state.processingMode, c.numbers.processingMode);
    EXPECT_EQ(state.saveRefinedValue, c.numbers.saveRefinedValue);
    EXPECT_EQ(settingsTexts(state, '.').saveRefinedValue, c.numbers.saveRefinedValue);
    EXPECT_EQ(state.stepAccuracy, c.numbers.stepAccuracy);
    EXPECT_EQ(state.circleRadius, c.numbers.circleRadius);
    EXPECT_EQ(settingsNumbers(state).stepAccuracy, c.numbers.stepAccuracy);
    EXPECT_EQ(settingsNumbers(state).circleRadius, c.numbers.circleRadius);
    return;
  }
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->text, c.refusal);
  EXPECT_EQ(refused->caption, "Ошибка!");
  EXPECT_EQ(refused->owner, BoxOwner::None);
  EXPECT_EQ(state.firstImageNumber, 1);
  EXPECT_EQ(state.secondImageNumber, 2);
  EXPECT_FALSE(state.saveRefinedValue); // stored only with everything accepted
  EXPECT_EQ(state.stepAccuracy, 0.05);
  EXPECT_EQ(state.circleRadius, 0.0);
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsNumbersTest, ::testing::ValuesIn(kNumbers),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace kavo
