#include "cli/compute_report.h"
#include "cli/compute_run.h"
#include "cli/values_file.h"
#include "cli_fixture.h"
#include "platform/text_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <unistd.h>

namespace kavo::testing {
namespace {

// The JSON of the sample run is the expected object with the "detail" member in its place, byte for
// byte, followed by the refined result's two members.
TEST(KavoCli, SampleSeriesGivesTheExpectedJsonAndValues) {
  SeriesCopy s;
  const CliRun r = cli(s.computeArgs({"--json", "--values-out", s.path("values.txt")}));
  EXPECT_EQ(r.status, 0) << r.err;
  std::string expected = fileText(kSample / "series.expected.json");
  expected.insert(expected.find(" \"warnings\""), " \"detail\": null,\n");
  while (!expected.empty() && (expected.back() == '\n' || expected.back() == '\r')) {
    expected.pop_back();
  }
  const std::size_t added = r.out.find(",\n \"uncertainty\": {");
  ASSERT_NE(added, std::string::npos) << r.out;
  EXPECT_EQ(r.out.substr(0, added) + "\n}", expected);
  const auto json = nlohmann::ordered_json::parse(r.out);
  std::vector<std::string> keys;
  for (const auto& item : json.items()) {
    keys.push_back(item.key());
  }
  EXPECT_EQ(keys.size(), 17u);
  EXPECT_EQ(keys[10], "uncertainty");
  EXPECT_EQ(keys[11], "classicCorrected");
  EXPECT_EQ(keys[12], "refined");
  EXPECT_EQ(keys[13], "suggestedSettings");
  EXPECT_EQ(keys[14], "written");
  EXPECT_EQ(keys[15], "schemaVersion");
  EXPECT_EQ(keys[16], "kavoVersion");
  EXPECT_EQ(json["schemaVersion"], 1);
  EXPECT_EQ(json["kavoVersion"], KAVO_VERSION);
  EXPECT_TRUE(json["suggestedSettings"].is_null());
  EXPECT_EQ(json["written"], nlohmann::ordered_json::array({s.path("values.txt")}));
  EXPECT_EQ(json["refined"]["status"], "ok");
  EXPECT_EQ(fileText(s.path("values.txt")), fileText(kSample / "series.values.txt"));
}

// The window's three fields and the count as before, then the classic interval and the refined line.
TEST(KavoCli, HumanSummaryShowsTheThreeFieldsAndTheCount) {
  SeriesCopy s;
  const CliRun r = cli(s.computeArgs());
  EXPECT_EQ(r.status, 0);
  const std::string classic =
      "Фокусное расстояние (пикс.): 1799.7003\nСреднеквадратическое отклонение: 9.1391\n"
      "Стандартное отклонение: 0.2547\nКоличество значений: 1314\n";
  ASSERT_EQ(r.out.substr(0, classic.size()), classic);
  const std::string added = r.out.substr(classic.size());
  EXPECT_THAT(added,
              ::testing::MatchesRegex(
                  "95 % интервал классического значения: 17[0-9]{2}\\.[0-9]{4} … "
                  "18[0-9]{2}\\.[0-9]{4}\n"
                  "Классическая оценка с поправкой на геометрию \\(пикс\\.\\): 1[78][0-9]{2}\\.[0-9]{4}, "
                  "95 % интервал: 1[78][0-9]{2}\\.[0-9]{4} … 18[0-9]{2}\\.[0-9]{4}\n"
                  "Уточнённое фокусное расстояние \\(пикс\\.\\): 1[78][0-9]{2}\\.[0-9]{4}, "
                  "95 % интервал: 1[78][0-9]{2}\\.[0-9]{4} … 18[0-9]{2}\\.[0-9]{4}\n"));
}

// The sample series with a line 9 in its camera file, as detect writes it for photos that state their
// focal length: 20 % off the result warns in the JSON's warnings, which names the value or values
// shown, and the JSON carries the EXIF value; 5 % off does not warn. The classic numbers stay the
// sample's.
TEST(KavoCli, ExifFocalLengthOfTheCameraFileChecksTheResult) {
  struct Case {
    const char* exif;
    bool refine;
    const char* warningStart; // "" when none
  };
  const Case cases[] = {
      {"2159.6", false,
       "Фокусное расстояние по EXIF 2159.6 пикс. отличается от результата 1799.7 более чем на 10 %: "
       "проверьте, не менялись ли зум и фокус, и шаги камеры"},
      {"1889.7", false, ""},
      {"2159.6", true,
       "Фокусное расстояние по EXIF 2159.6 пикс. отличается от классического результата 1799.7 и от "
       "уточнённого 1"},
      {"1889.7", true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.exif) + (c.refine ? " refined" : " classic only"));
    SeriesCopy s;
    auto lines = s.lines("camera.cam");
    ASSERT_EQ(lines.size(), 8u);
    lines.push_back(std::string(c.exif) + " ; Фокусное расстояние по EXIF (пикс.)");
    s.write("camera.cam", lines);
    const std::vector<std::string> extra =
        c.refine ? std::vector<std::string>{"--json"} : std::vector<std::string>{"--json", "--no-refine"};
    const CliRun r = cli(s.computeArgs(extra));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["meanValue"], 1799.7003262444346);
    EXPECT_EQ(json["deviation"], 9.139082288074222);
    EXPECT_EQ(json["standardDeviation"], 0.2546505721038534);
    EXPECT_EQ(json["exifFocalLength"], std::stod(c.exif));
    std::vector<std::string> exifWarnings;
    for (const auto& w : json["warnings"]) {
      if (w.get<std::string>().find("EXIF") != std::string::npos) {
        exifWarnings.push_back(w);
      }
    }
    if (std::string(c.warningStart).empty()) {
      EXPECT_TRUE(exifWarnings.empty()) << exifWarnings.front();
      continue;
    }
    ASSERT_EQ(exifWarnings.size(), 1u);
    EXPECT_EQ(exifWarnings[0].rfind(c.warningStart, 0), 0u) << exifWarnings[0];
  }
  // The human summary: the warning on stderr, the EXIF value beside the result on stdout.
  SeriesCopy s;
  auto lines = s.lines("camera.cam");
  lines.push_back("2159.6 ; Фокусное расстояние по EXIF (пикс.)");
  s.write("camera.cam", lines);
  const CliRun text = cli(s.computeArgs({"--no-refine"}));
  EXPECT_EQ(text.status, 0);
  EXPECT_THAT(text.err,
              ::testing::HasSubstr("Предупреждение: Фокусное расстояние по EXIF 2159.6 пикс. отличается"));
  EXPECT_THAT(text.out, ::testing::HasSubstr("Фокусное расстояние (пикс.): 1799.7003\n"));
  EXPECT_THAT(text.out, ::testing::HasSubstr("Фокусное расстояние по EXIF (пикс.): 2159.6\n"));
}

