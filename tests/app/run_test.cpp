#include "app_test_support.h"

#include "app/run_loading.h"
#include "app/run_report.h"
#include "platform/number_text.h"
#include "report/file_digest.h"

#include <cmath>
#include <regex>

namespace kavo::testing {
namespace {

TEST(Run, NoiseFreeSeriesShowsTheTrueFocalLength) {
  Bench b;
  b.run();
  ASSERT_EQ(b.last().status, RunStatus::Done) << b.view.status;
  EXPECT_TRUE(b.port.messages().empty());
  EXPECT_EQ(b.view.focal, "1800.0000");
  EXPECT_EQ(b.view.deviation, "0.0000");
  EXPECT_EQ(b.view.stddev, "0.0000");
  EXPECT_TRUE(b.view.saveEnabled);
  EXPECT_FALSE(b.state.resultSaved);
  EXPECT_TRUE(b.view.computeEnabled);
  // One step per first point of a quadruple, then back to 0 once the result is shown.
  EXPECT_EQ(b.view.progressMaximum, 49 - 3);
  EXPECT_EQ(b.view.highestPosition, 49 - 3);
  EXPECT_EQ(b.view.progressPosition, 0);
  EXPECT_EQ(b.view.signals, std::vector<int>{1});
  EXPECT_GT(b.last().valueCount, 2);
  EXPECT_TRUE(b.view.memo.empty()); // the normal mode writes nothing to the memo
  EXPECT_TRUE(b.commands.runExit()->finished());
}

// A run called directly, as the command line and the tests do: every file read once, its digest from
// those bytes, the camera's facts and its lines kept for Save.
TEST(Run, ReadsEachFileOnceAndKeepsWhatItRead) {
  SynthOptions options;
  options.noise = 0.1;
  TempFolder folder;
  const SynthSeries series = writeSyntheticSeries(folder.path(), options);
  RunRequest request;
  request.cameraFile = series.cameraFile;
  request.sceneFile = series.sceneFile;
  request.listFile = series.listFile;
  request.imageFolder = folder.path();
  request.threads = 1;
  request.refine = false;
  std::vector<RunProgress> steps;
  RunHooks hooks;
  hooks.progress = [&](const RunProgress& p) { steps.push_back(p); };
  const RunResult r = computeRun(request, hooks);
  ASSERT_EQ(r.status, RunStatus::Done);
  ASSERT_EQ(r.inputs.files.size(), 4u + 6u);
  for (const RunInputFile& f : r.inputs.files) {
    EXPECT_EQ(f.sha256, sha256OfBytes(test::readBytes(f.path))) << f.path;
  }
  EXPECT_EQ(r.camera.file, series.cameraFile);
  EXPECT_EQ(r.camera.lines, readLines(series.cameraFile));
  EXPECT_EQ(r.camera.imageWidth, 2000.0);
  EXPECT_EQ(r.camera.correctionTablePath, folder.file("correction.txt"));
  EXPECT_FALSE(r.assessment);
  ASSERT_EQ(steps.size(), 49u - 3u + 1u);
  EXPECT_EQ(steps.front().done, 0);
  EXPECT_EQ(steps.back().done, 49 - 3);
  EXPECT_EQ(steps.back().total, 49 - 3);
}

// A broken input set: the command stops with exactly one box and starts no worker.
struct FailureCase {
  const char* name;
  std::function<void(Bench&)> spoil;
  const char* text;
  const char* caption;
  BoxOwner owner;
  BoxIcon icon;
  const char* detailMentions;
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

void replaceLines(const std::string& path, std::vector<std::string> lines) {
  writeLines(path, lines);
}

std::vector<std::string> firstLines(const std::string& path, std::size_t n) {
  auto lines = readLines(path);
  lines.resize(n);
  return lines;
}

const char* const kCamera = "Ошибка чтения cam-файла!";
const char* const kScene = "Ошибка чтения файла сцены!";
const char* const kImage = "Ошибка чтения файла координат точек изображения!";
const char* const kFew = "Недостаточно точек! Процедура прервана!";
const char* const kInternal = "Внутренняя ошибка! Проверьте входные данные.";

const FailureCase kFailures[] = {
    {"CameraFileOfFiveLines",
     [](Bench& b) { replaceLines(b.series.cameraFile, firstLines(b.series.cameraFile, 5)); }, kCamera,
     "Ошибка!", BoxOwner::None, BoxIcon::Error, "camera.cam"},
    {"CameraFileMissing", [](Bench& b) { b.state.cameraFile = b.folder.file("absent.cam"); }, kCamera,
     "Ошибка!", BoxOwner::None, BoxIcon::Error, "absent.cam"},
    {"SceneLineWithThreeFields",
     [](Bench& b) {
       auto lines = readLines(b.series.sceneFile);
       lines[2] = "200 ; 0 ; 5";
       replaceLines(b.series.sceneFile, lines);
     },
     kScene, "Ошибка!", BoxOwner::None, BoxIcon::Error, "scene.crd"},
    {"SceneOfThreePoints",
     [](Bench& b) { replaceLines(b.series.sceneFile, firstLines(b.series.sceneFile, 3)); }, kFew, "Ошибка!",
     BoxOwner::MainWindow, BoxIcon::Error, "scene.crd"},
    {"ImageOfThreePoints",
     [](Bench& b) { replaceLines(b.folder.file("img02.crd"), firstLines(b.folder.file("img02.crd"), 3)); },
     kFew, "Ошибка!", BoxOwner::MainWindow, BoxIcon::Error, "img02.crd"},
    {"ImageFileMissing", [](Bench& b) { std::filesystem::remove(b.folder.file("img03.crd")); }, kImage,
     "Ошибка!", BoxOwner::None, BoxIcon::Error, "img03.crd"},
    {"ImageLineNotANumber",
     [](Bench& b) {
       auto lines = readLines(b.folder.file("img01.crd"));
       lines[4] = "12x ; 40";
       replaceLines(b.folder.file("img01.crd"), lines);
     },
     kImage, "Ошибка!", BoxOwner::None, BoxIcon::Error, "img01.crd"},
    {"ListLineNeitherNameNorNumber",
     [](Bench& b) {
       auto lines = readLines(b.series.listFile);
       lines[0] = "IMG1.CRD";
       replaceLines(b.series.listFile, lines);
     },
     kInternal, "Отказ", BoxOwner::MainWindow, BoxIcon::Exclamation, "series.lst"},
    {"ListFileMissing", [](Bench& b) { b.state.listFile = b.folder.file("absent.lst"); }, kInternal, "Отказ",
     BoxOwner::MainWindow, BoxIcon::Exclamation, "absent.lst"},
};

class RunFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(RunFailure, StopsWithItsMessageAndLeavesTheResultAlone) {
  const FailureCase& c = GetParam();
  Bench b;
  c.spoil(b);
  b.run();
  const auto shown = b.port.messages();
  ASSERT_EQ(shown.size(), 1u);
  const UserMessage& m = shown[0];
  EXPECT_EQ(m.text, c.text);
  EXPECT_EQ(m.caption, c.caption);
  EXPECT_EQ(m.owner, c.owner);
  EXPECT_EQ(m.icon, c.icon);
  EXPECT_NE(m.detail.find(c.detailMentions), std::string::npos) << m.detail;
  EXPECT_EQ(b.last().status, RunStatus::Stopped);
  EXPECT_EQ(b.last().message.text, c.text);
  EXPECT_FALSE(b.commands.running());
  EXPECT_TRUE(b.view.signals.empty());
  EXPECT_EQ(b.view.focal, "old focal");
  EXPECT_FALSE(b.view.saveEnabled);
  EXPECT_TRUE(b.view.computeEnabled);
}

INSTANTIATE_TEST_SUITE_P(Table, RunFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& p) { return std::string(p.param.name); });

// A run stopped at an image keeps the record of what it read up to there, for the report.
TEST(Run, ImagesReadBeforeAShortImageAreRecorded) {
  Bench b;
  replaceLines(b.folder.file("img03.crd"), firstLines(b.folder.file("img03.crd"), 3));
  b.run();
  ASSERT_EQ(b.last().status, RunStatus::Stopped);
  const std::vector<RunInputFile>& files = b.last().inputs.files;
  ASSERT_EQ(files.size(), 4u + 3u);
  EXPECT_EQ(files.back().role, "Изображение 3");
  EXPECT_EQ(b.last().inputs.measuredPointCount, 49 + 49 + 3);
}

// Line 4 of the camera file holds a focal length: the command asks before going on.
class FocalLengthQuestion : public ::testing::TestWithParam<bool> {};

TEST_P(FocalLengthQuestion, AsksAndFollowsTheAnswer) {
  Bench b;
  auto lines = readLines(b.series.cameraFile);
  lines[3] = "1523.0870 ; Фокусное расстояние(пикс.).  СКО = 12.4410;  Ст.откл. = 2.7860";
  writeLines(b.series.cameraFile, lines);
  b.port.answers = {GetParam()};
  b.run();
  const auto asked = b.port.questions();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].text, "Фокусное расстояние уже вычислено. Продолжить работу?");
  EXPECT_EQ(asked[0].caption, "Предупреждение");
  EXPECT_EQ(asked[0].owner, BoxOwner::MainWindow);
  EXPECT_EQ(asked[0].icon, BoxIcon::Question);
  EXPECT_TRUE(b.port.messages().empty());
  if (GetParam()) {
    EXPECT_EQ(b.last().status, RunStatus::Done);
    EXPECT_EQ(b.last().inputs.warnings,
              std::vector<std::string>{"Фокусное расстояние уже вычислено. Продолжить работу?"});
    EXPECT_EQ(b.view.focal, "1800.0000");
  } else {
    EXPECT_EQ(b.last().status, RunStatus::Stopped);
    EXPECT_EQ(b.last().inputs.files.size(), 2u); // stopped before the list file was read
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, FocalLengthQuestion, ::testing::Bool());

TEST(Run, BlankFocalLengthLineAsksNothing) {
  Bench b;
  b.run();
  EXPECT_TRUE(b.port.questions().empty());
  EXPECT_TRUE(b.last().inputs.warnings.empty());
}

// Every image clustered (a camera file claiming a far larger image): one warning, and the worker
// still runs; no quadruple passes the spacing test, so the run ends with "no value".
TEST(Run, ClusteringWarnsOnceAndStillRuns) {
  Bench b;
  auto lines = readLines(b.series.cameraFile);
  lines[4] = "20000 ; Размер изображения по горизонтали";
  lines[5] = "15000 ; Размер изображения по вертикали";
  writeLines(b.series.cameraFile, lines);
  b.run();
  const auto shown = b.port.messages();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "Реперные точки расположены слишком кучно. Достоверность результата низкая.");
  EXPECT_EQ(shown[0].caption, "Предупреждение!");
  EXPECT_EQ(shown[0].owner, BoxOwner::MainWindow);
  EXPECT_EQ(shown[0].icon, BoxIcon::Warning);
  EXPECT_EQ(shown[1].text, "Неправильные входные данные! Измените параметры!");
  EXPECT_EQ(shown[1].caption, "Ошибка!");
  EXPECT_EQ(shown[1].owner, BoxOwner::MainWindow);
  EXPECT_NE(shown[1].detail.find("ни одна четвёрка"), std::string::npos) << shown[1].detail;
  EXPECT_EQ(b.last().status, RunStatus::NoValue);
  EXPECT_EQ(b.last().message.text, shown[1].text);
  EXPECT_EQ(b.last().inputs.warnings, std::vector<std::string>{shown[0].text});
  // The record a report of the run files holds the warning too, with what it means.
  EXPECT_EQ(runReportInput(b.last(), "").warnings,
            std::vector<std::string>{shown[0].text + " " + kClusteredPointsMeaning});
  EXPECT_EQ(b.last().valueCount, 0);
  EXPECT_EQ(b.view.focal, "old focal");
  // Only a refined value shown alone is left to save.
  EXPECT_EQ(b.view.saveEnabled, refinedOf(b.last()) != nullptr);
  EXPECT_EQ(b.state.resultSaved, refinedOf(b.last()) == nullptr);
  EXPECT_EQ(b.view.progressPosition, 0);
}

