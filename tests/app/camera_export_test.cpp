// The refined camera carried out to other tools: every export read back by its own reader (OpenCV's
// FileStorage, ROS's camera calibration parser, COLMAP's model reader) equals the run's refined
// values to the last digit, in each format's pixel convention; and what is refused.
#include "app_test_support.h"

#include "app/camera_export.h"
#include "app/run.h"
#include "app/run_figures.h"

#include <gmock/gmock.h>
#include <opencv2/core.hpp>
#include <yaml-cpp/yaml.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kavo::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// A run of a synthetic series whose camera has distortion and a principal point off the centre.
struct ExportBench {
  explicit ExportBench(SynthOptions options = defaults(), bool refine = true) {
    series = writeSyntheticSeries(folder.path(), options);
    RunRequest request;
    request.cameraFile = series.cameraFile;
    request.sceneFile = series.sceneFile;
    request.listFile = series.listFile;
    request.imageFolder = folder.path();
    request.threads = 1;
    request.refine = refine;
    result = computeRun(request, {});
    figures = runFigures(result);
  }
  static SynthOptions defaults() {
    SynthOptions o;
    o.noise = 0.05;
    o.k1 = -0.04;
    o.k2 = 0.01;
    o.principalOffsetX = 12.5;
    o.principalOffsetY = -7.25;
    o.images = 7;
    return o;
  }
  std::string write(CameraOutputKind kind, const std::string& name) const {
    const std::string path = folder.file(name);
    EXPECT_EQ(writeCameraOutput(result, kind, path), "");
    return path;
  }
  TempFolder folder;
  SynthSeries series;
  RunResult result;
  RunFigures figures;
};

std::string textOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

double shortestReadBack(const std::string& text) {
  double v = 0.0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  EXPECT_EQ(r.ptr, text.data() + text.size()) << text;
  return v;
}

TEST(CameraExport, NumbersAreShortestRoundTripsWithADecimalPoint) {
  const std::pair<double, const char*> cases[] = {
      {1600.0, "1600.0"}, {1e-05, "1.0e-05"},       {-0.05, "-0.05"},
      {0.0, "0.0"},       {1799.7003, "1799.7003"}, {1.0 / 3.0, "0.3333333333333333"}};
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(exportNumber(value), text);
    EXPECT_EQ(shortestReadBack(exportNumber(value)), value);
  }
}

// OpenCV's own reader: the camera matrix and the distortion coefficients are the refined values to
// the last bit; the principal point is in the measured pixels, which detect gives in OpenCV's
// convention (the centre of the top-left pixel at 0, 0).
TEST(CameraExport, OpenCvFileStorageReadsTheRefinedCamera) {
  const ExportBench b;
  ASSERT_EQ(b.figures.refined.status, RefinedStatus::Ok) << b.figures.refinedAbsence;
  const ReportRefined& r = b.figures.refined;
  cv::FileStorage fs(b.write(CameraOutputKind::OpenCv, "camera.yml"), cv::FileStorage::READ);
  ASSERT_TRUE(fs.isOpened());
  EXPECT_EQ(static_cast<int>(fs["image_width"]), 2000);
  EXPECT_EQ(static_cast<int>(fs["image_height"]), 1500);
  cv::Mat k, d;
  fs["camera_matrix"] >> k;
  fs["distortion_coefficients"] >> d;
  ASSERT_EQ(k.rows, 3);
  ASSERT_EQ(k.cols, 3);
  ASSERT_EQ(k.type(), CV_64F);
  EXPECT_EQ(k.at<double>(0, 0), r.focal);
  EXPECT_EQ(k.at<double>(1, 1), r.focal);
  EXPECT_EQ(k.at<double>(0, 2), r.principalPoint[0]);
  EXPECT_EQ(k.at<double>(1, 2), r.principalPoint[1]);
  EXPECT_EQ(k.at<double>(0, 1), 0.0);
  EXPECT_EQ(k.at<double>(2, 2), 1.0);
  ASSERT_EQ(d.total(), 5u);
  EXPECT_EQ(d.at<double>(0), r.distortion.k1);
  EXPECT_EQ(d.at<double>(1), r.distortion.k2);
  EXPECT_EQ(d.at<double>(2), 0.0);
  EXPECT_EQ(d.at<double>(4), 0.0);
  // The truth of the series, for a sense of the numbers: 1800 px, the point 12.5 px right, 7.25 up.
  // The fit also frees the rail's direction here, which the principal point shares some of its
  // freedom with: the point is known to a few pixels.
  EXPECT_NEAR(r.focal, 1800.0, 2.0);
  EXPECT_NEAR(r.principalPoint[0], 1012.5, 3.0);
  EXPECT_NEAR(r.principalPoint[1], 742.75, 3.0);
  EXPECT_NEAR(r.distortion.k1, -0.04, 0.005);

  EXPECT_EQ(static_cast<double>(fs["kavo_focal_standard_error"]), r.standardError);
  std::vector<double> interval;
  fs["kavo_focal_interval95"] >> interval;
  EXPECT_EQ(interval, (std::vector<double>{r.interval95[0], r.interval95[1]}));
  EXPECT_EQ(static_cast<double>(fs["kavo_reprojection_rms"]), r.reprojectionRms);
  EXPECT_EQ(static_cast<double>(fs["kavo_tilt_degrees"]), r.tiltDegrees);
  const cv::FileNode inputs = fs["kavo_inputs"];
  ASSERT_EQ(inputs.size(), b.result.inputs.files.size());
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const cv::FileNode f = inputs[static_cast<int>(i)];
    EXPECT_EQ(static_cast<std::string>(f["file"]), b.result.inputs.files[i].path);
    EXPECT_EQ(static_cast<std::string>(f["sha256"]), b.result.inputs.files[i].sha256);
    EXPECT_EQ(static_cast<std::string>(f["role"]), b.result.inputs.files[i].role);
  }
}

