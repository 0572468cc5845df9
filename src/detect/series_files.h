#pragma once
#include "detect/output_folder.h"
#include "detect/photo_detection.h"
#include "detect/series_plan.h"
#include "detect/target.h"

#include <optional>
#include <string>
#include <vector>

namespace kavo::detect {

// The fixed names of the files of a series written from photos.
inline const std::string kCameraFileName = "camera.cam";
inline const std::string kCorrectionFileName = "correction.txt";
inline const std::string kSceneFileName = "scene.crd";
inline const std::string kListFileName = "series.lst";
inline const std::string kOverlaySuffix = "_points.jpg";

// The name every photo's files are given, without extension: the photo's own name when every photo
// has a distinct one that a data file can hold (Windows-1251, no line breaks, not "scene"), otherwise
// "photo01", "photo02", … by position, so that no two photos share a file.
std::vector<std::string> photoBaseNames(const std::vector<std::string>& photos);

// Whether an entry of an existing output folder is a file of an earlier series written there: the
// four fixed files, the coordinate files its list file names (read from that folder), and photos
// with their points drawn, in the folder itself or in a subfolder holding nothing else.
OwnedEntry seriesFilesOf(const std::string& folder);

// The files Kavo writes beside a series that a new run keeps as they are: reports (*.html) and
// copies of the camera file with the focal length (*.cam other than camera.cam).
OwnedEntry keptBesideSeries();

// Writes the series into folder: camera.cam (the photos' size, image centre and principal point at
// the middle of the photo, the correction table's name, no focal length yet, and on line 9 the focal
// length the photos' EXIF gives when there is one), correction.txt
// (coordinates kept as measured), scene.crd (the target's points in millimetres, in the photos'
// numbering, X to the right and Y upwards), one coordinate file per photo kept (pixel column and
// row, the centre of the first pixel at 0, 0) and series.lst (the coordinate files in order and the
// camera's travel after each photo but the last). Returns "" or the reason, naming the file.
std::string writeSeriesFiles(const std::string& folder, const std::vector<PhotoDetection>& photos,
                             const SeriesPlan& plan, const std::vector<std::string>& baseNames,
                             const TargetSpec& targetSpec, char decimalSeparator,
                             std::optional<double> exifFocalLength = std::nullopt);

} // namespace kavo::detect
