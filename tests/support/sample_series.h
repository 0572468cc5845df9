#pragma once
// Calibration series on disk for the tests: a writable copy of the bundled sample series (1314
// values, 1799.7003 / 9.1391 / 0.2547), and synthetic series of any size through kavo-cli's writer.
#include "synth/synthetic_series.h"

#include <filesystem>
#include <string>

namespace kavo::test {

// The bundled sample series.
inline std::filesystem::path sampleSeriesFolder() {
  return KAVO_SAMPLE_SERIES;
}

// Copies the sample series into folder, writable, so that a test may spoil or save over its files.
// Returns false when a file could not be copied.
inline bool copySampleSeries(const std::filesystem::path& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(sampleSeriesFolder(), ec)) {
    const fs::path target = folder / entry.path().filename();
    if (!fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing, ec)) {
      return false;
    }
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
  }
  return !ec;
}

// A series whose run takes a while (many quadruples, the layout tests relaxed by the caller): a
// rows × cols target seen in the given number of images, with noise so no three points line up.
inline SynthSeries writeLongSeries(const std::filesystem::path& folder, int rows, int cols, int images) {
  SynthOptions options;
  options.rows = rows;
  options.cols = cols;
  options.images = images;
  options.noise = 0.3;
  options.seed = 20031;
  return writeSyntheticSeries(folder.string(), options);
}

} // namespace kavo::test
