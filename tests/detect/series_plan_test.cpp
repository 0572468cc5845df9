#include "detect/series_plan.h"

#include <gtest/gtest.h>

namespace kavo::detect {
namespace {

// A searched series from a string of letters, one per photo: F found, N not found, X failed,
// S of another size, I numbered inconsistently, R not run.
std::vector<PhotoDetection> series(const std::string& letters) {
  std::vector<PhotoDetection> photos;
  for (std::size_t i = 0; i < letters.size(); ++i) {
    PhotoDetection p;
    p.photo = "img" + std::to_string(i + 1) + ".png";
    switch (letters[i]) {
    case 'F':
      p.status = PhotoStatus::Found;
      break;
    case 'N':
      p.status = PhotoStatus::NotFound;
      p.problem = "шахматная доска не найдена";
      break;
    case 'X':
      p.status = PhotoStatus::Failed;
      p.problem = "это не изображение";
      break;
    case 'S':
      p.status = PhotoStatus::WrongSize;
      p.problem = "снимок 10 × 10 пикселей";
      break;
    case 'I':
      p.status = PhotoStatus::Inconsistent;
      p.problem = "мишень повёрнута";
      break;
    default:
      p.status = PhotoStatus::NotRun;
    }
    photos.push_back(p);
  }
  return photos;
}

struct PlanCase {
  const char* name;
  const char* photos;
  bool skip;
  std::vector<std::size_t> kept;
  std::vector<double> steps; // in camera steps of 25 mm
  const char* error;         // part of the error, "" for none
  std::size_t warnings;
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const PlanCase& c, std::ostream* os) {
  *os << c.name;
}

class SeriesPlanTable : public ::testing::TestWithParam<PlanCase> {};

TEST_P(SeriesPlanTable, KeepsThePhotosAndTheDistancesBetweenThem) {
  const PlanCase& c = GetParam();
  const SeriesPlan plan = planSeries(series(c.photos), 25.0, c.skip);
  if (*c.error != '\0') {
    EXPECT_NE(plan.error.find(c.error), std::string::npos) << plan.error;
    return;
  }
  EXPECT_EQ(plan.error, "");
  EXPECT_EQ(plan.kept, c.kept);
  std::vector<double> steps;
  for (const double s : c.steps) {
    steps.push_back(25.0 * s);
  }
  EXPECT_EQ(plan.steps, steps);
  EXPECT_EQ(plan.warnings.size(), c.warnings);
  for (const auto& w : plan.warnings) {
    EXPECT_NE(w.find(".png: снимок пропущен — шахматная доска не найдена"), std::string::npos) << w;
  }
}

const PlanCase kPlanCases[] = {
    {"AllFound", "FFFF", false, {0, 1, 2, 3}, {1, 1, 1}, "", 0},
    {"MiddleSkipped", "FFNFF", true, {0, 1, 3, 4}, {1, 2, 1}, "", 1},
    {"TwoInARowSkipped", "FNNFF", true, {0, 3, 4}, {3, 1}, "", 2},
    {"FirstSkipped", "NFFF", true, {1, 2, 3}, {1, 1}, "", 1},
    {"LastSkipped", "FFFN", true, {0, 1, 2}, {1, 1}, "", 1},
    {"NotFoundStops", "FFNF", false, {}, {}, "img3.png: шахматная доска не найдена", 0},
    {"UnreadableIsNeverSkipped", "FXFF", true, {}, {}, "img2.png: это не изображение", 0},
    {"OtherSizeIsNeverSkipped", "FFSF", true, {}, {}, "img3.png: снимок 10 × 10", 0},
    {"InconsistentIsNeverSkipped", "FIFF", true, {}, {}, "img2.png: мишень повёрнута", 0},
    {"Interrupted", "FFR", false, {}, {}, "img3.png: поиск прерван", 0},
    {"OneLeft", "NFN", true, {}, {}, "на 1 снимках из 3", 0},
};
INSTANTIATE_TEST_SUITE_P(Series, SeriesPlanTable, ::testing::ValuesIn(kPlanCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(SeriesPlan, KeepsAtMostWhatAListFileHolds) {
  EXPECT_EQ(planSeries(series(std::string(101, 'F')), 10.0, false).error, "");
  EXPECT_NE(planSeries(series(std::string(102, 'F')), 10.0, false).error.find("не больше 101"),
            std::string::npos);
  EXPECT_EQ(planSeries(series("N" + std::string(101, 'F')), 10.0, true).error, "");
}

} // namespace
} // namespace kavo::detect