// Hostile inputs: the exact message of the window, a detail naming what was wrong, exit 1.
struct HostileCase {
  const char* name;
  std::function<void(const SeriesCopy&)> spoil;
  const char* status;
  const char* message;
  const char* detailMentions;
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const HostileCase& c, std::ostream* os) {
  *os << c.name;
}

std::vector<std::string> firstLines(std::vector<std::string> lines, std::size_t n) {
  lines.resize(n);
  return lines;
}

const HostileCase kHostile[] = {
    {"CameraFileOfFiveLines",
     [](const SeriesCopy& s) { s.write("camera.cam", firstLines(s.lines("camera.cam"), 5)); }, "stopped",
     "Ошибка чтения cam-файла!", "camera.cam"},
    {"SceneLineWithThreeFields",
     [](const SeriesCopy& s) {
       auto l = s.lines("scene.crd");
       l[3] = "600 ; 0 ; 0";
       s.write("scene.crd", l);
     },
     "stopped", "Ошибка чтения файла сцены!", "scene.crd"},
    {"ImageOfThreePoints",
     [](const SeriesCopy& s) { s.write("img04.crd", firstLines(s.lines("img04.crd"), 3)); }, "stopped",
     "Недостаточно точек! Процедура прервана!", "img04.crd"},
    {"ListLineNeitherNameNorNumber",
     [](const SeriesCopy& s) {
       auto l = s.lines("series.lst");
       l[1] = "IMG1.CRD";
       s.write("series.lst", l);
     },
     "stopped", "Внутренняя ошибка! Проверьте входные данные.", "series.lst"},
    {"EmptySceneFile", [](const SeriesCopy& s) { s.write("scene.crd", {}); }, "stopped",
     "Недостаточно точек! Процедура прервана!", "scene.crd"},
    {"BrokenCorrectionTable", [](const SeriesCopy& s) { s.write("correction.txt", {"1"}); }, "stopped",
     "Ошибка чтения файла координат точек изображения!", "img01.crd"},
    {"TwoIdenticalImages",
     [](const SeriesCopy& s) {
       s.write("series.lst", {"img01.crd", "img01.crd", "25"});
     },
     "abandoned", nullptr, "Счёт прерван"},
};

