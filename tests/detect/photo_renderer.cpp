#include "photo_renderer.h"

#include <opencv2/aruco/charuco.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace kavo::test {

namespace {

cv::Matx33d rotation(const PhotoScene& s) {
  const double k = std::numbers::pi / 180.0;
  const double r = s.rollDegrees * k, a = s.tiltXDegrees * k, b = s.tiltYDegrees * k;
  const cv::Matx33d rz(std::cos(r), -std::sin(r), 0, std::sin(r), std::cos(r), 0, 0, 0, 1);
  const cv::Matx33d rx(1, 0, 0, 0, std::cos(a), -std::sin(a), 0, std::sin(a), std::cos(a));
  const cv::Matx33d ry(std::cos(b), 0, std::sin(b), 0, 1, 0, -std::sin(b), 0, std::cos(b));
  return rz * rx * ry;
}

cv::Point2d project(const cv::Matx33d& h, double u, double v) {
  const cv::Vec3d p = h * cv::Vec3d(u, v, 1.0);
  return {p[0] / p[2], p[1] / p[2]};
}

// A photo point moved by the lens's radial distortion about the principal point of k, and back.
cv::Point2d distorted(const cv::Point2d& ideal, const PhotoScene& s, const cv::Matx33d& k) {
  const double a = (ideal.x - k(0, 2)) / k(0, 0), b = (ideal.y - k(1, 2)) / k(1, 1);
  const double r2 = a * a + b * b;
  const double d = 1.0 + s.k1 * r2 + s.k2 * r2 * r2;
  return {k(0, 2) + k(0, 0) * a * d, k(1, 2) + k(1, 1) * b * d};
}

cv::Point2d undistorted(const cv::Point2d& seen, const PhotoScene& s, const cv::Matx33d& k) {
  const double a = (seen.x - k(0, 2)) / k(0, 0), b = (seen.y - k(1, 2)) / k(1, 1);
  const double rd = std::hypot(a, b);
  double r = rd;
  for (int i = 0; i < 20 && rd > 0.0; ++i) {
    const double r2 = r * r;
    r -= (r * (1.0 + s.k1 * r2 + s.k2 * r2 * r2) - rd) / (1.0 + 3.0 * s.k1 * r2 + 5.0 * s.k2 * r2 * r2);
  }
  const double scale = rd > 0.0 ? r / rd : 1.0;
  return {k(0, 2) + k(0, 0) * a * scale, k(1, 2) + k(1, 1) * b * scale};
}

} // namespace

