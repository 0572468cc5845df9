// "Снимки…" below the dialog: the form's checks, the order of the photos added, and the search on
// its worker over rendered photos: the series written and handed to the three file fields, a cancel
// and a photo without the target leaving nothing written.
#include "app/photo_command.h"
#include "app_test_support.h"
#include "photo_renderer.h"

#include <filesystem>

namespace kavo::testing {
namespace {

namespace fs = std::filesystem;

class RecordingPhotoView final : public PhotoView {
public:
  std::vector<bool> running;
  int done = 0, total = 0;
  std::vector<std::string> log;
  std::string status;
  std::string overlayFolder;
  // Runs after every log line, while the worker waits for the step.
  std::function<void()> onLog;

  void setRunning(bool r) override { running.push_back(r); }
  void setProgress(int d, int t) override {
    done = d;
    total = t;
  }
  void appendLog(const std::string& line) override {
    log.push_back(line);
    if (onLog) {
      onLog();
    }
  }
  void showStatus(const std::string& text) override { status = text; }
  void setOverlayFolder(const std::string& folder) override { overlayFolder = folder; }

  int linesWith(const std::string& text) const {
    return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const std::string& line) {
      return line.find(text) != std::string::npos;
    }));
  }
};

// A chessboard of 9 × 6 inner corners 60 mm apart seen by a 1000-pixel camera from 480 mm on, the
// camera moving 40 mm away after every photo; and a blank photo of the same size. Drawn once.
struct Photos {
  std::vector<std::string> series;
  std::string blank;
};

const Photos& photos() {
  static const TempFolder folder("photos");
  static const Photos drawn = [] {
    test::PhotoScene first;
    first.target = {detect::TargetKind::Chessboard, 9, 6, 60.0};
    first.distance = 480.0;
    first.rollDegrees = 1.5;
    Photos p;
    p.series = test::renderSeries(folder.path(), first, 4, 40.0).photos;
    p.blank = test::writeBlankPhoto(folder.file("blank.png"), first.width, first.height);
    return p;
  }();
  return drawn;
}

PhotoForm goodForm(const std::string& outFolder) {
  PhotoForm form;
  form.photos = photos().series;
  form.columns = 9;
  form.rows = 6;
  form.pitch = "60";
  form.step = "40";
  form.outFolder = outFolder;
  return form;
}

std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The photo command beside the main window's commands, whose file fields it fills.
struct PhotoBench {
  PhotoBench() {
    command.setThreads(2);
    mainView.commands = &commands;
  }
  void finish() {
    if (auto exit = command.workerExit()) {
      ASSERT_TRUE(dispatcher.processUntil([&] { return exit->finished(); }, std::chrono::seconds(120)));
    }
  }
  std::string field(FileField f) const { return mainView.filePaths[static_cast<int>(f)]; }

  TempFolder folder{"photo-series"};
  CalibrationState state;
  ScriptedUserPort port;
  RecordingView mainView;
  QueuedDispatcher dispatcher;
  MainCommands commands{state, port, mainView, dispatcher, '.'};
  RecordingPhotoView view;
  PhotoCommand command{port, view, dispatcher, '.',
                       [this](FileField f, const std::string& path) { commands.takeFile(f, path); }};
};

struct BadForm {
  const char* name;
  std::function<void(PhotoForm&)> spoil;
  const char* says;
};