std::vector<double> dataOf(const YAML::Node& matrix, int rows, int cols) {
  EXPECT_EQ(matrix["rows"].as<int>(), rows);
  EXPECT_EQ(matrix["cols"].as<int>(), cols);
  return matrix["data"].as<std::vector<double>>();
}

// ROS's camera_info: read as ROS's parser reads it (yaml-cpp), then through the parser itself, which
// rewrites it; both give the refined values to the last bit.
TEST(CameraExport, RosCameraInfoReadsTheRefinedCamera) {
  const ExportBench b;
  ASSERT_EQ(b.figures.refined.status, RefinedStatus::Ok) << b.figures.refinedAbsence;
  const ReportRefined& r = b.figures.refined;
  const std::string path = b.write(CameraOutputKind::Ros, "camera.yaml");
  const std::string rewritten = b.folder.file("rewritten.yaml");
  const char* parser = "/usr/lib/camera_calibration_parsers/convert";
  ASSERT_TRUE(fs::exists(parser)) << "scripts/install-deps.sh installs camera-calibration-parsers-tools";
  ASSERT_EQ(
      std::system((std::string(parser) + " '" + path + "' '" + rewritten + "' >/dev/null 2>&1").c_str()), 0);
  for (const std::string& file : {path, rewritten}) {
    SCOPED_TRACE(file);
    const YAML::Node y = YAML::LoadFile(file);
    EXPECT_EQ(y["image_width"].as<int>(), 2000);
    EXPECT_EQ(y["image_height"].as<int>(), 1500);
    EXPECT_EQ(y["camera_name"].as<std::string>(), "camera");
    EXPECT_EQ(y["distortion_model"].as<std::string>(), "plumb_bob");
    const double f = r.focal, cx = r.principalPoint[0], cy = r.principalPoint[1];
    EXPECT_EQ(dataOf(y["camera_matrix"], 3, 3), (std::vector<double>{f, 0, cx, 0, f, cy, 0, 0, 1}));
    EXPECT_EQ(dataOf(y["distortion_coefficients"], 1, 5),
              (std::vector<double>{r.distortion.k1, r.distortion.k2, 0, 0, 0}));
    EXPECT_EQ(dataOf(y["rectification_matrix"], 3, 3), (std::vector<double>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(dataOf(y["projection_matrix"], 3, 4),
              (std::vector<double>{f, 0, cx, 0, 0, f, cy, 0, 0, 0, 1, 0}));
  }
}

// The camera line of a COLMAP cameras.txt: id, model, width, height and the parameters.
struct ColmapCamera {
  int id = 0;
  std::string model;
  int width = 0, height = 0;
  std::vector<double> params;
};

ColmapCamera readColmapCamera(const std::string& path) {
  std::istringstream in(textOf(path));
  std::string line;
  ColmapCamera c;
  int cameras = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    ++cameras;
    std::istringstream fields(line);
    fields >> c.id >> c.model >> c.width >> c.height;
    for (std::string p; fields >> p;) {
      c.params.push_back(shortestReadBack(p));
    }
  }
  EXPECT_EQ(cameras, 1);
  return c;
}

// COLMAP counts pixels from the top-left corner of the image (the centre of the first pixel at 0.5,
// 0.5): its principal point is OpenCV's plus half a pixel. COLMAP's own model reader takes the file
// and writes it back with the same numbers.
TEST(CameraExport, ColmapCamerasTxtReadsTheRefinedCamera) {
  const ExportBench b;
  ASSERT_EQ(b.figures.refined.status, RefinedStatus::Ok) << b.figures.refinedAbsence;
  const ReportRefined& r = b.figures.refined;
  const TempFolder model, rewritten;
  ASSERT_EQ(writeCameraOutput(b.result, CameraOutputKind::Colmap, model.file("cameras.txt")), "");
  std::ofstream(model.file("images.txt")).flush();
  std::ofstream(model.file("points3D.txt")).flush();
  ASSERT_EQ(std::system("command -v colmap >/dev/null"), 0) << "scripts/install-deps.sh installs colmap";
  ASSERT_EQ(std::system(("colmap model_converter --input_path '" + model.path() + "' --output_path '" +
                         rewritten.path() + "' --output_type TXT >/dev/null 2>&1")
                            .c_str()),
            0);
  const std::vector<double> expected{r.focal,
                                     r.focal,
                                     r.principalPoint[0] + 0.5,
                                     r.principalPoint[1] + 0.5,
                                     r.distortion.k1,
                                     r.distortion.k2,
                                     0.0,
                                     0.0};
  for (const std::string& file : {model.file("cameras.txt"), rewritten.file("cameras.txt")}) {
    SCOPED_TRACE(file);
    const ColmapCamera c = readColmapCamera(file);
    EXPECT_EQ(c.id, 1);
    EXPECT_EQ(c.model, "OPENCV");
    EXPECT_EQ(c.width, 2000);
    EXPECT_EQ(c.height, 1500);
    EXPECT_EQ(c.params, expected);
  }
  EXPECT_THAT(textOf(model.file("cameras.txt")), HasSubstr(b.result.inputs.files[0].sha256));
}

// No refined value (the fit switched off), a camera whose correction table changes the points, or an
// image size that is no whole number of pixels: nothing is written and the reason says why.
TEST(CameraExport, RefusesWithoutARefinedCameraOfThePhotosThemselves) {
  const ExportBench off(ExportBench::defaults(), false);
  for (const CameraOutputKind kind : {CameraOutputKind::OpenCv, CameraOutputKind::Ros,
                                      CameraOutputKind::Colmap, CameraOutputKind::CorrectionTable}) {
    const std::string path = off.folder.file("refused.out");
    const std::string problem = writeCameraOutput(off.result, kind, path);
    EXPECT_THAT(problem, HasSubstr("уточнённое значение не получено"));
    EXPECT_EQ(problem.rfind(cameraOutputName(kind) + " не записана", 0), 0u) << problem;
    EXPECT_FALSE(fs::exists(path));
  }

  ExportBench b;
  RunResult changed = b.result;
  changed.camera.correctionTable = {"1", "-2000 -1500 4000 3000 X 0 1.001 - Y 0 1 - ; растяжение"};
  EXPECT_THAT(cameraOutputBytes(changed, CameraOutputKind::OpenCv).refusal,
              HasSubstr("описывает точки после таблицы коррекции"));
  RunResult fractional = b.result;
  fractional.camera.imageWidth = 1999.5;
  EXPECT_THAT(cameraOutputBytes(fractional, CameraOutputKind::Ros).refusal,
              HasSubstr("не целое число пикселей"));
}

// A correction table that only scales rows (line 1) leaves pixels square in the fit: the rows' focal
// length is the scale times the columns'.
TEST(CameraExport, VerticalScaleGivesTheRowsTheirOwnFocalLength) {
  ExportBench b;
  RunResult scaled = b.result;
  scaled.camera.verticalScale = 1.25;
  scaled.camera.correctionTable[0] = "1.25";
  const auto source = exportedCamera(scaled);
  ASSERT_TRUE(source.camera) << source.refusal;
  EXPECT_EQ(source.camera->fx, b.figures.refined.focal);
  EXPECT_EQ(source.camera->fy, b.figures.refined.focal * 1.25);
}

} // namespace
} // namespace kavo::testing
