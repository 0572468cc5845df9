#include "detect/output_folder.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace kavo::detect {
namespace {

namespace fs = std::filesystem;

// Files named *.crd, and the folder "marks" holding *.jpg.
bool ownedSeries(const std::string& relative, bool folder) {
  return folder ? false : relative.size() > 4 && relative.substr(relative.size() - 4) == ".crd";
}
bool ownedMarks(const std::string& relative, bool folder) {
  return !folder && relative.size() > 4 && relative.substr(relative.size() - 4) == ".jpg";
}

std::set<std::string> entries(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    names.insert(fs::relative(e.path(), folder).string());
  }
  return names;
}

void put(const std::string& path, const std::string& text = "x") {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path) << text;
}

TEST(StagedOutput, CreatesANewFolderWithItsParentsOnlyOnPublish) {
  test::TempFolder root;
  const std::string target = root.path() + "a/b/out";
  std::string why;
  auto staged = StagedOutput::prepare({{target, ownedSeries}}, why);
  ASSERT_TRUE(staged) << why;
  put(staged->stagedFolder(0) + "one.crd");
  EXPECT_FALSE(fs::exists(target)) << "nothing appears before publish";
  ASSERT_EQ(staged->publish(), "");
  EXPECT_EQ(entries(target), (std::set<std::string>{"one.crd"}));
  EXPECT_EQ(entries(root.path() + "a/b"), (std::set<std::string>{"out", "out/one.crd"}))
      << "no hidden folder left";
}

TEST(StagedOutput, ReplacesAnEarlierRunAsAWhole) {
  test::TempFolder root;
  const std::string target = root.path() + "out";
  put(target + "/old.crd");
  put(target + "/stale.crd");
  std::string why;
  auto staged = StagedOutput::prepare({{target, ownedSeries}}, why);
  ASSERT_TRUE(staged) << why;
  put(staged->stagedFolder(0) + "old.crd", "new");
  ASSERT_EQ(staged->publish(), "");
  EXPECT_EQ(entries(target), (std::set<std::string>{"old.crd"}));
  EXPECT_EQ(test::readBytes(target + "/old.crd"), "new");
  EXPECT_EQ(entries(root.path()), (std::set<std::string>{"out", "out/old.crd"}));
}

TEST(StagedOutput, AbandonedRunLeavesEverythingAsItWas) {
  test::TempFolder root;
  const std::string target = root.path() + "out";
  put(target + "/old.crd", "old");
  {
    std::string why;
    auto staged = StagedOutput::prepare({{target, ownedSeries}}, why);
    ASSERT_TRUE(staged) << why;
    put(staged->stagedFolder(0) + "old.crd", "half");
  }
  EXPECT_EQ(entries(root.path()), (std::set<std::string>{"out", "out/old.crd"}));
  EXPECT_EQ(test::readBytes(target + "/old.crd"), "old");
}

TEST(StagedOutput, KeepsTheOldFolderWhenTheUserPutSomethingInMeanwhile) {
  test::TempFolder root;
  const std::string target = root.path() + "out";
  put(target + "/old.crd", "old");
  std::string why;
  auto staged = StagedOutput::prepare({{target, ownedSeries}}, why);
  ASSERT_TRUE(staged) << why;
  put(staged->stagedFolder(0) + "new.crd");
  put(target + "/notes.txt", "mine");
  EXPECT_NE(staged->publish().find("(notes.txt)"), std::string::npos);
  EXPECT_EQ(test::readBytes(target + "/notes.txt"), "mine");
  EXPECT_EQ(test::readBytes(target + "/old.crd"), "old");
}

bool keptReports(const std::string& relative, bool folder) {
  return !folder && relative.size() > 5 && relative.substr(relative.size() - 5) == ".html";
}

// Files the rule keeps block nothing and come into the new folder as they were, also one put there
// while the run went on; a file of the same name the run wrote itself wins.
TEST(StagedOutput, CarriesTheFilesItKeepsIntoTheNewFolder) {
  test::TempFolder root;
  const std::string target = root.path() + "out";
  put(target + "/old.crd", "old");
  put(target + "/report.html", "report");
  put(target + "/mine.html", "old mine");
  std::string why;
  auto staged = StagedOutput::prepare({{target, ownedSeries, keptReports}}, why);
  ASSERT_TRUE(staged) << why;
  put(staged->stagedFolder(0) + "new.crd", "new");
  put(staged->stagedFolder(0) + "mine.html", "written by the run");
  put(target + "/later.html", "later");
  ASSERT_EQ(staged->publish(), "");
  EXPECT_EQ(entries(target), (std::set<std::string>{"new.crd", "report.html", "mine.html", "later.html"}));
  EXPECT_EQ(test::readBytes(target + "/report.html"), "report");
  EXPECT_EQ(test::readBytes(target + "/later.html"), "later");
  EXPECT_EQ(test::readBytes(target + "/mine.html"), "written by the run");
  EXPECT_EQ(entries(root.path()).size(), 5u) << "no hidden folder left";
}