RenderedPhoto renderPhoto(const PhotoScene& s) {
  const detect::TargetSpec& t = s.target;
  const double p = t.pitch;
  const auto grid = detect::finderGrid(t);
  int maxColumn = 0, maxRow = 0;
  for (const auto& g : grid) {
    maxColumn = std::max(maxColumn, g.column);
    maxRow = std::max(maxRow, g.row);
  }
  // Target millimetres: the first point at (0, 0), u to the right, v downwards.
  const double uc = maxColumn * p / 2.0, vc = maxRow * p / 2.0;

  // Millimetres on the target to photo pixels (centre of the first pixel at 0, 0).
  const cv::Matx33d rot = rotation(s);
  const double sigma = s.mirrored ? -1.0 : 1.0;
  const cv::Vec3d c0(sigma * rot(0, 0), sigma * rot(1, 0), sigma * rot(2, 0));
  const cv::Vec3d c1(rot(0, 1), rot(1, 1), rot(2, 1));
  const cv::Vec3d c2 = cv::Vec3d(s.offsetX, s.offsetY, s.distance) - uc * c0 - vc * c1;
  const cv::Matx33d k(s.focal, 0, (s.width - 1) / 2.0, 0, s.focal, (s.height - 1) / 2.0, 0, 0, 1);
  const cv::Matx33d onTarget(c0[0], c1[0], c2[0], c0[1], c1[1], c2[1], c0[2], c1[2], c2[2]);
  const cv::Matx33d toPhoto = k * onTarget;

  // The drawing: whole pixels per pitch so that the squares' edges fall on pixel boundaries, about as
  // fine as the supersampled frame where the target comes nearest.
  const double nearest = s.distance - std::abs(std::sin(s.tiltXDegrees * std::numbers::pi / 180)) * vc -
                         std::abs(std::sin(s.tiltYDegrees * std::numbers::pi / 180)) * uc;
  const int perPitch = std::max(16, static_cast<int>(std::ceil(1.2 * s.supersample * s.focal * p /
                                                               std::max(nearest, 0.2 * s.distance))));
  const double ppm = perPitch / p;
  const int margin = 2; // pitches of light ground around the points
  const int columnsDrawn = maxColumn + 2 * margin, rowsDrawn = maxRow + 2 * margin;
  cv::Mat drawing(rowsDrawn * perPitch, columnsDrawn * perPitch, CV_32F, cv::Scalar(s.light));
  const bool charuco = t.kind == detect::TargetKind::Charuco;
  const bool chessboard = t.kind == detect::TargetKind::Chessboard || charuco;
  const double ground = chessboard || !s.lightOnDark ? s.light : s.dark;
  const double ink = chessboard || !s.lightOnDark ? s.dark : s.light;
  drawing.setTo(cv::Scalar(ground));
  if (charuco) {
    // OpenCV draws the board, its first square dark at the top left, one pitch before the first corner.
    const auto board = cv::aruco::CharucoBoard::create(
        t.columns, t.rows, static_cast<float>(t.pitch), static_cast<float>(t.markerSize),
        cv::aruco::getPredefinedDictionary(static_cast<cv::aruco::PREDEFINED_DICTIONARY_NAME>(t.dictionary)));
    cv::Mat drawn;
    board->draw(cv::Size(t.columns * perPitch, t.rows * perPitch), drawn, 0, 1);
    drawn.convertTo(drawn, CV_32F, (s.light - s.dark) / 255.0, s.dark);
    drawn.copyTo(drawing(cv::Rect((margin - 1) * perPitch, (margin - 1) * perPitch, drawn.cols, drawn.rows)));
  } else if (chessboard) {
    // Squares from one pitch before the first corner to one after the last.
    for (int j = -1; j < t.rows; ++j) {
      for (int i = -1; i < t.columns; ++i) {
        if (((i + j) % 2 + 2) % 2 == 0) {
          const cv::Rect square((i + margin) * perPitch, (j + margin) * perPitch, perPitch, perPitch);
          drawing(square).setTo(cv::Scalar(ink));
        }
      }
    }
    // A printed board often cuts its outer squares short: the light ground beyond them.
    const int cut = static_cast<int>(std::lround((1.0 - s.outerSquares) * perPitch));
    if (cut > 0) {
      const int inner = perPitch * (margin - 1) + cut;
      const cv::Rect kept(inner, inner, drawing.cols - 2 * inner, drawing.rows - 2 * inner);
      cv::Mat board = drawing(kept).clone();
      drawing.setTo(cv::Scalar(ground));
      board.copyTo(drawing(kept));
    }
  } else {
    constexpr int shift = 8;
    const double scale = 1 << shift;
    for (std::size_t n = 0; n < grid.size(); ++n) {
      const auto& g = grid[n];
      if (static_cast<int>(n) == s.hiddenCircle) {
        continue;
      }
      // Pixel centres are whole numbers: the point's millimetres become (mm + margin) * ppm - 0.5.
      const cv::Point centre(static_cast<int>(std::lround(((g.column + margin) * perPitch - 0.5) * scale)),
                             static_cast<int>(std::lround(((g.row + margin) * perPitch - 0.5) * scale)));
      cv::circle(drawing, centre, static_cast<int>(std::lround(s.circleRadius * perPitch * scale)),
                 cv::Scalar(ink), cv::FILLED, cv::LINE_AA, shift);
    }
  }
  // Drawing pixels to target millimetres, and photo pixels to frame pixels.
  const cv::Matx33d fromDrawing(1 / ppm, 0, 0.5 / ppm - margin * p, 0, 1 / ppm, 0.5 / ppm - margin * p, 0, 0,
                                1);
  const double ss = s.supersample;
  const cv::Matx33d toFrame(ss, 0, (ss - 1) / 2, 0, ss, (ss - 1) / 2, 0, 0, 1);
  cv::Mat frame;
  const cv::Size frameSize(s.width * s.supersample, s.height * s.supersample);
  const cv::Scalar border((s.dark + s.light) / 2);
  if (s.k1 == 0.0 && s.k2 == 0.0) {
    cv::warpPerspective(drawing, frame, cv::Mat(toFrame * toPhoto * fromDrawing), frameSize, cv::INTER_LINEAR,
                        cv::BORDER_CONSTANT, border);
  } else {
    // Every frame pixel looks up the drawing where the undistorted ray through it meets the target.
    const cv::Matx33d back = (toPhoto * fromDrawing).inv();
    const cv::Matx33d frameToPhoto = toFrame.inv();
    cv::Mat mapX(frameSize, CV_32F), mapY(frameSize, CV_32F);
    for (int y = 0; y < frameSize.height; ++y) {
      for (int x = 0; x < frameSize.width; ++x) {
        const cv::Point2d photoPoint = project(frameToPhoto, x, y);
        const cv::Point2d ideal = undistorted(photoPoint, s, k);
        const cv::Point2d d = project(back, ideal.x, ideal.y);
        mapX.at<float>(y, x) = static_cast<float>(d.x);
        mapY.at<float>(y, x) = static_cast<float>(d.y);
      }
    }
    cv::remap(drawing, frame, mapX, mapY, cv::INTER_LINEAR, cv::BORDER_CONSTANT, border);
  }
  RenderedPhoto photo;
  if (s.supersample > 1) {
    cv::resize(frame, photo.image, cv::Size(s.width, s.height), 0, 0, cv::INTER_AREA);
  } else {
    photo.image = frame;
  }
  if (s.blurSigma > 0) {
    cv::GaussianBlur(photo.image, photo.image, cv::Size(), s.blurSigma);
  }
  if (s.shading > 0) {
    const double a = s.shadingDegrees * std::numbers::pi / 180.0;
    for (int y = 0; y < photo.image.rows; ++y) {
      auto* row = photo.image.ptr<float>(y);
      for (int x = 0; x < photo.image.cols; ++x) {
        const double along = std::cos(a) * x / photo.image.cols + std::sin(a) * y / photo.image.rows;
        row[x] *= static_cast<float>(1.0 + s.shading * (along - 0.5));
      }
    }
  }
  if (s.noiseLevels > 0) {
    cv::Mat noise(photo.image.size(), CV_32F);
    cv::RNG rng(s.seed);
    rng.fill(noise, cv::RNG::NORMAL, 0.0, s.noiseLevels);
    photo.image += noise;
  }
  for (const auto& g : grid) {
    photo.truth.push_back(distorted(project(toPhoto, g.column * p, g.row * p), s, k));
  }
  return photo;
}