const BadForm kBadForms[] = {
    {"NoPhotos", [](PhotoForm& f) { f.photos.clear(); }, "не выбраны снимки"},
    {"OnePhoto", [](PhotoForm& f) { f.photos.resize(1); }, "хотя бы два снимка"},
    {"SamePhotoTwice", [](PhotoForm& f) { f.photos[1] = f.photos[0]; }, "img01.png: снимок указан дважды"},
    {"PitchNoNumber", [](PhotoForm& f) { f.pitch = "6O"; }, "шаг сетки мишени «6O» — не число"},
    {"PitchNegative", [](PhotoForm& f) { f.pitch = "-60"; }, "шаг сетки мишени должен быть положительным"},
    {"StepEmpty", [](PhotoForm& f) { f.step = ""; }, "не задан шаг камеры"},
    {"StepNoNumber", [](PhotoForm& f) { f.step = "4O"; }, "шаг камеры «4O» — не число"},
    {"StepZero", [](PhotoForm& f) { f.step = "0"; }, "шаг камеры должен быть ненулевым"},
    {"TwoRows", [](PhotoForm& f) { f.rows = 2; }, "не меньше 3 точек вдоль каждой стороны"},
    {"NoFolder", [](PhotoForm& f) { f.outFolder = ""; }, "не указана папка для файлов серии"},
    {"CharucoNoMarker", [](PhotoForm& f) { f.kind = detect::TargetKind::Charuco; },
     "не задана сторона маркера"},
    {"CharucoMarkerAsLargeAsSquare",
     [](PhotoForm& f) {
       f.kind = detect::TargetKind::Charuco;
       f.markerSize = "60";
     },
     "сторона маркера должна быть положительным числом миллиметров, меньшим стороны клетки"},
    {"CharucoUnknownDictionary",
     [](PhotoForm& f) {
       f.kind = detect::TargetKind::Charuco;
       f.markerSize = "45";
       f.dictionary = "DICT_9X9_1";
     },
     "неизвестный словарь маркеров «DICT_9X9_1»"},
};

void PrintTo(const BadForm& form, std::ostream* os) {
  *os << form.name;
}

class PhotoFormRefused : public ::testing::TestWithParam<BadForm> {};