class HostileInput : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileInput, ReportsTheMessageAndExitsWithOne) {
  const HostileCase& c = GetParam();
  SeriesCopy s;
  c.spoil(s);
  const CliRun json = cli(s.computeArgs({"--json"}));
  EXPECT_EQ(json.status, 1);
  EXPECT_NE(json.out.find(std::string("\"status\": \"") + c.status + "\""), std::string::npos) << json.out;
  if (c.message != nullptr) {
    EXPECT_NE(json.out.find(std::string("\"message\": \"") + c.message + "\""), std::string::npos)
        << json.out;
  } else {
    EXPECT_NE(json.out.find("\"message\": null"), std::string::npos) << json.out;
  }
  const auto detail = json.out.find("\"detail\": \"");
  ASSERT_NE(detail, std::string::npos) << json.out;
  EXPECT_NE(json.out.find(c.detailMentions, detail), std::string::npos) << json.out;

  const CliRun human = cli(s.computeArgs());
  EXPECT_EQ(human.status, 1);
  EXPECT_TRUE(human.out.empty()) << human.out;
  if (c.message != nullptr) {
    EXPECT_NE(human.err.find(c.message), std::string::npos) << human.err;
  }
  EXPECT_NE(human.err.find(c.detailMentions), std::string::npos) << human.err;
}

INSTANTIATE_TEST_SUITE_P(Table, HostileInput, ::testing::ValuesIn(kHostile),
                         [](const auto& p) { return std::string(p.param.name); });

// --save writes the copy as Save does; run again on it, the question becomes a warning.
TEST(KavoCli, SavedCopyHoldsTheResultAndTheQuestionBecomesAWarning) {
  SeriesCopy s;
  ASSERT_EQ(cli(s.computeArgs({"--save", s.path("cameraF.cam")})).status, 0);
  const auto copy = s.lines("cameraF.cam");
  const auto original = s.lines("camera.cam");
  ASSERT_EQ(copy.size(), original.size());
  EXPECT_EQ(copy[3], "1799.7003 ; Фокусное расстояние(пикс.).  СКО = 9.1391;  Ст.откл. = 0.2547");
  EXPECT_EQ(copy[4], original[4]);

  auto args = s.computeArgs({"--json"});
  args[2] = s.path("cameraF.cam");
  const CliRun again = cli(args);
  EXPECT_EQ(again.status, 0);
  EXPECT_NE(
      again.out.find("\"warnings\": [\n  \"Фокусное расстояние уже вычислено. Продолжить работу?\"\n ]"),
      std::string::npos)
      << again.out;
}

TEST(KavoCli, DebugModeTakesTheUnclippedNumbersAndPrintsTheMemo) {
  SeriesCopy s;
  const CliRun r = cli(s.computeArgs({"--mode", "debug"}));
  EXPECT_EQ(r.status, 0);
  // The listing of the values comes first: a heading and 1314 lines, then the three fields.
  EXPECT_EQ(r.out.rfind("-------Результаты счёта-------\n", 0), 0u);
  EXPECT_NE(r.out.find("Общее количество используемых переборов:  1314\n"), std::string::npos);
  std::istringstream values(fileText(kSample / "series.values.txt"));
  double sum = 0.0;
  int n = 0;
  for (double v; values >> v; ++n) {
    sum += v;
  }
  ASSERT_EQ(n, 1314);
  const CliRun json = cli(s.computeArgs({"--mode", "debug", "--json"}));
  const auto at = json.out.find("\"meanValue\": ");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(std::strtod(json.out.c_str() + at + 13, nullptr), sum / n);
}