// A camera file whose line 9 states a focal length 20 % above the result: the window shows the warning
// as it shows the clustering one, and the run keeps it with its warnings, which the command line,
// the JSON and the report print. 5 % off draws nothing.
TEST(Run, ExifFocalLengthFarFromTheResultWarns) {
  for (const double factor : {1.2, 1.05}) {
    SCOPED_TRACE(factor);
    Bench b;
    auto lines = readLines(b.series.cameraFile);
    lines.resize(8);
    lines.push_back(formatGeneral(1800.0 * factor, '.') + " ; Фокусное расстояние по EXIF (пикс.)");
    writeLines(b.series.cameraFile, lines);
    b.run();
    ASSERT_EQ(b.last().status, RunStatus::Done);
    ASSERT_NE(refinedOf(b.last()), nullptr);
    EXPECT_EQ(b.view.focal, "1800.0000");
    const auto shown = b.port.messages();
    if (factor < 1.1) {
      EXPECT_TRUE(shown.empty());
      EXPECT_TRUE(b.last().inputs.warnings.empty());
      continue;
    }
    const std::string warning =
        "Фокусное расстояние по EXIF 2160.0 пикс. отличается от классического результата "
        "1800.0 и от уточнённого 1800.0 более чем на 10 %: проверьте, не менялись ли "
        "зум и фокус, и шаги камеры";
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, warning);
    EXPECT_EQ(shown[0].caption, "Предупреждение!");
    EXPECT_EQ(shown[0].icon, BoxIcon::Warning);
    EXPECT_EQ(b.last().inputs.warnings, std::vector<std::string>{warning});
    EXPECT_EQ(runReportInput(b.last(), "").warnings, std::vector<std::string>{warning});
  }
}

