#include "sample_report.h"

#include "datafiles/camera_file.h"
#include "datafiles/coordinate_files.h"
#include "datafiles/list_file.h"
#include "graph/distribution_numbers.h"
#include "report/file_digest.h"
#include "report/report_distribution.h"

#include <array>
#include <filesystem>

namespace kavo::testing {
namespace {

std::vector<Point2> pointsOf(const VT_Points& list) {
  std::vector<Point2> out;
  for (int i = 0; i < list.Count(); ++i) {
    out.push_back({list.Get(i)->x, list.Get(i)->y});
  }
  return out;
}

void check(const ReadStatus& status) {
  if (!status.ok) {
    throw Error(status.message + " " + status.detail);
  }
}

} // namespace

LoadedSeries loadSeries(const std::string& cameraFile, const std::string& sceneFile,
                        const std::string& listFile, char sep) {
  LoadedSeries s;
  s.cameraFile = cameraFile;
  s.sceneFile = sceneFile;
  s.listFile = listFile;
  double cx = 0, cy = 0, focal = 0, width = 0, height = 0;
  std::vector<std::string> table;
  check(ReadCameraFile(cameraFile, cx, cy, table, focal, width, height, sep));
  s.correctionFile = (std::filesystem::path(cameraFile).parent_path() / "correction.txt").string();

  VT_Points scene(1);
  check(ReadScenePoints(sceneFile, scene, sep));
  s.points.scene = pointsOf(scene);

  std::array<std::string, 101> names{};
  std::array<double, 101> values{};
  int count = 0;
  ReadListFile(listFile, names, values, count, sep);
  const std::filesystem::path folder = std::filesystem::path(listFile).parent_path();
  for (int i = 0; i < count; ++i) {
    s.imageFiles.push_back((folder / names[i]).string());
    VT_Points image(1);
    check(ReadImagePoints(s.imageFiles.back(), image, table, cx, cy, sep));
    s.points.images.push_back(pointsOf(image));
    s.steps.push_back(values[i]);
  }
  s.settings.imageWidth = width;
  s.settings.imageHeight = height;
  s.settings.imageValues = s.steps;
  return s;
}

ReportInput classicReportInput(const LoadedSeries& series, char sep, int mode) {
  ReportInput in;
  in.programVersion = "1.0.0";
  in.date = "10.12.2025 12:00";
  in.decimalSeparator = sep;
  in.files = {{"Файл внутренней геометрии", series.cameraFile, {}, {}},
              {"Файл координат точек сцены", series.sceneFile, {}, {}},
              {"Список калибровочных файлов", series.listFile, {}, {}},
              {"Таблица поправок", series.correctionFile, {}, {}}};
  for (std::size_t i = 0; i < series.imageFiles.size(); ++i) {
    in.files.push_back({"Изображение " + std::to_string(i + 1), series.imageFiles[i], {}, {}});
  }
  addFileDigests(in);
  in.imageCount = static_cast<int>(series.points.images.size());
  in.scenePointCount = static_cast<int>(series.points.scene.size());
  for (const auto& image : series.points.images) {
    in.measuredPointCount += static_cast<std::int64_t>(image.size());
  }
  in.settings.mode = mode;

  const FocalValues values = enumerateFocalValues(series.points, series.settings, {});
  const Statistics unclipped = unclippedStatistics(values);
  const Statistics clipped = clippedStatistics(values, unclipped, series.settings.clipSigmaCount);
  in.classic.present = true;
  in.classic.valueCount = values.size();
  in.classic.focal = clipped.mean;
  in.classic.deviation = clipped.deviation;
  in.classic.standardDeviation = clipped.standardDeviation;
  const DistributionNumbers shown{unclipped.mean, series.settings.clipSigmaCount, unclipped.deviation,
                                  unclipped.standardDeviation};
  in.distribution = reportDistribution(values, shown, clipped.mean);
  return in;
}

} // namespace kavo::testing