// The picture is drawn and encoded without Qt: a 24-bit bitmap, or PNG by the name.
TEST(KavoCli, HistogramOutput) {
  SeriesCopy s;
  const CliRun r = cli(s.computeArgs({"--histogram-out", s.path("d.bmp")}));
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string bmp = fileText(s.path("d.bmp"));
  ASSERT_GT(bmp.size(), 54u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(bmp[28], 24);
  EXPECT_EQ(bmp.size(), 54u + 900u * 3u * 580u);
  const CliRun png = cli(s.computeArgs({"--histogram-out", s.path("d.png")}));
  EXPECT_EQ(png.status, 0) << png.err;
  EXPECT_EQ(fileText(s.path("d.png")).substr(0, 8), "\x89PNG\r\n\x1a\n");
}

TEST(KavoCli, InterruptionBeforeTheEndExitsWith130) {
  SeriesCopy s;
  ComputeRequest request;
  request.run.cameraFile = s.path("camera.cam");
  request.run.sceneFile = s.path("scene.crd");
  request.run.listFile = s.path("series.lst");
  request.run.imageFolder = s.folder.path();
  const std::atomic<bool> interrupted{true};
  std::ostringstream out, err;
  const ComputeResult result = runCompute(request, interrupted, out, err);
  EXPECT_EQ(result.exitStatus, 130);
  EXPECT_EQ(std::string(computeStatusName(result.run.status)), "abandoned");
  EXPECT_NE(toJson(result).find("остановлен"), std::string::npos);
}

TEST(KavoCli, NoiseFreeSyntheticSeriesGivesItsTrueFocalLength) {
  const fs::path dir = fs::temp_directory_path() / ("kavo-cli-synth-" + std::to_string(getpid()));
  const CliRun made =
      cli({"synth", "--out", dir.string(), "--grid", "6x5", "--focal", "2400", "--images", "5"});
  ASSERT_EQ(made.status, 0) << made.err;
  const CliRun r =
      cli({"compute", "--camera", (dir / "camera.cam").string(), "--scene", (dir / "scene.crd").string(),
           "--list", (dir / "series.lst").string(), "--decimal-separator", "."});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Фокусное расстояние (пикс.): 2400.0000\n", 0), 0u) << r.out;
  fs::remove_all(dir);
}

// The enumeration split over threads gives the same list, bit for bit, and the same numbers.
TEST(KavoCli, OneThreadAndTwoThreadsAgree) {
  const fs::path dir = fs::temp_directory_path() / ("kavo-cli-threads-" + std::to_string(getpid()));
  ASSERT_EQ(cli({"synth", "--out", dir.string(), "--grid", "6x6", "--images", "7", "--noise", "0.3"}).status,
            0);
  std::string outputs[2];
  for (int t = 0; t < 2; ++t) {
    const std::string values = (dir / ("values" + std::to_string(t) + ".txt")).string();
    const CliRun r =
        cli({"compute", "--camera", (dir / "camera.cam").string(), "--scene", (dir / "scene.crd").string(),
             "--list", (dir / "series.lst").string(), "--decimal-separator", ".", "--json", "--threads",
             std::to_string(t + 1), "--values-out", values});
    ASSERT_EQ(r.status, 0) << r.err;
    auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["written"], nlohmann::json::array({values}));
    json.erase("written"); // names each run's own values file
    outputs[t] = json.dump() + fileText(values);
  }
  EXPECT_EQ(outputs[0], outputs[1]);
  fs::remove_all(dir);
}

struct ArgumentCase {
  std::vector<std::string> args;
  int status;
};

class Arguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(Arguments, BadOnesExitWithTwo) {
  const CliRun r = cli(GetParam().args);
  EXPECT_EQ(r.status, GetParam().status) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Arguments,
    ::testing::Values(
        ArgumentCase{{}, 2}, ArgumentCase{{"--help"}, 0}, ArgumentCase{{"--version"}, 0},
        ArgumentCase{{"compute", "--help"}, 0},
        ArgumentCase{{"compute", "--scene", "s.crd", "--list", "l.lst"}, 2},
        ArgumentCase{{"compute", "--camera", "c", "--scene", "s", "--list", "l", "--bogus"}, 2},
        ArgumentCase{{"compute", "--camera", "c", "--scene", "s", "--list", "l", "--threads", "-1"}, 2},
        ArgumentCase{{"compute", "--camera", "c", "--scene", "s", "--list", "l", "--threads", "100000"}, 2},
        ArgumentCase{{"compute", "--camera", "c", "--scene", "s", "--list", "l", "--mode", "fast"}, 2},
        ArgumentCase{{"compute", "--camera", "c", "--scene", "s", "--list", "l", "--clip-sigma", "x"}, 2},
        ArgumentCase{{"compute", "--camera", "c", "--scene", "s", "--list", "l", "--decimal-separator", ";"},
                     2},
        ArgumentCase{{"compute", "--camera", "c", "--scene", "s", "--list", "l", "--first-image", "2",
                      "--second-image", "2"},
                     2},
        ArgumentCase{{"compute", "--camera", "c", "--scene", "s", "--list", "l", "--first-image", "0"}, 2},
        ArgumentCase{{"synth", "--out", "/tmp/x", "--grid", "7by7"}, 2},
        ArgumentCase{{"synth", "--out", "/tmp/x", "--images", "1"}, 2}, ArgumentCase{{"synth"}, 2}));

// The values file holds each value as the shortest text that reads back to the same double.
TEST(ValuesFile, NumbersReadBackToTheSameDouble) {
  for (double v : {1799.7003262444346, 0.1, 1.0 / 3.0, 1e-300, 5e-324, -2.5, 1e21, 123456789012345680.0,
                   std::numeric_limits<double>::max()}) {
    const std::string text = shortestNumber(v);
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
  }
}

} // namespace
} // namespace kavo::testing