// Which shown value the warning names, and that 10 % is of the EXIF value.
TEST(Run, ExifFocalWarningNamesTheValueThatDiffers) {
  struct Case {
    std::optional<double> classic; // shown when given
    std::optional<double> refined;
    double exif;
    const char* names; // "" for no warning
  };
  const Case cases[] = {
      {1800.0, std::nullopt, 2160.0, "от результата 1800.0 более"},
      {std::nullopt, 2200.0, 1900.0, "от результата 2200.0 более"},
      {1700.0, 1800.0, 1900.0, "от классического результата 1700.0 более"},
      {1800.0, 2150.0, 1900.0, "от уточнённого результата 2150.0 более"},
      {1800.0, 1800.0, 1890.0, ""},
      {2210.0, std::nullopt, 2000.0, "от результата 2210.0 более"},
      {2190.0, std::nullopt, 2000.0, ""},
      {1810.0, std::nullopt, 2000.0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.names);
    RunResult r;
    r.status = RunStatus::NoValue;
    if (c.classic) {
      setClassicResult(r, 100.0, -*c.classic, 1.0, 0.1, '.'); // the value shown is the absolute one
    }
    if (c.refined) {
      r.assessment.emplace();
      r.assessment->series.refined.ok = true;
      r.assessment->series.refined.focal = *c.refined;
    }
    r.camera.exifFocalLength = c.exif;
    const std::string warning = exifFocalWarning(r);
    if (std::string(c.names).empty()) {
      EXPECT_EQ(warning, "");
    } else {
      EXPECT_EQ(warning.rfind("Фокусное расстояние по EXIF " + formatFixed(c.exif, '.', 1) +
                                  " пикс. отличается " + c.names,
                              0),
                0u)
          << warning;
    }
    r.camera.exifFocalLength.reset();
    EXPECT_EQ(exifFocalWarning(r), "");
  }
}

