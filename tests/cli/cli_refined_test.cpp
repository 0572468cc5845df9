// kavo-cli and the refined result: the JSON members beside the classic keys, the human lines, the
// report file and the value Save writes.
#include "cli_fixture.h"
#include "datafiles/camera_file.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <cmath>

namespace kavo::testing {
namespace {

using Json = nlohmann::ordered_json;
using ::testing::HasSubstr;
using ::testing::Not;

// A synthetic series written by kavo-cli synth into a fresh folder.
struct SynthSeries {
  explicit SynthSeries(std::vector<std::string> options) {
    std::vector<std::string> args{"synth", "--out", folder.path()};
    args.insert(args.end(), options.begin(), options.end());
    const CliRun r = cli(args);
    EXPECT_EQ(r.status, 0) << r.err;
  }
  std::vector<std::string> computeArgs(std::vector<std::string> extra) const {
    std::vector<std::string> args{"compute",
                                  "--camera",
                                  folder.file("camera.cam"),
                                  "--scene",
                                  folder.file("scene.crd"),
                                  "--list",
                                  folder.file("series.lst"),
                                  "--decimal-separator",
                                  ".",
                                  "--threads",
                                  "1"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  TempFolder folder;
};

std::vector<std::string> keysOf(const Json& object) {
  std::vector<std::string> keys;
  for (const auto& item : object.items()) {
    keys.push_back(item.key());
  }
  return keys;
}

// A target tilted by 8° about its horizontal axis: the classic mean moves, the refined fit does not.
TEST(KavoCliRefined, TiltedSeriesGivesEveryMemberWithPlausibleNumbers) {
  const SynthSeries s({"--tilt", "8", "--noise", "0.05", "--images", "8", "--seed", "5"});
  const CliRun r = cli(s.computeArgs({"--json"}));
  ASSERT_EQ(r.status, 0) << r.err;
  const Json j = Json::parse(r.out);
  EXPECT_EQ(j["status"], "ok");
  EXPECT_EQ(keysOf(j), (std::vector<std::string>{
                           "status", "message", "caption", "detail", "warnings", "valueCount", "meanValue",
                           "deviation", "standardDeviation", "shown", "uncertainty", "classicCorrected",
                           "refined", "suggestedSettings", "written", "schemaVersion", "kavoVersion"}));

  const Json& u = j["uncertainty"];
  EXPECT_EQ(keysOf(u), (std::vector<std::string>{"standardError", "interval95", "method"}));
  ASSERT_TRUE(u["interval95"].is_array());
  const double classicLow = u["interval95"][0], classicHigh = u["interval95"][1];
  EXPECT_GT(u["standardError"].get<double>(), 0.0);
  EXPECT_LT(classicLow, classicHigh);
  EXPECT_TRUE(u["method"].is_string());
  // The classic mean is shifted by the tilt; its own interval holds it (and not the truth).
  const double mean = j["meanValue"];
  EXPECT_LT(mean, 1800.0 * 0.99);
  EXPECT_LT(classicLow, mean);
  EXPECT_GT(classicHigh, mean);
  EXPECT_LT(classicHigh, 1800.0);
  // The corrected estimate takes the formula's shift off, and its interval holds the truth.
  const Json& c = j["classicCorrected"];
  EXPECT_EQ(keysOf(c), (std::vector<std::string>{"focal", "shift", "standardError", "interval95", "method"}));
  EXPECT_NEAR(c["focal"].get<double>(), 1800.0, 1800.0 * 0.001);
  EXPECT_NEAR(c["focal"].get<double>() + c["shift"].get<double>(), mean, 1e-9 * mean);
  EXPECT_LT(c["shift"].get<double>(), -0.01 * 1800.0);
  EXPECT_LT(c["interval95"][0].get<double>(), 1800.0);
  EXPECT_GT(c["interval95"][1].get<double>(), 1800.0);
  EXPECT_GT(c["standardError"].get<double>(), u["standardError"].get<double>());
  EXPECT_TRUE(c["method"].is_string());

  const Json& f = j["refined"];
  EXPECT_EQ(keysOf(f),
            (std::vector<std::string>{"status", "message", "focal", "standardError", "interval95",
                                      "principalPoint", "distortion", "tiltDegrees", "railDegrees",
                                      "reprojectionRms", "images", "steps", "stepAccuracy", "warnings"}));
  EXPECT_EQ(f["status"], "ok");
  EXPECT_TRUE(f["message"].is_null());
  const double focal = f["focal"];
  EXPECT_NEAR(focal, 1800.0, 1800.0 * 0.0005);
  EXPECT_LT(f["interval95"][0].get<double>(), focal);
  EXPECT_GT(f["interval95"][1].get<double>(), focal);
  EXPECT_GT(f["standardError"].get<double>(), 0.0);
  EXPECT_NEAR(f["principalPoint"][0].get<double>(), 1000.0, 2.0);
  EXPECT_NEAR(f["principalPoint"][1].get<double>(), 750.0, 2.0);
  EXPECT_EQ(keysOf(f["distortion"]), (std::vector<std::string>{"k1", "k2"}));
  EXPECT_LT(std::fabs(f["distortion"]["k1"].get<double>()), 0.01);
  EXPECT_NEAR(f["tiltDegrees"].get<double>(), 8.0, 0.5);
  // A target tilted this much shows the rail's direction: along the axis here, and not warned of.
  ASSERT_TRUE(f["railDegrees"].is_array());
  EXPECT_LT(std::fabs(f["railDegrees"][0].get<double>()), 0.3);
  EXPECT_LT(std::fabs(f["railDegrees"][1].get<double>()), 0.3);
  EXPECT_THAT(f["warnings"].dump(), Not(HasSubstr("Камера движется не вдоль своей оси")));
  // Seven steps show their own scatter: no stated accuracy taken.
  EXPECT_TRUE(f["stepAccuracy"].is_null());
  EXPECT_GT(f["reprojectionRms"].get<double>(), 0.02);
  EXPECT_LT(f["reprojectionRms"].get<double>(), 0.2);

  ASSERT_EQ(f["images"].size(), 8u);
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(keysOf(f["images"][i]), (std::vector<std::string>{"image", "rms"}));
    EXPECT_EQ(f["images"][i]["image"], i + 1);
    EXPECT_LT(f["images"][i]["rms"].get<double>(), 0.2);
  }
  ASSERT_EQ(f["steps"].size(), 7u);
  for (std::size_t i = 0; i < 7; ++i) {
    const Json& step = f["steps"][i];
    EXPECT_EQ(keysOf(step), (std::vector<std::string>{"after", "stated", "measured", "suspect"}));
    EXPECT_EQ(step["after"], i + 1);
    EXPECT_EQ(step["stated"], 25.0);
    EXPECT_NEAR(step["measured"].get<double>(), 25.0, 0.2);
    EXPECT_FALSE(step["suspect"].get<bool>());
  }
  ASSERT_TRUE(f["warnings"].is_array());
  EXPECT_THAT(f["warnings"].dump(), HasSubstr("Мишень наклонена на 8"));

  // The human output names the refined line and its interval; the warning goes to the error stream.
  const CliRun human = cli(s.computeArgs({}));
  EXPECT_EQ(human.status, 0);
  EXPECT_THAT(human.out, HasSubstr("Уточнённое фокусное расстояние (пикс.): 1800."));
  EXPECT_THAT(human.out, HasSubstr("95 % интервал: "));
  EXPECT_THAT(human.err, HasSubstr("Предупреждение: Мишень наклонена на 8"));
}

// Two images barely apart: the refined fit cannot pin the focal length down and says so; the classic
// result stands, and so does the exit status.
TEST(KavoCliRefined, AFailedRefinedFitKeepsTheClassicResult) {
  const SynthSeries s({"--images", "2", "--step", "0.5", "--noise", "0.5"});
  const CliRun r = cli(s.computeArgs({"--json", "--values-out", s.folder.file("values.txt")}));
  EXPECT_EQ(r.status, 0) << r.err;
  const Json j = Json::parse(r.out);
  EXPECT_EQ(j["status"], "ok");
  EXPECT_TRUE(j["shown"]["focal"].is_string());
  EXPECT_GT(j["valueCount"].get<long long>(), 0);
  const Json& f = j["refined"];
  EXPECT_EQ(f["status"], "failed");
  EXPECT_THAT(f["message"].get<std::string>(), HasSubstr("Уточнение не выполнено"));
  for (const char* key : {"focal", "standardError", "interval95", "principalPoint", "distortion",
                          "tiltDegrees", "reprojectionRms"}) {
    EXPECT_TRUE(f[key].is_null()) << key;
  }
  EXPECT_TRUE(f["images"].empty());
  EXPECT_TRUE(f["steps"].empty());
  // Two images leave no spread over images for the classic interval: null members, and why.
  EXPECT_TRUE(j["uncertainty"]["interval95"].is_null());
  EXPECT_TRUE(j["uncertainty"]["standardError"].is_null());
  EXPECT_TRUE(j["uncertainty"]["method"].is_null());
  EXPECT_TRUE(fs::exists(s.folder.file("values.txt")));

  const CliRun human = cli(s.computeArgs({}));
  EXPECT_EQ(human.status, 0);
  EXPECT_THAT(human.out, HasSubstr("Уточнённое фокусное расстояние: не вычислено. Уточнение не выполнено"));
}

// With the refined fit switched off, both members are null. Without a classic value (no quadruple
// passes the spacing test) the refined fit is made all the same and is the very fit of a run that
// passes, while the classic keys and the exit status say that there is no result.
TEST(KavoCliRefined, NoClassicValueStillRefinesAndNoRefineLeavesBothMembersNull) {
  SeriesCopy s;
  const Json off = Json::parse(cli(s.computeArgs({"--json", "--no-refine"})).out);
  EXPECT_TRUE(off["uncertainty"].is_null());
  EXPECT_TRUE(off["classicCorrected"].is_null());
  EXPECT_TRUE(off["refined"].is_null());
  const CliRun human = cli(s.computeArgs({"--no-refine"}));
  EXPECT_EQ(human.status, 0);
  EXPECT_EQ(human.out, "Фокусное расстояние (пикс.): 1799.7003\nСреднеквадратическое отклонение: 9.1391\n"
                       "Стандартное отклонение: 0.2547\nКоличество значений: 1314\n");

  const Json passing = Json::parse(cli(s.computeArgs({"--json"})).out);
  const CliRun strictRun = cli(s.computeArgs({"--json", "--min-spacing", "99"}));
  EXPECT_EQ(strictRun.status, 1);
  const Json strict = Json::parse(strictRun.out);
  EXPECT_EQ(strict["status"], "noResult");
  EXPECT_TRUE(strict["meanValue"].is_null());
  ASSERT_EQ(strict["refined"]["status"], "ok") << strict["refined"].dump();
  EXPECT_EQ(strict["refined"]["focal"], passing["refined"]["focal"]);
  EXPECT_EQ(strict["refined"]["interval95"], passing["refined"]["interval95"]);
  EXPECT_TRUE(strict["uncertainty"]["interval95"].is_null());
  EXPECT_TRUE(strict["classicCorrected"]["focal"].is_null());
  EXPECT_TRUE(strict["classicCorrected"]["interval95"].is_null());
  EXPECT_THAT(strict["refined"]["warnings"].dump(), HasSubstr("классических значений нет"));

  const CliRun strictHuman = cli(s.computeArgs({"--min-spacing", "99"}));
  EXPECT_EQ(strictHuman.status, 1);
  EXPECT_THAT(strictHuman.err, HasSubstr("Неправильные входные данные! Измените параметры!"));
  EXPECT_THAT(strictHuman.out, HasSubstr("Уточнённое фокусное расстояние (пикс.): "));
  EXPECT_EQ(strictHuman.out.find("Фокусное расстояние (пикс.)"), std::string::npos) << strictHuman.out;
}

// --report writes the page of the run: its numbers, the refined result and the digests of the files
// it read; a run without a result is reported too, with the reason.
TEST(KavoCliRefined, ReportHoldsTheRunAndItsInputsDigests) {
  SeriesCopy s;
  const CliRun r = cli(s.computeArgs({"--report", s.path("report.html")}));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string page = fileText(s.path("report.html"));
  for (const char* shown : {">1799.7003<", ">9.1391<", ">0.2547<", ">1314<", "Уточнённый результат",
                            "Расстояние от камеры до мишени по изображениям", "Невязки изображения",
                            // sha256sum of the bundled camera, scene and list files
                            "fdf59404657c9a6a9aef6b62555a92616554c066667a162adbb3a60b5020e5e0",
                            "13c39b075e8ef0efe15bc3e52f25f28d5cec1489a061f236551a38a6141b131f",
                            "596f2d85ede782f9388e9792618131de1c114ffda1116a8481804f1bbcbe88d8"}) {
    EXPECT_THAT(page, HasSubstr(shown));
  }
  EXPECT_THAT(page, HasSubstr(s.path("correction.txt")));
  EXPECT_THAT(page, HasSubstr(s.path("img06.crd")));
  EXPECT_THAT(page, ::testing::Not(HasSubstr("не вычислена")));

  // Without a classic value the page says why, and still shows the refined fit and its plots; with
  // neither, it says that there is no refined estimate.
  const CliRun none = cli(s.computeArgs({"--min-spacing", "99", "--report", s.path("none.html")}));
  EXPECT_EQ(none.status, 1);
  const std::string nonePage = fileText(s.path("none.html"));
  EXPECT_THAT(nonePage, HasSubstr("Фокусное расстояние не вычислено: Неправильные входные данные!"));
  EXPECT_THAT(nonePage, HasSubstr("Уточнённый результат"));
  EXPECT_THAT(nonePage, HasSubstr("Невязки изображения"));
  EXPECT_THAT(nonePage, HasSubstr("fdf59404657c9a6a9aef6b62555a92616554c066667a162adbb3a60b5020e5e0"));
  const CliRun neither =
      cli(s.computeArgs({"--min-spacing", "99", "--no-refine", "--report", s.path("neither.html")}));
  EXPECT_EQ(neither.status, 1);
  EXPECT_THAT(fileText(s.path("neither.html")), HasSubstr("Уточнённой оценки нет"));
}

// --save-value refined writes the refined focal length on line 4 with a comment saying so; it reads
// back as the focal length. Without a refined result nothing is written and the run fails.
TEST(KavoCliRefined, SaveValueRefinedWritesTheRefinedFocalLength) {
  SeriesCopy s;
  const CliRun r = cli(s.computeArgs({"--json", "--save", s.path("refined.cam"), "--save-value", "refined"}));
  ASSERT_EQ(r.status, 0) << r.err;
  const double refined = Json::parse(r.out)["refined"]["focal"];
  const auto lines = loadLines(s.path("refined.cam")).lines;
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_THAT(lines[3], HasSubstr("уточнённое"));
  double cx = 0, cy = 0, focal = 0, width = 0, height = 0;
  std::vector<std::string> table;
  ASSERT_TRUE(ReadCameraFile(s.path("refined.cam"), cx, cy, table, focal, width, height, '.').ok);
  EXPECT_NEAR(focal, refined, 0.00005);
  EXPECT_NE(lines[3].substr(0, 9), "1799.7003");
  const auto original = s.lines("camera.cam");
  for (std::size_t i : {0u, 1u, 2u, 4u, 5u, 6u, 7u}) {
    EXPECT_EQ(lines[i], original[i]);
  }

  const SynthSeries failed({"--images", "2", "--step", "0.5", "--noise", "0.5"});
  const CliRun refused =
      cli(failed.computeArgs({"--save", failed.folder.file("refined.cam"), "--save-value", "refined"}));
  EXPECT_EQ(refused.status, 1);
  EXPECT_THAT(refused.err, HasSubstr("Уточнённое значение не получено"));
  EXPECT_FALSE(fs::exists(failed.folder.file("refined.cam")));
  EXPECT_EQ(cli(s.computeArgs({"--save-value", "refined", "--no-refine"})).status, 2);
}

// Three images: two steps cannot show their scatter, and the intervals rest on --step-accuracy, named
// in refined.stepAccuracy and a warning; a stated accuracy that is no length is refused.
TEST(KavoCliRefined, StepAccuracyCarriesTheIntervalsOfAShortSeries) {
  const SynthSeries s({"--images", "3", "--noise", "0.05", "--tilt", "3", "--step-jitter", "0.05"});
  const Json given = Json::parse(cli(s.computeArgs({"--json"})).out);
  ASSERT_EQ(given["refined"]["status"], "ok") << given.dump();
  EXPECT_EQ(given["refined"]["stepAccuracy"], 0.05);
  EXPECT_THAT(given["refined"]["warnings"].dump(), HasSubstr("Шагов слишком мало (2)"));
  const Json coarse = Json::parse(cli(s.computeArgs({"--json", "--step-accuracy", "0.2"})).out);
  EXPECT_EQ(coarse["refined"]["stepAccuracy"], 0.2);
  const auto width = [](const Json& j) {
    return j["interval95"][1].get<double>() - j["interval95"][0].get<double>();
  };
  EXPECT_GT(width(coarse["refined"]), 2.5 * width(given["refined"]));
  EXPECT_GT(width(coarse["uncertainty"]), width(given["uncertainty"]));
  EXPECT_EQ(coarse["meanValue"], given["meanValue"]); // the classic value itself is as ever
  for (const char* bad : {"-0.1", "abc"}) {
    const CliRun refused = cli(s.computeArgs({"--step-accuracy", bad}));
    EXPECT_EQ(refused.status, 2) << bad;
  }
}

// A rail 3° off the axis under a target tilted 5°: found, reported and kept out of the focal length.
TEST(KavoCliRefined, ARailOffTheAxisIsReported) {
  const SynthSeries s({"--tilt", "5", "--rail", "0,3", "--noise", "0.05"});
  const CliRun r = cli(s.computeArgs({"--json"}));
  ASSERT_EQ(r.status, 0) << r.err;
  const Json j = Json::parse(r.out);
  const Json& f = j["refined"];
  ASSERT_TRUE(f["railDegrees"].is_array()) << f.dump();
  EXPECT_NEAR(f["railDegrees"][0].get<double>(), 0.0, 0.2);
  EXPECT_NEAR(f["railDegrees"][1].get<double>(), 3.0, 0.2);
  EXPECT_NEAR(f["focal"].get<double>(), 1800.0, 0.5);
  EXPECT_THAT(f["warnings"].dump(),
              HasSubstr("Камера движется не вдоль своей оси: ход отклонён от оси на 3.0°"));
  EXPECT_EQ(cli(s.computeArgs({"--json", "--circle-radius", "-1"})).status, 2);
}

} // namespace
} // namespace kavo::testing
