#include "cli/cli.h"
#include "datafiles/camera_file.h"
#include "datafiles/coordinate_files.h"
#include "datafiles/list_file.h"
#include "exif_writer.h"
#include "photo_renderer.h"
#include "platform/text_file.h"
#include "refine/refine_series.h"
#include "temp_folder.h"

#include <nlohmann/json.hpp>
#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <sstream>

namespace kavo {
namespace {

namespace fs = std::filesystem;
using detect::TargetKind;
using detect::TargetSpec;

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

CliRun cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  CliRun r;
  r.status = runCli(args, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

constexpr double kFocal = 1000.0;
constexpr double kStep = 40.0;

// A series that fills most of the frame, as a user takes it: six photos, the camera moving 40 mm
// away along its axis between them, focal length 1000 px.
struct Target {
  const char* name;
  const char* pattern;
  const char* size;
  TargetSpec targetSpec;
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const Target& c, std::ostream* os) {
  *os << c.name;
}

const Target kTargets[] = {
    {"Chessboard", "chessboard", "9x6", {TargetKind::Chessboard, 9, 6, 60.0}},
    {"Circles", "circles", "7x5", {TargetKind::Circles, 7, 5, 80.0}},
    {"StaggeredCircles", "acircles", "4x11", {TargetKind::AsymmetricCircles, 4, 11, 40.0}},
};

// Every series is drawn once for all tests of the file.
class PhotoSeries {
public:
  static const test::RenderedSeries& of(const Target& t) {
    static std::map<std::string, test::RenderedSeries> drawn;
    auto it = drawn.find(t.name);
    if (it == drawn.end()) {
      test::PhotoScene first;
      first.target = t.targetSpec;
      first.focal = kFocal;
      first.distance = 480.0;
      first.rollDegrees = 1.5;
      first.blurSigma = 0.8;
      first.noiseLevels = 2.0;
      fs::create_directories(folder().path() + t.name);
      it = drawn.emplace(t.name, test::renderSeries(folder().path() + t.name + "/", first, 6, kStep)).first;
    }
    return it->second;
  }
  static std::string blank() {
    static const std::string path = test::writeBlankPhoto(folder().path() + "blank.png", 1200, 900);
    return path;
  }

private:
  static const test::TempFolder& folder() {
    static const test::TempFolder f;
    return f;
  }
};

std::vector<std::string> detectArgs(const Target& t, const std::string& out,
                                    const std::vector<std::string>& photos,
                                    std::vector<std::string> extra = {}) {
  std::vector<std::string> args{"detect", "--pattern", t.pattern, "--size", t.size};
  args.insert(args.end(), {"--square", std::to_string(t.targetSpec.pitch), "--step", "40", "--out", out});
  if (std::find(extra.begin(), extra.end(), "--decimal-separator") == extra.end()) {
    args.insert(args.end(), {"--decimal-separator", "."});
  }
  args.insert(args.end(), extra.begin(), extra.end());
  args.insert(args.end(), photos.begin(), photos.end());
  return args;
}

nlohmann::json computeJson(const std::string& out, const char* separator = ".") {
  const CliRun r = cli({"compute", "--camera", out + "/camera.cam", "--scene", out + "/scene.crd", "--list",
                        out + "/series.lst", "--decimal-separator", separator, "--json"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  return nlohmann::json::parse(r.out);
}

// The refined fit over the files detect wrote, read through the same readers as compute.
RefinedResult refinedFit(const std::string& out) {
  RefineInput in;
  std::vector<std::string> table;
  double focal = 0.0;
  EXPECT_TRUE(ReadCameraFile(out + "/camera.cam", in.imageCentreX, in.imageCentreY, table, focal,
                             in.settings.imageWidth, in.settings.imageHeight, '.')
                  .ok);
  VT_Points scene(1);
  EXPECT_TRUE(ReadScenePoints(out + "/scene.crd", scene, '.').ok);
  for (int i = 0; i < scene.Count(); ++i) {
    in.points.scene.push_back({scene.Get(i)->x, scene.Get(i)->y});
  }
  std::array<std::string, 101> names{};
  std::array<double, 101> steps{};
  int count = 0;
  ReadListFile(out + "/series.lst", names, steps, count, '.');
  for (int j = 0; j < count; ++j) {
    VT_Points points(1);
    EXPECT_TRUE(ReadImagePoints(out + "/" + names[static_cast<std::size_t>(j)], points, table,
                                in.imageCentreX, in.imageCentreY, '.')
                    .ok);
    std::vector<Point2> image;
    for (int i = 0; i < points.Count(); ++i) {
      image.push_back({points.Get(i)->x, points.Get(i)->y});
    }
    in.points.images.push_back(image);
    in.settings.imageValues.push_back(steps[static_cast<std::size_t>(j)]);
  }
  return refineSeries(in);
}

// Everything under a folder, hidden entries included.
std::set<std::string> entries(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    names.insert(fs::relative(e.path(), folder).string());
  }
  return names;
}

class DetectThenCompute : public ::testing::TestWithParam<Target> {};

// The photo road: detect writes the files, compute reads them as they are and finds the focal length
// the photos were drawn with, without asking whether to overwrite a focal length; so does the
// refined fit over the same files.
TEST_P(DetectThenCompute, FindsTheFocalLengthTheCameraHad) {
  const Target& t = GetParam();
  test::TempFolder work;
  const std::string out = work.path() + "series";
  const CliRun detected =
      cli(detectArgs(t, out, PhotoSeries::of(t).photos, {"--overlays", work.path() + "marks"}));
  ASSERT_EQ(detected.status, 0) << detected.err;
  EXPECT_EQ(detected.out, out + "/camera.cam\n" + out + "/scene.crd\n" + out + "/series.lst\n");
  EXPECT_NE(detected.err.find("[6/6] "), std::string::npos) << "progress on stderr";

  const nlohmann::json result = computeJson(out);
  ASSERT_EQ(result["status"], "ok") << result.dump();
  const double focal = result["meanValue"];
  const RefinedResult refined = refinedFit(out);
  ASSERT_TRUE(refined.ok) << refined.message;
  std::printf("  %s: focal %.4f px from %d values, refined %.4f px\n", t.name, focal,
              result["valueCount"].get<int>(), refined.focal);
  EXPECT_LE(std::abs(focal - kFocal) / kFocal, 0.001);
  EXPECT_LE(std::abs(refined.focal - kFocal) / kFocal, 0.0005);
  for (const auto& w : result["warnings"]) {
    EXPECT_EQ(w.get<std::string>().find("уже вычислено"), std::string::npos);
  }
  // One overlay per photo, as large as the photo.
  for (const auto& photo : PhotoSeries::of(t).photos) {
    const std::string stem = fs::path(photo).stem().string();
    const cv::Mat marks = cv::imread(work.path() + "marks/" + stem + "_points.jpg");
    EXPECT_EQ(marks.cols, 1200) << stem;
    EXPECT_EQ(marks.rows, 900) << stem;
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, DetectThenCompute, ::testing::ValuesIn(kTargets),
                         [](const auto& p) { return std::string(p.param.name); });

// Photos that state their focal length in EXIF, as a camera stores them: camera.cam records it in
// pixels on line 9, detect's summary and JSON name it, and compute's result, which agrees, draws no
// warning. When the zoom was turned between shots (one photo at 6 mm) nothing is recorded and detect
// says why.
TEST(Detect, RecordsTheFocalLengthThePhotosStateInExif) {
  const Target& t = kTargets[0];
  test::TempFolder work;
  std::vector<std::string> photos;
  for (std::size_t k = 0; k < 4; ++k) {
    const std::string png = PhotoSeries::of(t).photos[k];
    photos.push_back(test::copyAsJpeg(png, work.path() + fs::path(png).stem().string() + ".jpg"));
    // 5 mm at 5080 pixels per inch (200 per mm): the 1000 px the photos were drawn with.
    test::writeExif(photos.back(), {{"Exif.Photo.FocalLength", "50/10"},
                                    {"Exif.Photo.FocalPlaneXResolution", "5080/1"},
                                    {"Exif.Photo.FocalPlaneResolutionUnit", "2"},
                                    {"Exif.Photo.PixelXDimension", "1200"},
                                    {"Exif.Photo.PixelYDimension", "900"}});
  }
  const std::string same = work.path() + "same";
  const CliRun agreed = cli(detectArgs(t, same, photos, {"--json"}));
  ASSERT_EQ(agreed.status, 0) << agreed.err;
  const std::vector<std::string> lines = loadLines(same + "/camera.cam").lines;
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[8], "1000 ; Фокусное расстояние по EXIF (пикс.)");
  EXPECT_EQ(nlohmann::json::parse(agreed.out)["exifFocalLength"], 1000.0);
  EXPECT_NE(agreed.err.find("Фокусное расстояние по EXIF: 1000.0 пикс."), std::string::npos) << agreed.err;
  const nlohmann::json computed = computeJson(same);
  EXPECT_EQ(computed["exifFocalLength"], 1000.0);
  for (const auto& w : computed["warnings"]) {
    EXPECT_EQ(w.get<std::string>().find("EXIF"), std::string::npos) << w;
  }

  test::writeExif(photos[2], {{"Exif.Photo.FocalLength", "60/10"}});
  const std::string zoomed = work.path() + "zoomed";
  const CliRun r = cli(detectArgs(t, zoomed, photos, {"--json"}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(loadLines(zoomed + "/camera.cam").lines.size(), 8u);
  const nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_TRUE(j["exifFocalLength"].is_null());
  ASSERT_EQ(j["warnings"].size(), 1u);
  const std::string warning = j["warnings"][0];
  EXPECT_NE(warning.find("фокусное расстояние по EXIF меняется от снимка к снимку"), std::string::npos);
  EXPECT_NE(warning.find(photos[2] + ": 1200.0 пикс."), std::string::npos) << warning;
  EXPECT_NE(r.err.find("Предупреждение: " + warning), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("Фокусное расстояние по EXIF:"), std::string::npos) << r.err;
}

struct SkipCase {
  const char* name;
  std::size_t blankAt;
  std::vector<double> steps; // the list file's travel, in camera steps
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const SkipCase& c, std::ostream* os) {
  *os << c.name;
}

class SkipUndetected : public ::testing::TestWithParam<SkipCase> {};

// A photo without the target is left out and the camera's travel still adds up: compute finds the
// same focal length.
TEST_P(SkipUndetected, KeepsTheDistancesRight) {
  const Target& t = kTargets[0];
  std::vector<std::string> photos = PhotoSeries::of(t).photos;
  photos[GetParam().blankAt] = PhotoSeries::blank();
  test::TempFolder work;
  const std::string out = work.path() + "series";
  const CliRun r =
      cli(detectArgs(t, out, photos, {"--skip-undetected", "--json", "--decimal-separator", ","}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("Предупреждение: " + PhotoSeries::blank() + ": снимок пропущен"), std::string::npos)
      << r.err;

  std::array<std::string, 101> names;
  std::array<double, 101> steps{};
  int count = 0;
  ReadListFile(out + "/series.lst", names, steps, count, ',');
  ASSERT_EQ(count, 5);
  for (std::size_t k = 0; k < GetParam().steps.size(); ++k) {
    EXPECT_EQ(steps[k], kStep * GetParam().steps[k]) << "step after photo " << k;
  }
  const nlohmann::json report = nlohmann::json::parse(r.out);
  EXPECT_EQ(report["status"], "ok");
  EXPECT_EQ(report["schemaVersion"], 1);
  EXPECT_EQ(report["kavoVersion"], KAVO_VERSION);
  EXPECT_EQ(report["photos"][GetParam().blankAt]["status"], "not-found");
  EXPECT_TRUE(report["photos"][GetParam().blankAt]["coordinates"].is_null());

  const double focal = computeJson(out, ",")["meanValue"];
  EXPECT_LE(std::abs(focal - kFocal) / kFocal, 0.001) << focal;
}

const SkipCase kSkips[] = {
    {"First", 0, {1, 1, 1, 1}},
    {"Middle", 2, {1, 2, 1, 1}},
    {"Last", 5, {1, 1, 1, 1}},
};
INSTANTIATE_TEST_SUITE_P(Photos, SkipUndetected, ::testing::ValuesIn(kSkips),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Detect, BlankPhotoIsNamedAndNothingIsWritten) {
  const Target& t = kTargets[0];
  std::vector<std::string> photos = PhotoSeries::of(t).photos;
  photos[3] = PhotoSeries::blank();
  test::TempFolder work;
  const CliRun r = cli(detectArgs(t, work.path() + "series", photos, {"--overlays", work.path() + "marks"}));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("kavo-cli detect: " + PhotoSeries::blank() + ": снимок пуст"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("ничего не записано"), std::string::npos) << r.err;
  EXPECT_TRUE(entries(work.path()).empty()) << "no folder, hidden or not, is left";
}

// A photo cut short or damaged is no photo without the target: it stops detect even where those are
// left out, is named, and nothing is written (OpenCV alone decodes the JPEG with grey where it ends).
TEST(Detect, DamagedPhotoStopsEvenWithSkipUndetected) {
  const Target& t = kTargets[0];
  for (const char* name : {"cut91.jpg", "cut60.png", "damaged.tif"}) {
    SCOPED_TRACE(name);
    std::vector<std::string> photos = PhotoSeries::of(t).photos;
    const std::string damaged = std::string(KAVO_TEST_DATA) + "/photos/" + name;
    photos[2] = damaged;
    test::TempFolder work;
    const CliRun r = cli(detectArgs(t, work.path() + "series", photos,
                                    {"--skip-undetected", "--json", "--overlays", work.path() + "marks"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("kavo-cli detect: " + damaged + ": файл повреждён или обрезан"), std::string::npos)
        << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["photos"][2]["status"], "failed");
    EXPECT_TRUE(entries(work.path()).empty()) << "nothing written";
  }
}

TEST(Detect, RunAgainReplacesItsOwnFilesButNeverTheUsers) {
  const Target& t = kTargets[1];
  const auto& photos = PhotoSeries::of(t).photos;
  test::TempFolder work;
  const std::string out = work.path() + "series";
  ASSERT_EQ(cli(detectArgs(t, out, photos)).status, 0);
  // A second run with fewer photos: the old coordinate files go with the old folder.
  ASSERT_EQ(cli(detectArgs(t, out, {photos.begin(), photos.begin() + 3})).status, 0);
  EXPECT_FALSE(fs::exists(out + "/img04.crd"));
  EXPECT_TRUE(fs::exists(out + "/img03.crd"));
  // A folder holding the user's own files is refused and kept.
  work.write("series/notes.txt", "mine");
  const CliRun r = cli(detectArgs(t, out, photos));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("(notes.txt)"), std::string::npos) << r.err;
  EXPECT_EQ(test::readBytes(out + "/notes.txt"), "mine");
  EXPECT_TRUE(fs::exists(out + "/img03.crd"));
}

// The desktop's layout: overlays in the series folder's subfolder, the report and Save's camera copy
// beside the files. A rerun, with the overlays or without them, replaces what detect wrote and keeps
// the report and the copy as they were.
TEST(Detect, RunAgainOverItsOverlaysKeepsTheReportAndTheCameraCopy) {
  const Target& t = kTargets[0];
  const auto& photos = PhotoSeries::of(t).photos;
  test::TempFolder work;
  const std::string out = work.path() + "series";
  ASSERT_EQ(cli(detectArgs(t, out, photos, {"--overlays", out + "/overlays"})).status, 0);
  work.write("series/series-report.html", "<html>report</html>");
  work.write("series/cameraF.cam", "copy");
  for (const bool overlays : {true, false}) {
    SCOPED_TRACE(overlays ? "with overlays" : "without overlays");
    const CliRun r = cli(detectArgs(t, out, {photos.begin(), photos.begin() + 4},
                                    overlays ? std::vector<std::string>{"--overlays", out + "/overlays"}
                                             : std::vector<std::string>{}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::readBytes(out + "/series-report.html"), "<html>report</html>");
    EXPECT_EQ(test::readBytes(out + "/cameraF.cam"), "copy");
    EXPECT_FALSE(fs::exists(out + "/img05.crd"));
    EXPECT_EQ(fs::exists(out + "/overlays/img04_points.jpg"), overlays);
    EXPECT_FALSE(fs::exists(out + "/overlays/img05_points.jpg"));
  }
}

// A ChArUco board larger than the frame in the three nearest photos: every photo gives the corners it
// sees, the series holds those seen in all of them, and the refined fit finds the focal length.
TEST(Detect, ChArUcoBoardCroppedInTheNearestPhotos) {
  const TargetSpec board{TargetKind::Charuco, 12, 9, 40.0, 30.0, 5};
  test::PhotoScene first;
  first.target = board;
  first.focal = kFocal;
  first.distance = 280.0;
  first.rollDegrees = 1.5;
  first.blurSigma = 0.8;
  first.noiseLevels = 2.0;
  test::TempFolder work;
  const auto series = test::renderSeries(work.path(), first, 6, kStep);
  const std::string out = work.path() + "series";
  std::vector<std::string> args{
      "detect", "--pattern",    "charuco",      "--size", "12x9", "--square", "40", "--marker",
      "30",     "--dictionary", "DICT_5X5_100", "--step", "40",   "--out",    out,  "--decimal-separator",
      ".",      "--json"};
  args.insert(args.end(), series.photos.begin(), series.photos.end());
  const CliRun r = cli(args);
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json report = nlohmann::json::parse(r.out);
  const int shared = report["sharedPoints"];
  for (int k = 0; k < 3; ++k) {
    EXPECT_LT(report["photos"][k]["points"].get<int>(), 88) << "photo " << k << " sees part of the board";
  }
  EXPECT_EQ(report["photos"][5]["points"], 88) << "the farthest sees it whole";
  EXPECT_GE(shared, 20);
  EXPECT_NE(r.err.find("Точек мишени, видных на всех снимках: " + std::to_string(shared)), std::string::npos)
      << r.err;
  VT_Points scene(1);
  ASSERT_TRUE(ReadScenePoints(out + "/scene.crd", scene, '.').ok);
  EXPECT_EQ(scene.Count(), shared);
  const RefinedResult refined = refinedFit(out);
  ASSERT_TRUE(refined.ok) << refined.message;
  std::printf("  ChArUco: %d points in every photo, refined %.4f px\n", shared, refined.focal);
  EXPECT_LE(std::abs(refined.focal - kFocal) / kFocal, 0.0005);
}

// Too few corners in common: the photo that brings them below four is named, and nothing is written.
TEST(Detect, ChArUcoSeriesWithTooFewPointsInCommonNamesThePhoto) {
  const TargetSpec board{TargetKind::Charuco, 6, 5, 40.0, 30.0, 5};
  test::TempFolder work;
  std::vector<std::string> photos;
  for (const double offset : {-180.0, 0.0, 200.0}) {
    test::PhotoScene scene;
    scene.target = board;
    scene.distance = 330.0;
    scene.offsetX = offset;
    const std::string path = work.path() + "p" + std::to_string(photos.size() + 1) + ".png";
    cv::imwrite(path, test::storedPhoto(test::renderPhoto(scene).image, 8, false));
    photos.push_back(path);
  }
  std::vector<std::string> args{"detect",   "--pattern", "charuco",  "--size", "6x5",
                                "--square", "40",        "--marker", "30",     "--dictionary",
                                "5x5_100",  "--step",    "40",       "--out",  work.path() + "series"};
  args.insert(args.end(), photos.begin(), photos.end());
  const CliRun r = cli(args);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find(photos[2] + ": с предыдущими снимками у него общих точек мишени"), std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(work.path() + "series"));
}

TEST(Detect, RefusesArgumentsThatCannotMakeASeries) {
  const Target& t = kTargets[0];
  const auto& photos = PhotoSeries::of(t).photos;
  test::TempFolder work;
  const std::string out = work.path() + "series";
  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"detect", "--pattern", "chessboard", "--size", "9", "--square", "20", "--step", "40", "--out", out,
        photos[0], photos[1]},
       "--size"},
      {{"detect", "--pattern", "squares", "--size", "9x6", "--square", "20", "--step", "40", "--out", out,
        photos[0], photos[1]},
       "--pattern"},
      {{"detect", "--pattern", "chessboard", "--size", "9x6", "--square", "20", "--step", "0", "--out", out,
        photos[0], photos[1]},
       "шаг камеры"},
      {{"detect", "--pattern", "chessboard", "--size", "9x6", "--square", "-2", "--step", "40", "--out", out,
        photos[0], photos[1]},
       "шаг сетки"},
      {{"detect", "--pattern", "chessboard", "--size", "9x6", "--square", "20", "--step", "40", "--out", out,
        photos[0]},
       "хотя бы два"},
      {{"detect", "--pattern", "chessboard", "--size", "9x6", "--square", "20", "--step", "40", "--out", out,
        photos[0], photos[0]},
       "указан дважды"},
      {{"detect", "--pattern", "chessboard", "--size", "9x6", "--square", "20", "--step", "40", "--out", out,
        "--decimal-separator", ";", photos[0], photos[1]},
       "--decimal-separator"},
      {{"detect", "--pattern", "charuco", "--size", "9x6", "--square", "20", "--step", "40", "--out", out,
        "--marker", "15", photos[0], photos[1]},
       "--dictionary NAME"},
      {{"detect", "--pattern", "charuco", "--size", "9x6", "--square", "20", "--step", "40", "--out", out,
        "--marker", "25", "--dictionary", "DICT_4X4_50", photos[0], photos[1]},
       "сторона маркера"},
      {{"detect", "--pattern", "charuco", "--size", "12x10", "--square", "20", "--step", "40", "--out", out,
        "--marker", "15", "--dictionary", "DICT_4X4_50", photos[0], photos[1]},
       "в словаре DICT_4X4_50 50 маркеров"},
  };
  for (const auto& c : cases) {
    const CliRun r = cli(c.args);
    EXPECT_EQ(r.status, 2) << c.says;
    EXPECT_NE((r.err + r.out).find(c.says), std::string::npos) << r.err;
  }
  EXPECT_TRUE(entries(work.path()).empty());
}

// A copy of a photo, or a second link to it, is one shot given twice: named with the photo it repeats
// before anything is searched or written.
TEST(Detect, APhotoGivenTwiceUnderAnotherNameIsRefused) {
  const Target& t = kTargets[0];
  const auto& photos = PhotoSeries::of(t).photos;
  test::TempFolder work;
  const std::string copy = work.path() + "copy.png";
  const std::string link = work.path() + "link.png";
  fs::copy_file(photos[1], copy);
  fs::create_hard_link(photos[2], link);
  for (const auto& [again, of] : {std::pair{copy, photos[1]}, std::pair{link, photos[2]}}) {
    SCOPED_TRACE(again);
    const CliRun r = cli(detectArgs(t, work.path() + "series", {photos[0], photos[1], photos[2], again}));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(again + ": тот же снимок, что и " + of), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(work.path() + "series"));
  }
}

} // namespace
} // namespace kavo
