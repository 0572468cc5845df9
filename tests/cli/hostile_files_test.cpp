// kavo-cli compute against files that are not what they seem: outputs that are devices, pipes, links
// or its own inputs, inputs far too large, in another encoding or quietly wrong, and a stop that
// must leave every output as it was.
#include "cli/compute_run.h"
#include "cli/interrupt_guard.h"
#include "cli_fixture.h"

#include <nlohmann/json.hpp>

#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace kavo::testing {
namespace {

using Json = nlohmann::json;

bool isFifo(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
}

// Outputs refused before the run, with exit status 2 and a message naming the option and the file;
// nothing is replaced. "@" stands for the series folder.
struct RefusedOutput {
  const char* name;
  std::vector<std::string> options;
  const char* mentions;
};

void PrintTo(const RefusedOutput& c, std::ostream* os) {
  *os << c.name;
}

const RefusedOutput kRefused[] = {
    {"ValuesIntoAPipe", {"--values-out", "@/pipe"}, "не обычный файл"},
    {"ReportIntoALinkToADevice", {"--report", "@/device-link"}, "не обычный файл"},
    {"SaveIntoAFolder", {"--save", "@"}, "это папка"},
    {"ValuesOverTheSceneFile", {"--values-out", "@/scene.crd"}, "входной файл --scene"},
    {"ReportOverTheListThroughAnotherSpelling", {"--report", "@/./series.lst"}, "входной файл --list"},
    {"TwoOutputsOnOneFile", {"--values-out", "@/out.txt", "--report", "@/out.txt"}, "один файл"},
    {"PictureOfAnUnknownKind", {"--histogram-out", "@/h.jpg"}, ".bmp или .png"},
    {"TwoOutputsOnStandardOutput", {"--values-out", "-", "--report", "-"}, "только один файл"},
    {"StandardOutputBesideJson", {"--values-out", "-", "--json"}, "--json"},
};

class RefusedOutputs : public ::testing::TestWithParam<RefusedOutput> {};

TEST_P(RefusedOutputs, AreNamedBeforeTheRunAndNothingIsReplaced) {
  const RefusedOutput& c = GetParam();
  SeriesCopy s;
  ASSERT_EQ(::mkfifo(s.path("pipe").c_str(), 0600), 0);
  // A link is judged by what it leads to (a link to /proc/self/fd/1 leads wherever standard output
  // goes, which differs between runners: a device stands for it here).
  fs::create_symlink("/dev/null", s.path("device-link"));
  const std::string scene = fileText(s.path("scene.crd"));
  const std::string list = fileText(s.path("series.lst"));
  std::vector<std::string> options;
  for (std::string option : c.options) {
    options.push_back(option.front() == '@' ? s.folder.path() + option.substr(1) : option);
  }
  const CliRun r = cli(s.computeArgs(options));
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find(c.mentions), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty()) << "the run must not have started";
  EXPECT_TRUE(isFifo(s.path("pipe")));
  EXPECT_TRUE(fs::is_symlink(s.path("device-link")));
  EXPECT_EQ(fileText(s.path("scene.crd")), scene);
  EXPECT_EQ(fileText(s.path("series.lst")), list);
  EXPECT_FALSE(fs::exists(s.path("out.txt")));
}

INSTANTIATE_TEST_SUITE_P(Table, RefusedOutputs, ::testing::ValuesIn(kRefused),
                         [](const auto& p) { return std::string(p.param.name); });

// As root a device node would be replaced by a plain file: it is refused like a pipe.
TEST(HostileFiles, ADeviceNodeIsNeverReplaced) {
  SeriesCopy s;
  const std::string node = s.path("null");
  if (::mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0) {
    GTEST_SKIP() << "no device nodes here (not root)";
  }
  const CliRun r = cli(s.computeArgs({"--values-out", node}));
  EXPECT_EQ(r.status, 2);
  struct stat info {};
  ASSERT_EQ(::lstat(node.c_str(), &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
}

// An image file of the list is known only once the list is read: an output on it is not written.
TEST(HostileFiles, AnOutputOnAnImageFileIsNotWritten) {
  SeriesCopy s;
  const std::string image = fileText(s.path("img02.crd"));
  const CliRun r = cli(s.computeArgs({"--json", "--values-out", s.path("img02.crd")}));
  EXPECT_EQ(r.status, 1);
  const Json j = Json::parse(r.out);
  EXPECT_EQ(j["status"], "ok");
  EXPECT_NE(j["warnings"].dump().find("Изображение 2"), std::string::npos) << j["warnings"];
  EXPECT_TRUE(j["written"].empty());
  EXPECT_EQ(fileText(s.path("img02.crd")), image);
}

// "-": the values on standard output and nothing else there; the summary goes to the error stream.
TEST(HostileFiles, ValuesOnStandardOutputKeepItToThemselves) {
  SeriesCopy s;
  const CliRun r = cli(s.computeArgs({"--values-out", "-"}));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, fileText(kSample / "series.values.txt"));
  EXPECT_NE(r.err.find("Фокусное расстояние (пикс.): 1799.7003"), std::string::npos) << r.err;
}

// Inputs that must stop the run before it computes anything, each named with what is wrong.
struct BadInput {
  const char* name;
  std::function<void(SeriesCopy&)> spoil;
  const char* status;
  const char* mentions;
};

void PrintTo(const BadInput& c, std::ostream* os) {
  *os << c.name;
}

std::vector<std::string> withLine(std::vector<std::string> lines, std::size_t at, const std::string& line) {
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), line);
  return lines;
}

