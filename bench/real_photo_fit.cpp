// How well the chessboard corners of real photographs fit one camera model: the corners of every
// photo a detector finds go into OpenCV's calibrateCamera (k1, k2, k3 and the tangential terms), and
// the RMS of what is left over is the figure; the lower, the better the corners. Kavo's corners are
// measured beside OpenCV's stock detectors: the classic one with cornerSubPix at several window
// sizes, and the sector-based one. Each set is reported twice: over the photos each detector found,
// and over the photos every detector found, so that the figures compare like with like.
//
// Usage: real_photo_fit --size 9x6 --set NAME PHOTO... [--set NAME PHOTO...]
// (bench/real_photos.sh fetches the published photos and runs it.)
#include "detect/photo_detection.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using Corners = std::vector<cv::Point2f>;
using Detector = std::function<std::optional<Corners>(const std::string& photo, cv::Size size)>;

struct Method {
  std::string name;
  Detector find;
};

// OpenCV's classic detector, then cornerSubPix with the given winSize (half the window's side: winSize 7
// searches 15 × 15 pixels), as its calibration sample does it.
Detector classic(int half) {
  return [half](const std::string& photo, cv::Size size) -> std::optional<Corners> {
    const cv::Mat grey = cv::imread(photo, cv::IMREAD_GRAYSCALE);
    Corners corners;
    if (grey.empty() ||
        !cv::findChessboardCorners(grey, size, corners,
                                   cv::CALIB_CB_ADAPTIVE_THRESH | cv::CALIB_CB_NORMALIZE_IMAGE)) {
      return std::nullopt;
    }
    cv::cornerSubPix(grey, corners, cv::Size(half, half), cv::Size(-1, -1),
                     cv::TermCriteria(cv::TermCriteria::EPS + cv::TermCriteria::COUNT, 30, 0.0001));
    return corners;
  };
}

Detector sectorBased(int flags) {
  return [flags](const std::string& photo, cv::Size size) -> std::optional<Corners> {
    const cv::Mat grey = cv::imread(photo, cv::IMREAD_GRAYSCALE);
    Corners corners;
    if (grey.empty() || !cv::findChessboardCornersSB(grey, size, corners, flags)) {
      return std::nullopt;
    }
    return corners;
  };
}

// Kavo's corners, numbered on the target's grid: the grid places give the board points, so the order
// needs no agreement with the other detectors'.
struct Found {
  Corners image;
  std::vector<cv::Point3f> board;
};

std::optional<Found> kavoCorners(const std::string& photo, cv::Size size) {
  const kavo::detect::TargetSpec target{kavo::detect::TargetKind::Chessboard, size.width, size.height, 1.0};
  const kavo::detect::PhotoDetection d = kavo::detect::detectPhoto(photo, target);
  if (d.status != kavo::detect::PhotoStatus::Found) {
    std::fprintf(stderr, "  kavo: %s: %s\n", photo.c_str(), d.problem.c_str());
    return std::nullopt;
  }
  Found f;
  for (std::size_t i = 0; i < d.points.points.size(); ++i) {
    f.image.emplace_back(static_cast<float>(d.points.points[i].x), static_cast<float>(d.points.points[i].y));
    f.board.emplace_back(static_cast<float>(d.points.grid[i].column),
                         static_cast<float>(d.points.grid[i].row), 0.0f);
  }
  return f;
}

// The stock detectors report the corners row by row in the board's own order.
Found onGrid(const Corners& corners, cv::Size size) {
  Found f{corners, {}};
  for (int k = 0; k < static_cast<int>(corners.size()); ++k) {
    f.board.emplace_back(static_cast<float>(k % size.width), static_cast<float>(k / size.width), 0.0f);
  }
  return f;
}

// The RMS left by one camera model over the photos given; nothing with fewer than three.
std::optional<double> modelFitRms(const std::vector<const Found*>& views, cv::Size imageSize) {
  if (views.size() < 3) {
    return std::nullopt;
  }
  std::vector<std::vector<cv::Point3f>> board;
  std::vector<Corners> image;
  for (const Found* v : views) {
    board.push_back(v->board);
    image.push_back(v->image);
  }
  cv::Mat camera, distortion;
  std::vector<cv::Mat> rotations, translations;
  return cv::calibrateCamera(board, image, imageSize, camera, distortion, rotations, translations);
}