cv::Mat storedPhoto(const cv::Mat& levels, int bits, bool colour) {
  cv::Mat out;
  const double scale = bits == 16 ? 257.0 : 1.0;
  const int depth = bits == 16 ? CV_16U : CV_8U;
  if (!colour) {
    levels.convertTo(out, depth, scale);
    return out;
  }
  // A warm tint: the channels differ, as in a real colour photo of grey paper.
  std::vector<cv::Mat> channels(3);
  const double gains[3] = {0.85, 1.0, 1.1};
  for (int c = 0; c < 3; ++c) {
    levels.convertTo(channels[static_cast<std::size_t>(c)], depth, scale * gains[c]);
  }
  cv::merge(channels, out);
  return out;
}

std::vector<cv::Point2d> truthInSeenOrder(const std::vector<cv::Point2d>& truth, int rows,
                                          double rollDegrees) {
  const double back = -std::remainder(rollDegrees, 180.0) * std::numbers::pi / 180.0;
  auto upright = [&](const cv::Point2d& p) {
    return cv::Point2d(std::cos(back) * p.x - std::sin(back) * p.y,
                       std::sin(back) * p.x + std::cos(back) * p.y);
  };
  std::vector<cv::Point2d> sorted = truth;
  std::sort(sorted.begin(), sorted.end(),
            [&](const cv::Point2d& a, const cv::Point2d& b) { return upright(a).y < upright(b).y; });
  const std::size_t perRow = sorted.size() / static_cast<std::size_t>(rows);
  for (std::size_t r = 0; r < static_cast<std::size_t>(rows); ++r) {
    const auto begin = sorted.begin() + static_cast<std::ptrdiff_t>(r * perRow);
    std::sort(begin, begin + static_cast<std::ptrdiff_t>(perRow),
              [&](const cv::Point2d& a, const cv::Point2d& b) { return upright(a).x < upright(b).x; });
  }
  return sorted;
}