// A refused form shows one box through the port, starts nothing and writes nothing.
TEST_P(PhotoFormRefused, ShowsWhyAndStartsNothing) {
  PhotoBench b;
  PhotoForm form = goodForm(b.folder.file("series"));
  GetParam().spoil(form);
  EXPECT_FALSE(b.command.start(form));
  ASSERT_EQ(b.port.messages().size(), 1u);
  const UserMessage box = b.port.messages()[0];
  EXPECT_NE(box.text.find(GetParam().says), std::string::npos) << box.text;
  EXPECT_EQ(box.text.rfind("Серию нельзя записать: ", 0), 0u) << box.text;
  EXPECT_EQ(box.icon, BoxIcon::Error);
  EXPECT_EQ(b.command.outcome().stage, PhotoOutcome::Stage::Refused);
  EXPECT_FALSE(b.command.workerExit());
  EXPECT_TRUE(b.view.running.empty());
  EXPECT_TRUE(entries(b.folder.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Table, PhotoFormRefused, ::testing::ValuesIn(kBadForms),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(PhotoForm, ReadsTheFieldsIntoTheRequest) {
  PhotoForm form = goodForm("rel/series/");
  form.kind = detect::TargetKind::AsymmetricCircles;
  form.columns = 4;
  form.rows = 11;
  form.pitch = "12,5"; // the other separator is read too
  form.step = "-40.25";
  form.overlays = true;
  form.skipUndetected = true;
  const PhotoFormCheck check = checkPhotoForm(form, '.');
  ASSERT_FALSE(check.refusal) << check.refusal->text;
  const detect::PhotoSeriesRequest& r = check.request;
  EXPECT_EQ(r.target.kind, detect::TargetKind::AsymmetricCircles);
  EXPECT_EQ(r.target.columns, 4);
  EXPECT_EQ(r.target.rows, 11);
  EXPECT_EQ(r.target.pitch, 12.5);
  EXPECT_EQ(r.step, -40.25);
  EXPECT_TRUE(r.skipUndetected);
  EXPECT_EQ(r.decimalSeparator, '.');
  const std::string absolute = (fs::current_path() / "rel/series").string();
  EXPECT_EQ(r.outFolder, absolute);
  EXPECT_EQ(r.overlayFolder, absolute + "/overlays");
  form.overlayFolder = "/elsewhere/marks";
  EXPECT_EQ(checkPhotoForm(form, ',').request.overlayFolder, "/elsewhere/marks");
  form.overlays = false;
  EXPECT_EQ(checkPhotoForm(form, ',').request.overlayFolder, "");
  form.kind = detect::TargetKind::Charuco;
  form.markerSize = "9,5";
  form.dictionary = "4x4_250";
  const PhotoFormCheck charuco = checkPhotoForm(form, '.');
  ASSERT_FALSE(charuco.refusal) << charuco.refusal->text;
  EXPECT_EQ(charuco.request.target.markerSize, 9.5);
  EXPECT_EQ(detect::charucoDictionaryName(charuco.request.target.dictionary), "DICT_4X4_250");
}

TEST(PhotoList, AddsPhotosInTheOrderTheCameraNumberedThem) {
  const struct {
    std::vector<std::string> listed, added, expected;
  } cases[] = {
      {{}, {"/p/img10.png", "/p/img9.png", "/p/img1.png"}, {"/p/img1.png", "/p/img9.png", "/p/img10.png"}},
      {{},
       {"/p/DSC_0102.JPG", "/p/DSC_99.JPG", "/p/a.tif"},
       {"/p/a.tif", "/p/DSC_99.JPG", "/p/DSC_0102.JPG"}},
      // Already listed photos stay where they are and are not listed twice.
      {{"/p/img2.png"},
       {"/p/img3.png", "/p/img2.png", "/p/img1.png"},
       {"/p/img2.png", "/p/img1.png", "/p/img3.png"}},
      // By name, whatever the folder.
      {{}, {"/z/s2.png", "/a/s10.png"}, {"/z/s2.png", "/a/s10.png"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(addPhotos(c.listed, c.added), c.expected);
  }
  EXPECT_EQ(proposedSeriesFolder({"/p/img1.png", "/q/img2.png"}), "/p/series");
  EXPECT_EQ(proposedSeriesFolder({}), "");
}

// The whole road: the photos searched on the worker, the series and the overlays written, the three
// files handed to the main window's fields, and the computation runs over them.
TEST(PhotoCommand, WritesTheSeriesAndFillsTheThreeFields) {
  PhotoBench b;
  const std::string out = b.folder.file("series");
  PhotoForm form = goodForm(out);
  form.overlays = true;
  ASSERT_TRUE(b.command.start(form));
  EXPECT_TRUE(b.command.running());
  b.finish();

  const PhotoOutcome& o = b.command.outcome();
  ASSERT_EQ(o.stage, PhotoOutcome::Stage::Written) << b.view.status;
  EXPECT_EQ(b.view.running, (std::vector<bool>{true, false}));
  EXPECT_TRUE(b.port.shown.empty());
  EXPECT_EQ(o.photosKept, 4u);
  EXPECT_EQ(b.field(FileField::Camera), out + "/camera.cam");
  EXPECT_EQ(b.field(FileField::Scene), out + "/scene.crd");
  EXPECT_EQ(b.field(FileField::List), out + "/series.lst");
  EXPECT_EQ(b.state.listFile, out + "/series.lst");
  EXPECT_TRUE(b.mainView.computeEnabled);
  EXPECT_EQ(b.view.linesWith("img03.png: найдено точек: 54"), 1);
  EXPECT_EQ(b.view.linesWith("точки нарисованы: "), 4);
  EXPECT_EQ(b.view.done, 4);
  EXPECT_NE(b.view.status.find("Серия записана: снимков 4 из 4."), std::string::npos) << b.view.status;
  EXPECT_EQ(b.view.overlayFolder, out + "/overlays");
  EXPECT_EQ(entries(out + "/overlays"), (std::vector<std::string>{"img01_points.jpg", "img02_points.jpg",
                                                                  "img03_points.jpg", "img04_points.jpg"}));

  b.commands.setImageFolder(out + "/");
  b.commands.setThreads(2);
  b.commands.startRun();
  if (auto exit = b.commands.runExit()) {
    ASSERT_TRUE(b.dispatcher.processUntil([&] { return exit->finished(); }, std::chrono::seconds(120)));
  }
  ASSERT_TRUE(b.state.shownResult) << b.mainView.status;
  EXPECT_NEAR(b.state.shownResult->meanValue, 1000.0, 5.0);
}

// Stopped after the first photo: nothing written, not even a hidden folder, and the fields untouched.
TEST(PhotoCommand, CancelLeavesNothingWritten) {
  PhotoBench b;
  b.command.setThreads(1);
  b.view.onLog = [&] { b.command.requestStop(); };
  PhotoForm form = goodForm(b.folder.file("series"));
  form.overlays = true;
  ASSERT_TRUE(b.command.start(form));
  b.finish();
  EXPECT_EQ(b.command.outcome().stage, PhotoOutcome::Stage::Cancelled);
  EXPECT_EQ(b.view.log.size(), 1u);
  EXPECT_EQ(b.view.running, (std::vector<bool>{true, false}));
  EXPECT_NE(b.view.status.find("ничего не записано"), std::string::npos) << b.view.status;
  EXPECT_TRUE(entries(b.folder.path()).empty());
  EXPECT_EQ(b.state.cameraFile, "");
  EXPECT_EQ(b.state.listFile, "");
  EXPECT_TRUE(b.port.shown.empty());
}

// A photo without the target: without leave to skip it, the box names it and nothing is written;
// with leave, it is left out with a warning naming it and the series is written from the others.
TEST(PhotoCommand, APhotoWithoutTheTargetIsNamed) {
  for (const bool skip : {false, true}) {
    SCOPED_TRACE(skip ? "skipped" : "stops");
    PhotoBench b;
    PhotoForm form = goodForm(b.folder.file("series"));
    form.photos = {photos().series[0], photos().blank, photos().series[1], photos().series[2]};
    form.skipUndetected = skip;
    ASSERT_TRUE(b.command.start(form));
    b.finish();
    const PhotoOutcome& o = b.command.outcome();
    if (!skip) {
      ASSERT_EQ(o.stage, PhotoOutcome::Stage::Failed);
      ASSERT_EQ(b.port.messages().size(), 1u);
      const UserMessage box = b.port.messages()[0];
      EXPECT_EQ(box.text.rfind("Серия не записана: blank.png: ", 0), 0u) << box.text;
      EXPECT_EQ(box.detail.rfind(photos().blank + ": ", 0), 0u) << box.detail;
      EXPECT_NE(box.detail.find(photos().series[2] + ": найдено точек: 54"), std::string::npos) << box.detail;
      EXPECT_EQ(box.icon, BoxIcon::Error);
      EXPECT_EQ(o.message.text, box.text);
      EXPECT_TRUE(entries(b.folder.path()).empty());
      EXPECT_EQ(b.state.listFile, "");
      continue;
    }
    ASSERT_EQ(o.stage, PhotoOutcome::Stage::Written);
    EXPECT_TRUE(b.port.shown.empty());
    EXPECT_EQ(o.photosKept, 3u);
    ASSERT_EQ(o.warnings.size(), 1u);
    EXPECT_EQ(o.warnings[0].rfind(photos().blank + ": снимок пропущен", 0), 0u) << o.warnings[0];
    EXPECT_EQ(b.view.linesWith("Предупреждение: blank.png: снимок пропущен"), 1);
    // The camera moved twice between the first photo and the next one kept.
    const std::vector<std::string> list = readLines(o.listFile);
    EXPECT_EQ(list, (std::vector<std::string>{"img01.crd", "img02.crd", "img03.crd", "80", "40"}));
  }
}

// A photo cut short is named as damaged and stops the search even with leave to skip photos without
// the target; nothing is written and the fields keep what they held.
TEST(PhotoCommand, ADamagedPhotoStopsTheSearchEvenWhenSkipping) {
  PhotoBench b;
  PhotoForm form = goodForm(b.folder.file("series"));
  form.photos = {photos().series[0], std::string(KAVO_TEST_DATA) + "/photos/cut91.jpg", photos().series[1],
                 photos().series[2]};
  form.skipUndetected = true;
  ASSERT_TRUE(b.command.start(form));
  b.finish();
  ASSERT_EQ(b.command.outcome().stage, PhotoOutcome::Stage::Failed);
  ASSERT_EQ(b.port.messages().size(), 1u);
  EXPECT_EQ(b.port.messages()[0].text.rfind("Серия не записана: cut91.jpg: файл повреждён или обрезан", 0),
            0u)
      << b.port.messages()[0].text;
  EXPECT_TRUE(entries(b.folder.path()).empty());
  EXPECT_EQ(b.state.listFile, "");
}

} // namespace
} // namespace kavo::testing