struct SpreadCase {
  double farthest;
  bool passes;
};

class PointSpread : public ::testing::TestWithParam<SpreadCase> {};

// A 2000 × 1500 image has a diagonal of 2500: half of it is the smallest spread that passes.
TEST_P(PointSpread, HalfTheDiagonalIsTheLimit) {
  std::vector<std::vector<Point2>> images;
  for (double spread : {2400.0, GetParam().farthest}) {
    images.push_back({{0, 0}, {spread * 0.6, spread * 0.8}, {10, 10}});
  }
  EXPECT_EQ(pointsSpreadEnough(images, 2000, 1500), GetParam().passes);
}

INSTANTIATE_TEST_SUITE_P(Limits, PointSpread,
                         ::testing::Values(SpreadCase{1250.0, true}, SpreadCase{1249.9, false},
                                           SpreadCase{2000.0, true}, SpreadCase{0.0, false}));

// The result display on a result handed over at the end of a run, and the window's signals.
struct DisplayCase {
  const char* name;
  std::vector<double> numbers; // count, mean, deviation, standard deviation; only the count: no value
  int mode;
  int signals; // how often the window signals the result (only the first shows it)
  const char* focal;
  const char* deviation;
  const char* stddev;
  std::vector<std::string> memo;
  const char* message;
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const DisplayCase& c, std::ostream* os) {
  *os << c.name;
}