TEST(StagedOutput, RefusesAFolderHoldingAnythingElse) {
  test::TempFolder root;
  put(root.path() + "out/a.crd");
  put(root.path() + "out/photos/IMG_1.JPG");
  put(root.path() + "file", "not a folder");
  std::string why;
  EXPECT_FALSE(StagedOutput::prepare({{root.path() + "out", ownedSeries}}, why));
  EXPECT_NE(why.find("(photos)"), std::string::npos) << why;
  EXPECT_FALSE(StagedOutput::prepare({{root.path() + "file", ownedSeries}}, why));
  EXPECT_NE(why.find("это файл"), std::string::npos) << why;
  EXPECT_EQ(entries(root.path()),
            (std::set<std::string>{"out", "out/a.crd", "out/photos", "out/photos/IMG_1.JPG", "file"}));
}

// Two folders apart: when the second cannot be put in place after the first was, the first is put
// back, so both stay as they were and the message says nothing was replaced.
TEST(StagedOutput, TwoFoldersAreReplacedBothOrNeither) {
  for (const bool marksExisted : {true, false}) {
    SCOPED_TRACE(marksExisted ? "marks folder existed" : "marks folder new");
    test::TempFolder root;
    put(root.path() + "series/old.crd", "old");
    if (marksExisted) {
      put(root.path() + "marks/old.jpg", "old");
    }
    const std::set<std::string> before = entries(root.path());
    std::string why;
    auto staged = StagedOutput::prepare(
        {{root.path() + "series", ownedSeries}, {root.path() + "marks", ownedMarks}}, why);
    ASSERT_TRUE(staged) << why;
    put(staged->stagedFolder(0) + "old.crd", "new");
    put(staged->stagedFolder(1) + "old.jpg", "new");
    // The second folder's staging disappears before it is moved into place.
    fs::remove_all(staged->stagedFolder(1));
    const std::string problem = staged->publish();
    EXPECT_NE(problem.find("ничего не заменено"), std::string::npos) << problem;
    staged.reset();
    EXPECT_EQ(entries(root.path()), before);
    EXPECT_EQ(test::readBytes(root.path() + "series/old.crd"), "old");
  }
}

struct NestedCase {
  const char* name;
  const char* series;
  const char* marks;
  std::set<std::string> after; // everything under the root once published
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const NestedCase& c, std::ostream* os) {
  *os << c.name;
}

class NestedTargets : public ::testing::TestWithParam<NestedCase> {};

// Two targets in one folder, or one inside the other, are written and replaced together.
TEST_P(NestedTargets, AreWrittenTogether) {
  const NestedCase& c = GetParam();
  test::TempFolder root;
  for (int run = 0; run < 2; ++run) {
    std::string why;
    auto staged = StagedOutput::prepare(
        {{root.path() + c.series, ownedSeries}, {root.path() + c.marks, ownedMarks}}, why);
    ASSERT_TRUE(staged) << "run " << run << ": " << why;
    put(staged->stagedFolder(0) + "s" + std::to_string(run) + ".crd");
    put(staged->stagedFolder(1) + "m" + std::to_string(run) + ".jpg");
    ASSERT_EQ(staged->publish(), "");
  }
  EXPECT_EQ(entries(root.path()), c.after);
}

const NestedCase kNested[] = {
    {"SameFolder", "out", "out", {"out", "out/s1.crd", "out/m1.jpg"}},
    {"MarksInside", "out", "out/marks", {"out", "out/s1.crd", "out/marks", "out/marks/m1.jpg"}},
    {"SeriesInside", "all/series", "all", {"all", "all/m1.jpg", "all/series", "all/series/s1.crd"}},
    {"Apart", "series", "marks", {"series", "series/s1.crd", "marks", "marks/m1.jpg"}},
};
INSTANTIATE_TEST_SUITE_P(Folders, NestedTargets, ::testing::ValuesIn(kNested),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace kavo::detect
