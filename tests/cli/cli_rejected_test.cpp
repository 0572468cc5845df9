// A run that no quadruple passes says how far the series got and which settings would pass, and those
// settings give a classic value.
#include "cli_fixture.h"
#include "platform/number_text.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

namespace kavo::testing {
namespace {

using Json = nlohmann::ordered_json;
using ::testing::HasSubstr;

struct RejectedCase {
  const char* name;
  std::vector<std::string> settings;
  const char* keptOption; // the setting the suggestion leaves as given, "" when both are lowered
  double keptValue;
};

void PrintTo(const RejectedCase& c, std::ostream* os) {
  *os << c.name;
}

class KavoCliRejected : public ::testing::TestWithParam<RejectedCase> {};

TEST_P(KavoCliRejected, SuggestedSettingsGiveAClassicValue) {
  const RejectedCase& c = GetParam();
  SeriesCopy s;
  std::vector<std::string> json = c.settings;
  json.push_back("--json");
  const CliRun rejected = cli(s.computeArgs(json));
  ASSERT_EQ(rejected.status, 1) << rejected.err;
  const Json j = Json::parse(rejected.out);
  ASSERT_EQ(j["status"], "noResult");
  const Json& suggested = j["suggestedSettings"];
  ASSERT_TRUE(suggested.is_object()) << rejected.out;
  const double spacing = suggested["minSpacingPercent"], angle = suggested["minAngleDegrees"];
  const std::string spacingText = formatGeneral(spacing, '.'), angleText = formatGeneral(angle, '.');
  if (std::string(c.keptOption) == "--min-angle") {
    EXPECT_EQ(angle, c.keptValue);
  } else if (std::string(c.keptOption) == "--min-spacing") {
    EXPECT_EQ(spacing, c.keptValue);
  }
  EXPECT_GT(spacing, 0.0);
  EXPECT_GT(angle, 0.0);
  // The detail names the options with the very numbers of the suggestion, and what the series reached.
  const std::string detail = j["detail"];
  EXPECT_THAT(detail, HasSubstr("--min-spacing " + spacingText));
  EXPECT_THAT(detail, HasSubstr("--min-angle " + angleText));
  EXPECT_THAT(detail, HasSubstr("Наибольшее расстояние между точками четвёрки"));
  EXPECT_THAT(detail, ::testing::Not(HasSubstr("Настройки")));

  const CliRun passing =
      cli(s.computeArgs({"--json", "--min-spacing", spacingText, "--min-angle", angleText}));
  ASSERT_EQ(passing.status, 0) << passing.out << passing.err;
  const Json p = Json::parse(passing.out);
  EXPECT_EQ(p["status"], "ok");
  EXPECT_GT(p["valueCount"].get<long long>(), 2);
  EXPECT_TRUE(p["suggestedSettings"].is_null());

  // The human output prints the same detail under the error.
  const CliRun human = cli(s.computeArgs(c.settings));
  EXPECT_EQ(human.status, 1);
  EXPECT_THAT(human.err, HasSubstr("--min-spacing " + spacingText));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, KavoCliRejected,
    ::testing::Values(RejectedCase{"SpacingBeyondTheSeries", {"--min-spacing", "99"}, "--min-angle", 30.0},
                      RejectedCase{"AngleBeyondAnyQuadruple", {"--min-angle", "60"}, "--min-spacing", 30.0},
                      RejectedCase{"BothBeyond", {"--min-spacing", "99", "--min-angle", "60"}, "", 0.0}),
    [](const auto& test) { return std::string(test.param.name); });

} // namespace
} // namespace kavo::testing