const DisplayCase kDisplays[] = {
    {"ThreeValuesFillEveryField",
     {3, 1523.087, 12.441, 2.786},
     1,
     1,
     "1523.0870",
     "12.4410",
     "2.7860",
     {},
     ""},
    {"TwoValuesShowDashes", {2, 1523.087, 12.441, 2.786}, 1, 1, "1523.0870", "-", "-", {}, ""},
    {"NegativeNumbersShownWithoutSign",
     {3, -1523.5, -1, -0.5},
     1,
     1,
     "1523.5000",
     "1.0000",
     "0.5000",
     {},
     ""},
    {"DebugMemoKeepsTheSigns",
     {3, -1523.5, 2, 1},
     2,
     1,
     "1523.5000",
     "2.0000",
     "1.0000",
     {"-------Результаты счёта-------", "Среднее значение: -1523.5000", "Отклонение: 2.0000",
      "Стандартное отклонение: 1.0000", "Общее количество используемых переборов:  3"},
     ""},
    {"NotSignalledShowsNothing", {3, 1, 1, 1}, 1, 0, "old focal", "old deviation", "old stddev", {}, ""},
    {"NoValue",
     {0},
     2,
     1,
     "old focal",
     "old deviation",
     "old stddev",
     {},
     "Неправильные входные данные! Измените параметры!"},
};

class ResultDisplay : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(ResultDisplay, FollowsTheDisplayRules) {
  const DisplayCase& c = GetParam();
  CalibrationState state;
  ScriptedUserPort port;
  RecordingView view;
  InPlaceDispatcher dispatcher;
  MainCommands commands(state, port, view, dispatcher, '.');
  state.processingMode = c.mode;
  view.progressPosition = 7;
  RunResult result;
  if (c.numbers.size() == 4) {
    setClassicResult(result, c.numbers[0], c.numbers[1], c.numbers[2], c.numbers[3], '.');
  } else {
    result.status = RunStatus::NoValue;
    result.message = {"Неправильные входные данные! Измените параметры!",
                      "Ошибка!",
                      {},
                      BoxOwner::MainWindow,
                      BoxIcon::Error};
  }
  // The window is signalled as often as the case says; the doubles' view shows on the first.
  view.commands = c.signals > 0 ? &commands : nullptr;
  commands.takeRunResult(result);
  EXPECT_EQ(view.focal, c.focal);
  EXPECT_EQ(view.deviation, c.deviation);
  EXPECT_EQ(view.stddev, c.stddev);
  EXPECT_EQ(view.memo, c.memo);
  const bool shown = std::string(c.focal) != "old focal";
  EXPECT_EQ(view.saveEnabled, shown);
  EXPECT_EQ(state.resultSaved, !shown);
  EXPECT_EQ(state.shownResult.has_value(), shown);
  if (shown) {
    EXPECT_EQ(state.shownResult->focalText, c.focal);
    EXPECT_EQ(state.shownResult->deviationText, c.deviation);
    EXPECT_EQ(view.progressPosition, 0);
  }
  if (std::string(c.message).empty()) {
    EXPECT_TRUE(port.shown.empty());
  } else {
    ASSERT_EQ(port.shown.size(), 1u);
    EXPECT_EQ(port.shown[0].message.text, c.message);
  }
  // A second signal in the same run shows nothing more.
  commands.showRunResult();
  EXPECT_EQ(view.memo, c.memo);
  EXPECT_EQ(port.shown.size(), std::string(c.message).empty() ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Table, ResultDisplay, ::testing::ValuesIn(kDisplays),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Run, CommaSeparatorShowsCommas) {
  RunResult result;
  setClassicResult(result, 3.0, 1523.087, 12.441, 2.786, ',');
  EXPECT_EQ(result.focalText, "1523,0870");
  EXPECT_EQ(result.deviationText, "12,4410");
  EXPECT_EQ(runFigures(result).focalText, "1523,0870");
}

} // namespace
} // namespace kavo::testing