const BadInput kBadInputs[] = {
    {"StepOfZero", [](SeriesCopy& s) { s.write("series.lst", withLine(s.lines("series.lst"), 0, "0")); },
     "stopped", "равен 0"},
    {"StepsThatReturnTheCamera",
     [](SeriesCopy& s) {
       auto lines = s.lines("series.lst");
       std::vector<std::string> names;
       for (const auto& l : lines) {
         if (l.find("crd") != std::string::npos) {
           names.push_back(l);
         }
       }
       names.insert(names.end(), {"25", "-25"});
       for (std::size_t k = 2; k + 1 < 7; ++k) {
         names.push_back("25");
       }
       s.write("series.lst", names);
     },
     "stopped", "в сумме дают 0"},
    {"AStepMissing",
     [](SeriesCopy& s) {
       std::vector<std::string> names;
       for (const auto& l : s.lines("series.lst")) {
         if (l.find("crd") != std::string::npos) {
           names.push_back(l);
         }
       }
       names.insert(names.end(), {"25", "25"});
       s.write("series.lst", names);
     },
     "stopped", "нет шага после изображения 3"},
    {"AnExtraPointAtTheTopOfAnImage",
     [](SeriesCopy& s) { s.write("img03.crd", withLine(s.lines("img03.crd"), 0, "512 ; 384")); }, "stopped",
     "img03.crd: точек 26, а в файле сцены 25"},
    {"ListInUtf16",
     [](SeriesCopy& s) {
       std::ofstream(s.path("series.lst"), std::ios::binary) << std::string("\xFF\xFEi\0m\0g\0", 8);
     },
     "stopped", "UTF-16"},
    {"CameraFileWithAByteOrderMark",
     [](SeriesCopy& s) {
       const std::string text = fileText(s.path("camera.cam"));
       std::ofstream(s.path("camera.cam"), std::ios::binary) << "\xEF\xBB\xBF" << text;
     },
     "stopped", "UTF-8 с меткой BOM"},
    {"SceneOfTenThousandPoints",
     [](SeriesCopy& s) {
       std::vector<std::string> lines;
       for (int i = 0; i < 10000; ++i) {
         lines.push_back(std::to_string(i % 100) + " ; " + std::to_string(i / 100));
       }
       s.write("scene.crd", lines);
     },
     "stopped", "не больше 1000"},
    {"ImageFileOfHalfAGigabyte",
     [](SeriesCopy& s) { fs::resize_file(s.path("img02.crd"), std::uintmax_t{500} << 20); }, "stopped",
     "файл слишком велик"},
};

class BadInputs : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputs, StopTheRunNamingWhatIsWrong) {
  const BadInput& c = GetParam();
  SeriesCopy s;
  c.spoil(s);
  const CliRun r = cli(s.computeArgs({"--json", "--save", s.path("saved.cam")}));
  EXPECT_EQ(r.status, 1);
  const Json j = Json::parse(r.out);
  EXPECT_EQ(j["status"], c.status);
  EXPECT_NE(j["detail"].get<std::string>().find(c.mentions), std::string::npos) << j["detail"];
  EXPECT_FALSE(fs::exists(s.path("saved.cam")));
}

INSTANTIATE_TEST_SUITE_P(Table, BadInputs, ::testing::ValuesIn(kBadInputs),
                         [](const auto& p) { return std::string(p.param.name); });

// Ctrl+C before the end: every output stays as it was, and the JSON says nothing was written.
TEST(HostileFiles, AStoppedRunWritesNothing) {
  SeriesCopy s;
  std::ofstream(s.path("values.txt")) << "older\n";
  ComputeRequest request;
  request.run.cameraFile = s.path("camera.cam");
  request.run.sceneFile = s.path("scene.crd");
  request.run.listFile = s.path("series.lst");
  request.run.imageFolder = s.folder.path();
  request.valuesOut = s.path("values.txt");
  request.reportOut = s.path("report.html");
  const std::atomic<bool> interrupted{true};
  std::ostringstream out, err;
  const ComputeResult result = runCompute(request, interrupted, out, err);
  EXPECT_EQ(result.exitStatus, 130);
  EXPECT_TRUE(result.written.empty());
  EXPECT_EQ(fileText(s.path("values.txt")), "older\n");
  EXPECT_FALSE(fs::exists(s.path("report.html")));
}

// A process killed while writing leaves its temporaries; the next one that writes there removes those
// of processes that are gone, and never another's.
TEST(HostileFiles, LeftTemporariesOfDeadProcessesGo) {
  SeriesCopy s;
  const std::string dead = s.path(".values.txt.kavo-999999.ab12Cd");
  const std::string deadFolder = s.path(".series.kavo-999998.Xy3");
  const std::string alive = s.path(".values.txt.kavo-1.ab12Cd"); // process 1 always runs
  std::ofstream(dead) << "left";
  fs::create_directory(deadFolder);
  std::ofstream(deadFolder + "/camera.cam") << "left";
  std::ofstream(alive) << "someone's";
  const CliRun r = cli(s.computeArgs({"--values-out", s.path("values.txt")}));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_FALSE(fs::exists(deadFolder));
  EXPECT_TRUE(fs::exists(alive));
}

// SIGTERM and SIGHUP stop a run as Ctrl+C does, for as long as the guard stands.
TEST(HostileFiles, TermAndHangUpAskTheRunToStop) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    InterruptGuard guard;
    EXPECT_FALSE(InterruptGuard::requested().load());
    ASSERT_EQ(std::raise(signal), 0);
    EXPECT_TRUE(InterruptGuard::requested().load());
  }
}

} // namespace
} // namespace kavo::testing