struct SetResult {
  std::map<std::string, std::vector<std::optional<Found>>> found; // per method, per photo
};

void reportSet(const std::string& name, const std::vector<std::string>& photos, cv::Size size,
               const std::vector<Method>& methods) {
  const cv::Mat first = cv::imread(photos.front(), cv::IMREAD_GRAYSCALE);
  const cv::Size imageSize = first.size();
  std::vector<std::string> names{"kavo"};
  std::map<std::string, std::vector<std::optional<Found>>> found;
  for (const auto& photo : photos) {
    found["kavo"].push_back(kavoCorners(photo, size));
  }
  for (const Method& m : methods) {
    names.push_back(m.name);
    for (const auto& photo : photos) {
      const auto corners = m.find(photo, size);
      found[m.name].push_back(corners ? std::optional<Found>(onGrid(*corners, size)) : std::nullopt);
    }
  }
  std::vector<bool> common(photos.size(), true);
  for (const auto& n : names) {
    for (std::size_t i = 0; i < photos.size(); ++i) {
      common[i] = common[i] && found[n][i].has_value();
    }
  }
  int commonCount = 0;
  for (const bool c : common) {
    commonCount += c ? 1 : 0;
  }
  std::printf("\n%s: %zu photos %d x %d, board %d x %d; %d found by every detector\n", name.c_str(),
              photos.size(), imageSize.width, imageSize.height, size.width, size.height, commonCount);
  std::printf("  %-38s %6s %12s %14s\n", "detector", "found", "RMS (found)", "RMS (common)");
  for (const auto& n : names) {
    std::vector<const Found*> own, shared;
    std::string missing;
    for (std::size_t i = 0; i < photos.size(); ++i) {
      if (found[n][i]) {
        own.push_back(&*found[n][i]);
        if (common[i]) {
          shared.push_back(&*found[n][i]);
        }
      } else {
        missing += " " + photos[i].substr(photos[i].find_last_of('/') + 1);
      }
    }
    const auto ownRms = modelFitRms(own, imageSize);
    const auto sharedRms = modelFitRms(shared, imageSize);
    std::printf("  %-38s %3zu/%-2zu %12s %14s%s%s\n", n.c_str(), own.size(), photos.size(),
                ownRms ? cv::format("%.4f px", *ownRms).c_str() : "-",
                sharedRms ? cv::format("%.4f px", *sharedRms).c_str() : "-",
                missing.empty() ? "" : "  missed:", missing.c_str());
  }
}

int usage() {
  std::fprintf(stderr, "usage: real_photo_fit --size CxR --set NAME PHOTO... [--set NAME PHOTO...]\n");
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  cv::Size size(9, 6);
  std::vector<std::pair<std::string, std::vector<std::string>>> sets;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--size" && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%dx%d", &size.width, &size.height) != 2) {
        return usage();
      }
    } else if (arg == "--set" && i + 1 < argc) {
      sets.push_back({argv[++i], {}});
    } else if (!sets.empty()) {
      sets.back().second.push_back(arg);
    } else {
      return usage();
    }
  }
  if (sets.empty()) {
    return usage();
  }
  const std::vector<Method> methods{
      {"classic, cornerSubPix win 3 (7x7)", classic(3)},
      {"classic, cornerSubPix win 5 (11x11)", classic(5)},
      {"classic, cornerSubPix win 7 (15x15)", classic(7)},
      {"classic, cornerSubPix win 11 (23x23)", classic(11)},
      {"SB", sectorBased(0)},
      {"SB exhaustive + accuracy", sectorBased(cv::CALIB_CB_EXHAUSTIVE | cv::CALIB_CB_ACCURACY)},
  };
  for (const auto& [name, photos] : sets) {
    if (!photos.empty()) {
      reportSet(name, photos, size, methods);
    }
  }
  return 0;
}
