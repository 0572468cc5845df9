#pragma once
// kavo-cli run in-process, and a writable copy of the sample series to spoil or write into.
#include "cli/cli.h"
#include "platform/text_file.h"
#include "sample_series.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kavo::testing {

namespace fs = std::filesystem;
using test::copySampleSeries;
using test::sampleSeriesFolder;
using test::TempFolder;

inline const fs::path kSample = sampleSeriesFolder();

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

inline CliRun cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  CliRun r;
  r.status = runCli(args, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

inline std::string fileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A copy of the sample series in a fresh folder, for spoiling one file at a time.
class SeriesCopy {
public:
  SeriesCopy() { EXPECT_TRUE(copySampleSeries(folder.path())); }
  std::string path(const std::string& name) const { return folder.file(name); }
  std::vector<std::string> lines(const std::string& name) const { return loadLines(path(name)).lines; }
  void write(const std::string& name, const std::vector<std::string>& lines) const {
    ASSERT_EQ(saveLines(path(name), lines), "");
  }
  std::vector<std::string> computeArgs(std::vector<std::string> extra = {}) const {
    std::vector<std::string> args{
        "compute", "--camera",         path("camera.cam"),    "--scene", path("scene.crd"),
        "--list",  path("series.lst"), "--decimal-separator", ".",       "--threads",
        "1"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  TempFolder folder;
};

} // namespace kavo::testing
