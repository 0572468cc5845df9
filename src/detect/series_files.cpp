#include "detect/series_files.h"

#include "datafiles/camera_lines.h"
#include "datafiles/coordinate_files.h"
#include "datafiles/correction_table.h"
#include "datafiles/list_file.h"
#include "platform/cp1251.h"
#include "platform/paths.h"
#include "platform/text_file.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>

namespace kavo::detect {

namespace {

std::string lowerAscii(std::string text) {
  for (char& c : text) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return text;
}

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A photo's name without its folder and its last extension.
std::string stemOf(const std::string& photo) {
  const std::string name = fileNameOf(photo);
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// Whether a name can name a coordinate file in a list file and be read back as written.
bool usableName(const std::string& name) {
  if (name.empty() || name.front() == ' ' || name.back() == ' ' || name.front() == '.') {
    return false;
  }
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) {
      return false;
    }
  }
  std::string ignored;
  return encodeCp1251(name, &ignored).has_value();
}

} // namespace

std::vector<std::string> photoBaseNames(const std::vector<std::string>& photos) {
  std::vector<std::string> names;
  std::set<std::string> seen{lowerAscii(stemOf(kSceneFileName))};
  bool own = true;
  for (const auto& photo : photos) {
    const std::string stem = stemOf(photo);
    own = own && usableName(stem) && seen.insert(lowerAscii(stem)).second;
    names.push_back(stem);
  }
  if (own) {
    return names;
  }
  const std::size_t width = std::max<std::size_t>(2, std::to_string(photos.size()).size());
  for (std::size_t i = 0; i < photos.size(); ++i) {
    const std::string number = std::to_string(i + 1);
    names[i] = "photo" + std::string(width - number.size(), '0') + number;
  }
  return names;
}

OwnedEntry seriesFilesOf(const std::string& folder) {
  std::set<std::string> owned{kCameraFileName, kCorrectionFileName, kSceneFileName, kListFileName};
  const TextLines list =
      loadLines((folder.empty() || folder.back() == '/' ? folder : folder + "/") + kListFileName);
  if (list.ok) {
    for (const auto& line : list.lines) {
      if (line.find("crd") != std::string::npos) {
        owned.insert(line);
      }
    }
  }
  // The photos with their points drawn, beside the files or in a folder of their own (the desktop
  // puts them into the subfolder "overlays" by default), from a run with overlays.
  return [owned](const std::string& relative, bool isFolder) {
    const std::size_t slash = relative.find('/');
    if (isFolder) {
      return slash == std::string::npos;
    }
    const bool overlay =
        endsWith(relative, kOverlaySuffix) && relative.find('/', slash + 1) == std::string::npos;
    return overlay || (slash == std::string::npos && owned.count(relative) != 0);
  };
}

OwnedEntry keptBesideSeries() {
  return [](const std::string& relative, bool isFolder) {
    if (isFolder || relative.find('/') != std::string::npos) {
      return false;
    }
    const std::string lower = lowerAscii(relative);
    return endsWith(lower, ".html") || endsWith(lower, ".htm") ||
           (endsWith(lower, ".cam") && lower != lowerAscii(kCameraFileName));
  };
}

std::string writeSeriesFiles(const std::string& folder, const std::vector<PhotoDetection>& photos,
                             const SeriesPlan& plan, const std::vector<std::string>& baseNames,
                             const TargetSpec& targetSpec, char decimalSeparator,
                             std::optional<double> exifFocalLength) {
  if (plan.kept.empty()) {
    return folder + ": в серии нет снимков";
  }
  const PhotoDetection& first = photos[plan.kept.front()];
  const double width = first.width, height = first.height;
  // Coordinates count pixels from the centre of the first one, so the middle of the photo lies half a
  // pixel before width / 2 and height / 2.
  CameraGeometry camera;
  camera.imageCentreX = (width - 1.0) / 2.0;
  camera.imageCentreY = (height - 1.0) / 2.0;
  camera.correctionTable = kCorrectionFileName;
  camera.imageWidth = width;
  camera.imageHeight = height;
  camera.principalPointX = camera.imageCentreX;
  camera.principalPointY = camera.imageCentreY;
  camera.exifFocalLength = exifFocalLength;
  if (std::string why = writeCameraFile(folder + kCameraFileName, camera, decimalSeparator); !why.empty()) {
    return why;
  }
  if (std::string why =
          writeUndistortedCorrectionTable(folder + kCorrectionFileName, width, height, decimalSeparator);
      !why.empty()) {
    return why;
  }
  // The target's Y grows upwards, as the corrected image coordinates do, so the bottom row lies at 0.
  std::vector<CoordinatePair> scene;
  for (const auto& g : pointsInSeries(first.points, plan).grid) {
    scene.push_back({g.column * targetSpec.pitch, (first.points.rows - 1 - g.row) * targetSpec.pitch});
  }
  if (std::string why = writeCoordinateFile(folder + kSceneFileName, scene, decimalSeparator); !why.empty()) {
    return why;
  }
  std::vector<std::string> names;
  for (const std::size_t i : plan.kept) {
    // A ten-thousandth of a pixel is far below what any photo measures; rounding to it keeps the
    // files readable rather than showing the last digits of single-precision corner positions.
    const auto rounded = [](double v) { return std::round(v * 1e4) / 1e4; };
    std::vector<CoordinatePair> measured;
    for (const auto& p : pointsInSeries(photos[i].points, plan).points) {
      measured.push_back({rounded(p.x), rounded(p.y)});
    }
    const std::string name = baseNames[i] + ".crd";
    if (std::string why = writeCoordinateFile(folder + name, measured, decimalSeparator); !why.empty()) {
      return why;
    }
    names.push_back(name);
  }
  return writeListFile(folder + kListFileName, names, plan.steps, decimalSeparator);
}

} // namespace kavo::detect
