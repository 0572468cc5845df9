// kavo-cli's report when there is no focal length, and the files a run writes besides it.
#include "cli_fixture.h"

#include <nlohmann/json.hpp>

namespace kavo::testing {
namespace {

// No quadruple passes the layout tests: no value, no focal length, a status of its own.
TEST(KavoCli, NoValueHasItsOwnStatus) {
  SeriesCopy s;
  const CliRun r = cli(s.computeArgs({"--json", "--min-spacing", "99"}));
  EXPECT_EQ(r.status, 1);
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["status"], "noResult");
  EXPECT_EQ(j["message"], "Неправильные входные данные! Измените параметры!");
  EXPECT_EQ(j["caption"], "Ошибка!");
  EXPECT_NE(j["detail"].get<std::string>().find("ни одна четвёрка"), std::string::npos);
  EXPECT_EQ(j["valueCount"], 0);
  EXPECT_TRUE(j["meanValue"].is_null());
  EXPECT_TRUE(j["shown"]["focal"].is_null());

  const CliRun human = cli(s.computeArgs({"--min-spacing", "99", "--no-refine"}));
  EXPECT_EQ(human.status, 1);
  EXPECT_TRUE(human.out.empty());
  EXPECT_NE(human.err.find("Неправильные входные данные! Измените параметры!"), std::string::npos);
}

// The files a run writes besides its report. A failed one makes the exit status 1 and is named in
// the warnings; the result itself is still reported, and the other outputs are still written.
struct OutputCase {
  const char* name;
  std::vector<std::string> options; // "@" stands for the series folder
  const char* status;
  const char* warningMentions;
  const char* stillWritten; // a file the run writes although another output failed ("" for none)
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const OutputCase& c, std::ostream* os) {
  *os << c.name;
}

const OutputCase kOutputs[] = {
    {"ValuesFolderMissing",
     {"--values-out", "@/no/such/values.txt", "--save", "@/saved.cam"},
     "ok",
     "значения не записаны",
     "saved.cam"},
    {"PictureFolderMissing",
     {"--histogram-out", "@/no/such/d.bmp", "--values-out", "@/values.txt"},
     "ok",
     "рисунок не записан",
     "values.txt"},
    {"SaveFolderMissing", {"--save", "@/no/such/saved.cam"}, "ok", "Ошибка записи cam-файла!", ""},
    {"ReportFolderMissing",
     {"--report", "@/no/such/report.html", "--save", "@/saved.cam"},
     "ok",
     "Ошибка записи отчёта!",
     "saved.cam"},
    {"SaveWithoutAResult",
     {"--save", "@/saved.cam", "--min-spacing", "99", "--no-refine"},
     "noResult",
     "результата нет",
     ""},
};

class OutputFailure : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OutputFailure, ExitsWithOneAndSaysWhichOutput) {
  const OutputCase& c = GetParam();
  SeriesCopy s;
  std::vector<std::string> options{"--json"};
  for (std::string option : c.options) {
    if (option.front() == '@') {
      option = s.folder.path() + option.substr(1);
    }
    options.push_back(option);
  }
  const CliRun r = cli(s.computeArgs(options));
  EXPECT_EQ(r.status, 1) << r.out;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["status"], c.status);
  const std::string warnings = j["warnings"].dump();
  EXPECT_NE(warnings.find(c.warningMentions), std::string::npos) << warnings;
  if (std::string(c.status) == "ok") {
    EXPECT_EQ(j["shown"]["focal"], "1799.7003");
  }
  if (*c.stillWritten != 0) {
    EXPECT_TRUE(fs::exists(s.path(c.stillWritten)));
  }
  EXPECT_FALSE(fs::exists(s.path("saved.cam")) && std::string(c.status) != "ok");
  // Nothing half-written is left behind.
  for (const auto& entry : fs::directory_iterator(s.folder.path())) {
    EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
  }
}

INSTANTIATE_TEST_SUITE_P(Table, OutputFailure, ::testing::ValuesIn(kOutputs),
                         [](const auto& p) { return std::string(p.param.name); });

// A detail with quotes and a line break in a file name still makes a JSON object that parses.
TEST(KavoCli, JsonEscapesWhatTheMessagesQuote) {
  SeriesCopy s;
  const std::string odd = s.path("odd \"name\"\n.cam");
  auto args = s.computeArgs({"--json"});
  args[2] = odd;
  const CliRun r = cli(args);
  EXPECT_EQ(r.status, 1);
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["status"], "stopped");
  EXPECT_EQ(j["message"], "Ошибка чтения cam-файла!");
  EXPECT_NE(j["detail"].get<std::string>().find("odd \"name\""), std::string::npos) << r.out;
}

} // namespace
} // namespace kavo::testing
