// The refined fit's distortion written as a correction table: a classic run whose camera file names it
// computes on corrected points, and its result moves to the refined value.
#include "app_test_support.h"

#include "app/camera_export.h"
#include "app/correction_from_fit.h"
#include "app/run.h"
#include "app/run_figures.h"
#include "datafiles/correction_table.h"
#include "platform/cp1251.h"

#include <gmock/gmock.h>

#include <cmath>

namespace kavo::testing {
namespace {

using ::testing::HasSubstr;

// folder ends in '/'.
RunResult runOf(const std::string& folder, const std::string& camera, bool refine) {
  RunRequest request;
  request.cameraFile = folder + camera;
  request.sceneFile = folder + "scene.crd";
  request.listFile = folder + "series.lst";
  request.imageFolder = folder;
  request.threads = 1;
  request.refine = refine;
  return computeRun(request, {});
}

struct RoundTrip {
  const char* name;
  double k1;
  double k2;
  double noise;
  int images;
  double pitch;
};

void PrintTo(const RoundTrip& c, std::ostream* os) {
  *os << c.name;
}

class CorrectionRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

// Barrel distortion the series' own table does not undo moves the classic result well off the truth;
// with the table written from the fit, the classic result lies within the classic interval's half
// width of the refined value.
TEST_P(CorrectionRoundTrip, ClassicResultMovesToTheRefinedValue) {
  const RoundTrip& c = GetParam();
  TempFolder folder;
  SynthOptions o;
  o.k1 = c.k1;
  o.k2 = c.k2;
  o.noise = c.noise;
  o.images = c.images;
  o.pitch = c.pitch;
  o.rows = 7;
  o.cols = 9;
  o.seed = 3;
  writeSyntheticSeries(folder.path(), o);
  const RunResult first = runOf(folder.path(), "camera.cam", true);
  ASSERT_EQ(first.status, RunStatus::Done);
  const RunFigures f = runFigures(first);
  ASSERT_EQ(f.refined.status, RefinedStatus::Ok) << f.refinedAbsence;
  ASSERT_TRUE(f.classic.uncertainty.present);
  const double refined = f.refined.focal;
  const double halfWidth = (f.classic.uncertainty.interval95[1] - f.classic.uncertainty.interval95[0]) / 2;
  EXPECT_GT(std::fabs(first.meanValue - refined), 2 * halfWidth) << "the distortion should move it";

  ASSERT_EQ(writeCameraOutput(first, CameraOutputKind::CorrectionTable, folder.file("fitted.txt")), "");
  std::vector<std::string> camera = readLines(folder.file("camera.cam"));
  camera[2] = "fitted.txt ; таблица коррекции из уточнённой подгонки";
  writeLines(folder.file("corrected.cam"), camera);
  const RunResult second = runOf(folder.path(), "corrected.cam", false);
  ASSERT_EQ(second.status, RunStatus::Done) << second.message.detail;
  EXPECT_EQ(second.camera.correctionTablePath, folder.file("fitted.txt"));
  EXPECT_NEAR(second.meanValue, refined, halfWidth)
      << "classic without the table " << first.meanValue << ", refined " << refined;
  // The scale factor of the terms sits near where the theory of a quadruple puts it.
  const FittedCorrection table = correctionFromFit(first);
  EXPECT_GT(table.scale, 0.8);
  EXPECT_LT(table.scale, 2.0);
  EXPECT_NEAR(table.modelClassicCorrected, table.modelClassicUndistorted, 0.2 * halfWidth);
}

const RoundTrip kRoundTrips[] = {
    {"Barrel005", -0.05, 0.0, 0.1, 8, 100.0},
    {"Barrel005WithK2", -0.05, 0.01, 0.1, 10, 80.0},
    {"Pincushion", 0.05, 0.0, 0.1, 8, 100.0},
};
INSTANTIATE_TEST_SUITE_P(Series, CorrectionRoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& test) { return std::string(test.param.name); });

// The table is a correction table as the readers know it: vertical scale on line 1, one range over the
// image and beyond, polynomials of at most ten terms; at the principal point it moves nothing, and
// elsewhere it undoes most of the distortion.
TEST(CorrectionFromFit, IsATableTheRunsRead) {
  TempFolder folder;
  SynthOptions o;
  o.k1 = -0.05;
  o.noise = 0.05;
  writeSyntheticSeries(folder.path(), o);
  const RunResult run = runOf(folder.path(), "camera.cam", true);
  const FittedCorrection table = correctionFromFit(run);
  ASSERT_EQ(table.refusal, "");
  ASSERT_EQ(table.lines.size(), 2u);
  EXPECT_EQ(table.lines[0], "1");
  EXPECT_THAT(table.lines[1], HasSubstr("; радиальное искажение k1 = -0.0"));
  const auto source = exportedCamera(run);
  ASSERT_TRUE(source.camera);
  const ExportedCamera& c = *source.camera;
  EXPECT_NEAR(CorrectX(c.cx, table.lines, run.camera.imageCentreX, '.'), c.cx - run.camera.imageCentreX,
              1e-6);
  EXPECT_NEAR(CorrectY(c.cy, table.lines, run.camera.imageCentreY, '.'), run.camera.imageCentreY - c.cy,
              1e-6);
  // Barrel distortion pulls the edges in: the table pushes them out.
  EXPECT_LT(CorrectX(0.0, table.lines, run.camera.imageCentreX, '.'), -run.camera.imageCentreX - 5.0);
  EXPECT_LT(table.largestResidual, 0.6 * table.largestDistortion);
  const CameraOutputBytes bytes = cameraOutputBytes(run, CameraOutputKind::CorrectionTable);
  EXPECT_EQ(bytes.refusal, "");
  EXPECT_EQ(splitLines(decodeCp1251(bytes.bytes)), table.lines);
  EXPECT_NE(bytes.bytes.find("\r\n"), std::string::npos);
}

} // namespace
} // namespace kavo::testing
