#include "app/camera_export.h"

#include "app/correction_from_fit.h"
#include "app/run_figures.h"
#include "datafiles/correction_table.h"
#include "platform/atomic_file.h"
#include "platform/cp1251.h"
#include "platform/number_text.h"
#include "platform/paths.h"

#include <charconv>
#include <cmath>

namespace kavo {

std::string exportNumber(double value) {
  char buffer[64];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, written.ptr);
  if (!std::isfinite(value) || text.find('.') != std::string::npos) {
    return text;
  }
  // "1e-05" and "1600" read as strings or integers in YAML 1.1: "1.0e-05", "1600.0".
  const std::size_t e = text.find('e');
  return e == std::string::npos ? text + ".0" : text.insert(e, ".0");
}

namespace {

std::string identifierOf(const std::string& cameraFile) {
  std::string name = fileNameOf(cameraFile);
  if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) {
    name.resize(dot);
  }
  for (char& c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    c = plain ? c : '_';
  }
  return name.empty() ? std::string("camera") : name;
}

// The image size of the camera file as whole pixels, or nothing.
std::optional<int> wholePixels(double size) {
  if (!(size >= 1.0 && size <= 1e6) || size != std::floor(size)) {
    return std::nullopt;
  }
  return static_cast<int>(size);
}

bool same(double a, double b) {
  return std::fabs(a - b) <= 1e-9 * (1.0 + std::fabs(b));
}

} // namespace

std::string correctionTableChange(const CameraFacts& camera, char sep) {
  const double k = camera.verticalScale;
  const int n = 9;
  try {
    for (int i = 0; i < n; ++i) {
      // Inside the image, off its first row and column, where a table of negative powers is undefined.
      const double x = camera.imageWidth * (i + 0.5) / n;
      const double y = camera.imageHeight * (i + 0.5) / n;
      const double cx = CorrectX(x, camera.correctionTable, camera.imageCentreX, sep);
      if (!same(cx, x - camera.imageCentreX)) {
        return "таблица коррекции меняет измеренный x = " + formatGeneral(x, sep) + " на " +
               formatGeneral(cx + camera.imageCentreX, sep);
      }
      const double cy = CorrectY(y, camera.correctionTable, camera.imageCentreY, sep);
      if (!same(camera.imageCentreY - k * cy, y)) {
        return "таблица коррекции меняет измеренный y = " + formatGeneral(y, sep) + " на " +
               formatGeneral(camera.imageCentreY - k * cy, sep);
      }
    }
  } catch (const CorrectionError& e) {
    return e.what();
  }
  return {};
}

CameraExportSource exportedCamera(const RunResult& result) {
  const RunFigures f = runFigures(result);
  if (f.refined.status != RefinedStatus::Ok) {
    return {std::nullopt, "уточнённое значение не получено. " + f.refinedAbsence};
  }
  const CameraFacts& facts = result.camera;
  const char sep = result.inputs.decimalSeparator;
  const auto width = wholePixels(facts.imageWidth);
  const auto height = wholePixels(facts.imageHeight);
  if (!width || !height) {
    return {std::nullopt, "размер изображения в файле камеры " + formatGeneral(facts.imageWidth, sep) +
                              " × " + formatGeneral(facts.imageHeight, sep) + " не целое число пикселей"};
  }
  if (const std::string change = correctionTableChange(facts, sep); !change.empty()) {
    return {std::nullopt, "уточнённая камера описывает точки после таблицы коррекции " +
                              facts.correctionTablePath + ", а не сами снимки: " + change};
  }
  ExportedCamera c;
  c.width = *width;
  c.height = *height;
  c.fx = f.refined.focal;
  c.fy = f.refined.focal * facts.verticalScale;
  c.cx = f.refined.principalPoint[0];
  c.cy = f.refined.principalPoint[1];
  c.k1 = f.refined.distortion.k1;
  c.k2 = f.refined.distortion.k2;
  c.standardError = f.refined.standardError;
  c.intervalLow = f.refined.interval95[0];
  c.intervalHigh = f.refined.interval95[1];
  c.reprojectionRms = f.refined.reprojectionRms;
  c.tiltDegrees = f.refined.tiltDegrees;
  c.cameraName = identifierOf(facts.file);
  c.inputs = result.inputs.files;
  return {c, {}};
}

std::string cameraOutputName(CameraOutputKind kind) {
  switch (kind) {
  case CameraOutputKind::OpenCv:
    return "камера в формате OpenCV";
  case CameraOutputKind::Ros:
    return "камера в формате ROS";
  case CameraOutputKind::Colmap:
    return "камера в формате COLMAP";
  case CameraOutputKind::CorrectionTable:
    break;
  }
  return "таблица коррекции";
}

CameraOutputBytes cameraOutputBytes(const RunResult& result, CameraOutputKind kind) {
  CameraOutputBytes out;
  if (kind == CameraOutputKind::CorrectionTable) {
    const FittedCorrection table = correctionFromFit(result);
    if (!table.refusal.empty()) {
      out.refusal = table.refusal;
      return out;
    }
    for (std::size_t i = 0; i < table.lines.size(); ++i) {
      std::string why;
      const auto encoded = encodeCp1251(table.lines[i], &why);
      if (!encoded) {
        out.refusal = "строка " + std::to_string(i + 1) + ": " + why;
        return out;
      }
      out.bytes += *encoded + "\r\n";
    }
    return out;
  }
  const CameraExportSource source = exportedCamera(result);
  if (!source.camera) {
    out.refusal = source.refusal;
    return out;
  }
  out.bytes = cameraExportText(*source.camera, kind == CameraOutputKind::OpenCv ? CameraExportFormat::OpenCv
                                               : kind == CameraOutputKind::Ros  ? CameraExportFormat::Ros
                                                                                : CameraExportFormat::Colmap);
  return out;
}

std::string writeCameraOutput(const RunResult& result, CameraOutputKind kind, const std::string& path) {
  const CameraOutputBytes file = cameraOutputBytes(result, kind);
  const std::string problem = file.refusal.empty() ? writeFileAtomically(path, file.bytes) : file.refusal;
  return problem.empty() ? problem : cameraOutputName(kind) + " не записана: " + problem;
}

} // namespace kavo