namespace {

// Everything that draws a photo, as text: the cache's key. The renderer's build time is part of it,
// so that a changed renderer never meets photos drawn by an older one.
std::string sceneKey(const PhotoScene& s) {
  std::ostringstream key;
  key.precision(17);
  key << "renderer " << __DATE__ << ' ' << __TIME__ << '\n'
      << static_cast<int>(s.target.kind) << ' ' << s.target.columns << ' ' << s.target.rows << ' '
      << s.target.pitch << ' ' << s.target.markerSize << ' ' << s.target.dictionary << ' ' << s.width << ' '
      << s.height << ' ' << s.focal << ' ' << s.distance << ' ' << s.offsetX << ' ' << s.offsetY << ' '
      << s.rollDegrees << ' ' << s.tiltXDegrees << ' ' << s.tiltYDegrees << ' ' << s.mirrored << ' '
      << s.lightOnDark << ' ' << s.circleRadius << ' ' << s.outerSquares << ' ' << s.hiddenCircle << ' '
      << s.supersample << ' ' << s.blurSigma << ' ' << s.noiseLevels << ' ' << s.shading << ' '
      << s.shadingDegrees << ' ' << s.dark << ' ' << s.light << ' ' << s.seed;
  return key.str();
}

// Drawing a series' photo costs more than finding the target in it, and the test programs run one
// test per process, many of them on the same series: a photo stored as the series stores it is kept,
// with its truth, in the build's cache folder. Entries are published by renaming, so test programs
// running side by side never read half of one; any trouble with the cache just draws the photo.
class PhotoCache {
public:
  explicit PhotoCache(const PhotoScene& scene) : key(sceneKey(scene)) {
#ifdef KAVO_TEST_PHOTO_CACHE
    std::error_code error;
    std::filesystem::create_directories(KAVO_TEST_PHOTO_CACHE, error);
    if (!error) {
      std::ostringstream name;
      name << KAVO_TEST_PHOTO_CACHE << '/' << std::hex << std::hash<std::string>{}(key);
      base = name.str();
    }
#endif
  }

  // Copies the kept photo to path and gives its truth; false when there is none.
  bool fetch(const std::string& path, std::vector<cv::Point2d>& truth) const {
    if (base.empty()) {
      return false;
    }
    std::ifstream in(base + ".truth");
    std::string storedKey, line;
    for (int i = 0; i < 2 && std::getline(in, line); ++i) {
      storedKey += (i ? "\n" : "") + line;
    }
    if (!in || storedKey != key) {
      return false;
    }
    std::vector<cv::Point2d> points;
    cv::Point2d p;
    while (in >> p.x >> p.y) {
      points.push_back(p);
    }
    std::error_code error;
    std::filesystem::copy_file(base + ".png", path, std::filesystem::copy_options::overwrite_existing, error);
    if (error) {
      return false;
    }
    truth = std::move(points);
    return true;
  }

  void keep(const std::string& path, const std::vector<cv::Point2d>& truth) const {
    if (base.empty()) {
      return;
    }
    const std::string own = "." + std::to_string(::getpid());
    std::error_code error;
    std::filesystem::copy_file(path, base + ".png" + own, std::filesystem::copy_options::overwrite_existing,
                               error);
    {
      std::ofstream out(base + ".truth" + own);
      out.precision(17);
      out << key << '\n';
      for (const auto& p : truth) {
        out << p.x << ' ' << p.y << '\n';
      }
      if (!out) {
        error = std::make_error_code(std::errc::io_error);
      }
    }
    // The photo first: the truth's arrival says the entry is whole.
    if (!error) {
      std::filesystem::rename(base + ".png" + own, base + ".png", error);
    }
    if (!error) {
      std::filesystem::rename(base + ".truth" + own, base + ".truth", error);
    }
    std::filesystem::remove(base + ".png" + own, error);
    std::filesystem::remove(base + ".truth" + own, error);
  }

private:
  std::string key;
  std::string base;
};

} // namespace

RenderedSeries renderSeries(const std::string& folder, const PhotoScene& first, int count, double step) {
  RenderedSeries series;
  for (int k = 0; k < count; ++k) {
    PhotoScene scene = first;
    scene.distance = first.distance + k * step;
    scene.seed = first.seed + static_cast<std::uint64_t>(k);
    const std::string number = std::to_string(k + 1);
    const std::string path = folder + "img" + std::string(number.size() < 2 ? 1 : 0, '0') + number + ".png";
    const PhotoCache cache(scene);
    RenderedPhoto photo;
    if (!cache.fetch(path, photo.truth)) {
      photo = renderPhoto(scene);
      if (!cv::imwrite(path, storedPhoto(photo.image, 8, false))) {
        throw std::runtime_error("cannot write " + path);
      }
      cache.keep(path, photo.truth);
    }
    series.photos.push_back(path);
    const auto grid = detect::finderGrid(scene.target);
    int rows = 0;
    for (const auto& g : grid) {
      rows = std::max(rows, g.row + 1);
    }
    series.truth.push_back(truthInSeenOrder(photo.truth, rows, scene.rollDegrees));
  }
  return series;
}

std::string writeBlankPhoto(const std::string& path, int width, int height) {
  if (!cv::imwrite(path, cv::Mat(height, width, CV_8U, cv::Scalar(128)))) {
    throw std::runtime_error("cannot write " + path);
  }
  return path;
}

} // namespace kavo::test
