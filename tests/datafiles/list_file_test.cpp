#include "datafiles/list_file.h"

#include "core/error.h"
#include "temp_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavo {
namespace {

using test::TempFolder;
using ::testing::HasSubstr;

const std::string kData = KAVO_TEST_DATA;

struct List {
  std::array<std::string, 101> names;
  std::array<double, 101> values{};
  int count = -1;
};

std::vector<std::string> namesOf(const List& l) {
  return {l.names.begin(), l.names.begin() + std::max(l.count, 0)};
}

TEST(ListFile, ReadsNamesAndSteps) {
  struct Case {
    const char* file;
    char separator;
    std::vector<std::string> names;
    std::vector<double> values; // the first slots of imageValues
  };
  const Case cases[] = {
      {"names_then_step.lst", '.', {"a.crd", "b.crd", "c.crd"}, {25, 25, 25, 0}},
      {"interleaved.lst", '.', {"a.crd", "b.crd", "c.crd"}, {10, 20, 30, 0}},
      {"comma.lst", ',', {"снимок_1.crd", "снимок_2.crd"}, {12.5, 13.5, 0}},
      {"../series/series.lst",
       '.',
       {"img01.crd", "img02.crd", "img03.crd", "img04.crd", "img05.crd", "img06.crd"},
       {25, 25, 25, 25, 25, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    List l;
    ReadListFile(kData + "/lists/" + c.file, l.names, l.values, l.count, c.separator);
    EXPECT_EQ(namesOf(l), c.names);
    EXPECT_EQ(std::vector<double>(l.values.begin(), l.values.begin() + c.values.size()), c.values);
  }
}

TEST(ListFile, KeepsNamesAsWrittenAndStepsItDoesNotFill) {
  TempFolder folder;
  List l;
  l.values.fill(7);
  const std::string path =
      folder.writeLines("l.lst", {"scan_crd_01.txt", " spaced name.crd ", "sub\\img.crd", "10", "20"});
  ReadListFile(path, l.names, l.values, l.count, '.');
  EXPECT_EQ(namesOf(l), (std::vector<std::string>{"scan_crd_01.txt", " spaced name.crd ", "sub\\img.crd"}));
  EXPECT_EQ(l.values[0], 10);
  EXPECT_EQ(l.values[1], 20);
  EXPECT_EQ(l.values[2], 7);

  // No names at all: no images, and the single number only fills slot 0.
  const std::string steps = folder.writeLines("s.lst", {"5"});
  ReadListFile(steps, l.names, l.values, l.count, '.');
  EXPECT_EQ(l.count, 0);
  EXPECT_EQ(l.values[0], 5);
  EXPECT_EQ(l.values[1], 20);
}

TEST(ListFile, FailuresNameTheFileAndLineAndChangeNothing) {
  struct Case {
    std::vector<std::string> lines; // nullopt-like: empty vector means "use the fixture"
    const char* fixture;
    const char* detail;
  };
  std::vector<std::string> tooManyNames(102, "a.crd");
  std::vector<std::string> tooManyNumbers(102, "1");
  tooManyNumbers.insert(tooManyNumbers.begin(), "a.crd");
  const Case cases[] = {
      {{}, "capital_name.lst", "capital_name.lst, строка 1: «IMG1.CRD» не число"},
      {{}, "trailing_empty.lst", "trailing_empty.lst, строка 4: строка пуста"},
      {{}, "missing.lst", "не удаётся открыть"},
      {{"a.crd", "2,5"}, nullptr, "строка 2: «2,5» не число (десятичный разделитель — точка)"},
      {tooManyNames, nullptr, "строка 102: больше 101 имени файла изображения"},
      {tooManyNumbers, nullptr, "строка 103: больше 101 числа"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.detail);
    TempFolder folder;
    const std::string path =
        c.fixture != nullptr ? kData + "/lists/" + c.fixture : folder.writeLines("bad.lst", c.lines);
    List l;
    l.names[0] = "kept.crd";
    l.values[0] = 3;
    l.count = 1;
    const ReadStatus status = ReadListFile(path, l.names, l.values, l.count, '.');
    EXPECT_FALSE(status.ok);
    EXPECT_THAT(status.detail, HasSubstr(c.detail));
    EXPECT_EQ(l.count, 1);
    EXPECT_EQ(l.names[0], "kept.crd");
    EXPECT_EQ(l.values[0], 3);
  }
  // 101 of each is the most a list may hold.
  TempFolder folder;
  std::vector<std::string> full(101, "a.crd");
  full.insert(full.end(), 101, "1");
  List l;
  ReadListFile(folder.writeLines("full.lst", full), l.names, l.values, l.count, '.');
  EXPECT_EQ(l.count, 101);
}

} // namespace
} // namespace kavo
