#include "detect/series_from_photos.h"

#include "detect/output_folder.h"
#include "detect/overlay.h"
#include "detect/parallel.h"
#include "detect/photo_exif.h"
#include "detect/series_files.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <vector>

namespace kavo::detect {

namespace {

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string finalPath(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

} // namespace

namespace {

bool sameBytes(const std::string& a, const std::string& b) {
  std::ifstream fa(a, std::ios::binary);
  std::ifstream fb(b, std::ios::binary);
  if (!fa || !fb) {
    return false;
  }
  std::vector<char> ba(std::size_t{1} << 16);
  std::vector<char> bb(ba.size());
  for (;;) {
    fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
    fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
    if (fa.gcount() != fb.gcount() ||
        std::memcmp(ba.data(), bb.data(), static_cast<std::size_t>(fa.gcount())) != 0) {
      return false;
    }
    if (fa.gcount() == 0 || !fa || !fb) {
      return fa.eof() && fb.eof();
    }
  }
}

// Two photos of the same bytes (a copy, or a second link to one file) are one shot given twice: the
// camera cannot have moved between them. Only files of one size are compared.
std::string samePhotoTwice(const std::vector<std::string>& photos) {
  std::map<std::uintmax_t, std::vector<std::size_t>> bySize;
  for (std::size_t i = 0; i < photos.size(); ++i) {
    struct stat info {};
    if (::stat(photos[i].c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
      bySize[static_cast<std::uintmax_t>(info.st_size)].push_back(i);
    }
  }
  for (const auto& [size, same] : bySize) {
    for (std::size_t a = 0; a < same.size(); ++a) {
      for (std::size_t b = a + 1; b < same.size(); ++b) {
        if (sameBytes(photos[same[a]], photos[same[b]])) {
          return photos[same[b]] + ": тот же снимок, что и " + photos[same[a]] +
                 " (файлы совпадают байт в байт): между снимками камера должна сдвинуться";
        }
      }
    }
  }
  return {};
}

} // namespace

std::string photoSeriesRequestProblem(const PhotoSeriesRequest& r) {
  if (std::string why = targetSpecProblem(r.target); !why.empty()) {
    return why;
  }
  if (!std::isfinite(r.step) || r.step == 0.0) {
    return "шаг камеры должен быть ненулевым числом миллиметров";
  }
  if (r.photos.size() < 2) {
    return "для серии нужно хотя бы два снимка";
  }
  if (r.photos.size() > kMaxSeriesPhotos && !r.skipUndetected) {
    return "в серии может быть не больше " + std::to_string(kMaxSeriesPhotos) + " снимков, а их " +
           std::to_string(r.photos.size());
  }
  std::set<std::string> seen;
  for (const auto& photo : r.photos) {
    std::error_code ec;
    const auto same = std::filesystem::weakly_canonical(std::filesystem::absolute(photo, ec), ec).string();
    if (!seen.insert(ec ? photo : same).second) {
      return photo + ": снимок указан дважды";
    }
  }
  if (std::string why = samePhotoTwice(r.photos); !why.empty()) {
    return why;
  }
  if (r.outFolder.empty()) {
    return "не указана папка для файлов серии";
  }
  if (r.decimalSeparator != '.' && r.decimalSeparator != ',') {
    return "десятичный разделитель должен быть «.» или «,»";
  }
  return {};
}

PhotoSeriesOutcome writeSeriesFromPhotos(const PhotoSeriesRequest& request,
                                         const std::function<void(const PhotoSeriesProgress&)>& progress,
                                         const std::function<bool()>& stop) {
  PhotoSeriesOutcome out;
  out.error = photoSeriesRequestProblem(request);
  if (!out.error.empty()) {
    return out;
  }
  const bool overlays = !request.overlayFolder.empty();
  // The folders are checked before the photos are searched, which may take minutes.
  std::vector<OutputTarget> targets{
      {request.outFolder, seriesFilesOf(request.outFolder), keptBesideSeries()}};
  if (overlays) {
    targets.push_back({request.overlayFolder, [](const std::string& relative, bool folder) {
                         return !folder && relative.find('/') == std::string::npos &&
                                endsWith(relative, kOverlaySuffix);
                       }});
  }
  auto staged = StagedOutput::prepare(targets, out.error);
  if (!staged) {
    return out;
  }

  SeriesOptions options;
  options.threads = request.threads;
  options.stopRequested = stop;
  options.progress = [&](const PhotoDetection& photo, int done, int total) {
    if (progress) {
      progress({PhotoSeriesProgress::Stage::Searching, done, total, &photo});
    }
  };
  out.detection = detectSeries(request.photos, request.target, options);
  if (out.detection.cancelled) {
    out.status = PhotoSeriesOutcome::Status::Cancelled;
    out.error = "поиск мишени прерван; ничего не записано";
    return out;
  }
  out.plan = planSeries(out.detection.photos, request.step, request.skipUndetected);
  out.warnings = out.plan.warnings;
  if (!out.plan.error.empty()) {
    out.error = out.plan.error;
    return out;
  }

  // The focal length the camera states, from the photos kept, for compute's check of its result.
  std::vector<std::string> keptPhotos;
  std::vector<std::optional<double>> exifFocals;
  for (const std::size_t i : out.plan.kept) {
    const PhotoDetection& photo = out.detection.photos[i];
    keptPhotos.push_back(photo.photo);
    exifFocals.push_back(photoExifFocalPixels(photo.photo, photo.width, photo.height));
  }
  const SeriesExifFocal exif = seriesExifFocal(keptPhotos, exifFocals, request.decimalSeparator);
  if (!exif.warning.empty()) {
    out.warnings.push_back(exif.warning);
  }
  if (exif.focal) {
    out.exifFocalLength = std::round(*exif.focal * 10.0) / 10.0;
  }

  const std::vector<std::string> names = photoBaseNames(request.photos);
  out.error = writeSeriesFiles(staged->stagedFolder(0), out.detection.photos, out.plan, names, request.target,
                               request.decimalSeparator, out.exifFocalLength);
  if (!out.error.empty()) {
    return out;
  }
  if (overlays) {
    std::mutex reporting;
    std::vector<std::string> problems(out.plan.kept.size());
    int done = 0;
    const int total = static_cast<int>(out.plan.kept.size());
    const int drawn = forEachInParallel(
        total, request.threads,
        [&](int k) {
          const PhotoDetection& photo = out.detection.photos[out.plan.kept[static_cast<std::size_t>(k)]];
          // The points drawn are those of the coordinate file, numbered as there.
          PhotoDetection drawnPoints = photo;
          drawnPoints.points = pointsInSeries(photo.points, out.plan);
          problems[static_cast<std::size_t>(k)] = writeOverlay(
              drawnPoints,
              staged->stagedFolder(1) + names[out.plan.kept[static_cast<std::size_t>(k)]] + kOverlaySuffix);
          const std::lock_guard<std::mutex> lock(reporting);
          ++done;
          if (progress) {
            progress({PhotoSeriesProgress::Stage::Drawing, done, total, &photo});
          }
        },
        stop);
    if (drawn < total) {
      out.status = PhotoSeriesOutcome::Status::Cancelled;
      out.error = "рисование точек на снимках прервано; ничего не записано";
      return out;
    }
    for (const auto& problem : problems) {
      if (!problem.empty()) {
        out.error = problem;
        return out;
      }
    }
  }
  out.error = staged->publish();
  if (!out.error.empty()) {
    return out;
  }

  out.status = PhotoSeriesOutcome::Status::Written;
  out.cameraFile = finalPath(request.outFolder, kCameraFileName);
  out.sceneFile = finalPath(request.outFolder, kSceneFileName);
  out.listFile = finalPath(request.outFolder, kListFileName);
  out.coordinateFiles.assign(request.photos.size(), {});
  out.overlayFiles.assign(request.photos.size(), {});
  for (const std::size_t i : out.plan.kept) {
    out.coordinateFiles[i] = finalPath(request.outFolder, names[i] + ".crd");
    if (overlays) {
      out.overlayFiles[i] = finalPath(request.overlayFolder, names[i] + kOverlaySuffix);
    }
  }
  return out;
}

} // namespace kavo::detect
