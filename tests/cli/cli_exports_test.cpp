// kavo-cli compute's exports of the refined camera and the correction table from the fit: checked
// before the run with the other outputs, written at its end and listed in "written"; nothing written
// on a stopped run or without a refined value. And kavo-cli target.
#include "cli/compute_run.h"
#include "cli_fixture.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

namespace kavo::testing {
namespace {

using ::testing::HasSubstr;

struct Synth {
  explicit Synth(std::vector<std::string> options) {
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
  std::string file(const std::string& name) const { return folder.file(name); }
  TempFolder folder;
};

const std::vector<std::string> kExportOptions{"--export-opencv", "--export-ros", "--export-colmap",
                                              "--write-correction"};

TEST(KavoCliExports, WritesEveryExportAtTheEndAndListsThem) {
  const Synth s({"--k1", "-0.03", "--noise", "0.05"});
  const CliRun r = cli(
      s.computeArgs({"--json", "--export-opencv", s.file("c.yml"), "--export-ros", s.file("c.yaml"),
                     "--export-colmap", s.file("cameras.txt"), "--write-correction", s.file("fitted.txt")}));
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["written"], (std::vector<std::string>{s.file("c.yml"), s.file("c.yaml"), s.file("cameras.txt"),
                                                    s.file("fitted.txt")}));
  EXPECT_THAT(fileText(s.file("c.yml")), HasSubstr("camera_matrix: !!opencv-matrix"));
  EXPECT_THAT(fileText(s.file("c.yaml")), HasSubstr("distortion_model: plumb_bob"));
  EXPECT_THAT(fileText(s.file("cameras.txt")), HasSubstr("\n1 OPENCV 2000 1500 "));
  EXPECT_THAT(fileText(s.file("fitted.txt")), HasSubstr(" X "));
  // The refined focal length the JSON shows is the one in the files, to its last digit.
  const double focal = j["refined"]["focal"];
  EXPECT_THAT(fileText(s.file("c.yml")), HasSubstr("data: [ " + exportNumber(focal) + ", 0.0, "));
}

TEST(KavoCliExports, StandardOutputTakesOneExport) {
  const Synth s({"--k1", "-0.03", "--noise", "0.05"});
  const CliRun r = cli(s.computeArgs({"--export-colmap", "-"}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("# Camera list with one line of data per camera:\n", 0), 0u) << r.out;
  EXPECT_THAT(r.err, HasSubstr("Уточнённое фокусное расстояние"));
  EXPECT_EQ(cli(s.computeArgs({"--export-colmap", "-", "--export-ros", "-"})).status, 2);
  EXPECT_EQ(cli(s.computeArgs({"--export-colmap", "-", "--json"})).status, 2);
}

// Refused before the run: an export naming an input or another output, or asked with --no-refine.
TEST(KavoCliExports, RefusedBeforeTheRun) {
  const Synth s({"--noise", "0.05"});
  const std::string cameraBefore = fileText(s.file("camera.cam"));
  for (const std::string& option : kExportOptions) {
    SCOPED_TRACE(option);
    const CliRun onInput = cli(s.computeArgs({option, s.file("camera.cam")}));
    EXPECT_EQ(onInput.status, 2);
    EXPECT_THAT(onInput.err, HasSubstr(option + " " + s.file("camera.cam") + ": это входной файл --camera"));
    const CliRun twice = cli(s.computeArgs({option, s.file("same.txt"), "--report", s.file("same.txt")}));
    EXPECT_EQ(twice.status, 2);
    EXPECT_THAT(twice.err, HasSubstr("называют один файл"));
    const CliRun noRefine = cli(s.computeArgs({option, s.file("x.txt"), "--no-refine"}));
    EXPECT_EQ(noRefine.status, 2);
    EXPECT_THAT(noRefine.err, HasSubstr(option + " needs the refined fit"));
    EXPECT_FALSE(fs::exists(s.file("x.txt")));
  }
  EXPECT_EQ(fileText(s.file("camera.cam")), cameraBefore);
  // The correction table is known only once the camera file is read: it is refused then, and nothing
  // is written.
  const CliRun onTable =
      cli(s.computeArgs({"--write-correction", s.file("correction.txt"), "--report", s.file("r.html")}));
  EXPECT_EQ(onTable.status, 1);
  EXPECT_THAT(onTable.err, HasSubstr("это входной файл (Таблица коррекции)"));
  EXPECT_FALSE(fs::exists(s.file("r.html")));
}

// Save's copy of the camera file goes to a file only: "-" once wrote a file named "-" while the
// summary went to the error stream as if the copy had gone to standard output.
TEST(KavoCliExports, SaveIsNeverStandardOutput) {
  const Synth s({"--noise", "0.05"});
  const CliRun r = cli(s.computeArgs({"--save", "-"}));
  EXPECT_EQ(r.status, 2);
  EXPECT_THAT(r.err, HasSubstr("--save -: копия файла камеры записывается только в файл"));
  EXPECT_FALSE(fs::exists("-"));
}

// A fit that fails gives no refined value: every export says so, none is written, the exit status is
// 1; the other outputs are still written.
TEST(KavoCliExports, NothingWithoutARefinedValue) {
  const Synth s({"--images", "2", "--step", "0.5", "--noise", "0.5"});
  const CliRun r = cli(s.computeArgs({"--json", "--export-opencv", s.file("c.yml"), "--write-correction",
                                      s.file("t.txt"), "--report", s.file("r.html")}));
  EXPECT_EQ(r.status, 1);
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["refined"]["status"], "failed");
  EXPECT_EQ(j["written"], (std::vector<std::string>{s.file("r.html")}));
  const std::string warnings = j["warnings"].dump();
  EXPECT_THAT(warnings, HasSubstr("камера в формате OpenCV не записана: уточнённое значение не получено"));
  EXPECT_THAT(warnings, HasSubstr("таблица коррекции не записана: уточнённое значение не получено"));
  EXPECT_FALSE(fs::exists(s.file("c.yml")));
  EXPECT_FALSE(fs::exists(s.file("t.txt")));
}

// A run asked to stop writes nothing, exports included.
TEST(KavoCliExports, AStoppedRunWritesNothing) {
  const Synth s({"--noise", "0.05"});
  ComputeRequest request;
  request.run.cameraFile = s.file("camera.cam");
  request.run.sceneFile = s.file("scene.crd");
  request.run.listFile = s.file("series.lst");
  request.run.imageFolder = s.folder.path();
  request.cameraOutputs.openCv = s.file("c.yml");
  request.cameraOutputs.correction = s.file("t.txt");
  const std::atomic<bool> interrupted{true};
  std::ostringstream out, err;
  const ComputeResult result = runCompute(request, interrupted, out, err);
  EXPECT_EQ(result.exitStatus, kExitCancelled);
  EXPECT_TRUE(result.written.empty());
  EXPECT_FALSE(fs::exists(s.file("c.yml")));
  EXPECT_FALSE(fs::exists(s.file("t.txt")));
}

// The round trip on the command line: the table written from the fit, named in a copy of the camera
// file, moves the classic result to within its interval's half width of the refined value.
TEST(KavoCliExports, CorrectionTableRoundTrip) {
  const Synth s(
      {"--k1", "-0.05", "--noise", "0.1", "--images", "8", "--grid", "9x7", "--pitch", "100", "--seed", "3"});
  const CliRun first = cli(s.computeArgs({"--json", "--write-correction", s.file("fitted.txt")}));
  ASSERT_EQ(first.status, 0) << first.err;
  const auto a = nlohmann::json::parse(first.out);
  const double refined = a["refined"]["focal"];
  const double halfWidth =
      (a["uncertainty"]["interval95"][1].get<double>() - a["uncertainty"]["interval95"][0].get<double>()) / 2;
  std::vector<std::string> camera = loadLines(s.file("camera.cam")).lines;
  camera[2] = "fitted.txt ; таблица из уточнённой подгонки";
  ASSERT_EQ(saveLines(s.file("corrected.cam"), camera), "");
  std::vector<std::string> args = s.computeArgs({"--json", "--no-refine"});
  args[2] = s.file("corrected.cam");
  const CliRun second = cli(args);
  ASSERT_EQ(second.status, 0) << second.err;
  const double before = a["meanValue"];
  const double after = nlohmann::json::parse(second.out)["meanValue"];
  EXPECT_GT(std::fabs(before - refined), 3 * halfWidth);
  EXPECT_LE(std::fabs(after - refined), halfWidth) << "before " << before << ", refined " << refined;
}

TEST(KavoCliTarget, WritesThePageOrSaysWhatFits) {
  TempFolder folder;
  const CliRun r = cli({"target", "--pattern", "chessboard", "--size", "9x6", "--square", "25", "--out",
                        folder.file("board.pdf")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, folder.file("board.pdf") + "\n");
  EXPECT_THAT(r.err, HasSubstr("kavo-cli detect --pattern chessboard --size 9x6 --square 25 --step MM"));
  EXPECT_EQ(fileText(folder.file("board.pdf")).rfind("%PDF-", 0), 0u);

  const CliRun svg = cli({"target", "--pattern", "charuco", "--size", "5x4", "--square", "30", "--marker",
                          "22", "--dictionary", "5x5_100", "--out", folder.file("board.SVG")});
  ASSERT_EQ(svg.status, 0) << svg.err;
  EXPECT_THAT(fileText(folder.file("board.SVG")), HasSubstr("<svg"));

  const CliRun big = cli(
      {"target", "--pattern", "circles", "--size", "9x6", "--square", "60", "--out", folder.file("big.pdf")});
  EXPECT_EQ(big.status, 1);
  EXPECT_THAT(big.err, HasSubstr("не помещается на лист A4"));
  EXPECT_THAT(big.err, HasSubstr("наибольший шаг, при котором она поместится: 3"));
  EXPECT_FALSE(fs::exists(folder.file("big.pdf")));

  EXPECT_EQ(cli({"target", "--pattern", "charuco", "--size", "5x4", "--square", "30", "--out",
                 folder.file("x.pdf")})
                .status,
            2);
  EXPECT_EQ(cli({"target", "--pattern", "chessboard", "--size", "9x6", "--square", "20", "--paper", "B5",
                 "--out", folder.file("x.pdf")})
                .status,
            2);
  const CliRun png = cli({"target", "--pattern", "chessboard", "--size", "9x6", "--square", "20", "--out",
                          folder.file("x.png")});
  EXPECT_EQ(png.status, 2);
  EXPECT_FALSE(fs::exists(folder.file("x.pdf")));
}

} // namespace
} // namespace kavo::testing
