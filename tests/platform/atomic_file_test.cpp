#include "platform/atomic_file.h"

#include "temp_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kavo {
namespace {

using test::readBytes;
using test::TempFolder;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

long entries(const std::string& folder) {
  return static_cast<long>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(AtomicFile, WritesANewFileAndReplacesAnOldOne) {
  TempFolder folder;
  const std::string path = folder.path() + "a.cam";
  ASSERT_EQ(writeFileAtomically(path, "first"), "");
  EXPECT_EQ(readBytes(path), "first");
  ::chmod(path.c_str(), 0640);
  ASSERT_EQ(writeFileAtomically(path, "second, longer"), "");
  EXPECT_EQ(readBytes(path), "second, longer");
  // The replaced file keeps its permissions, and no temporary file stays beside it.
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(entries(folder.path()), 1);
}

TEST(AtomicFile, WritesInTheCurrentFolderWhenTheNameHasNone) {
  TempFolder folder;
  const fs::path previous = fs::current_path();
  fs::current_path(folder.path());
  const std::string why = writeFileAtomically("plain.txt", "x");
  fs::current_path(previous);
  EXPECT_EQ(why, "");
  EXPECT_EQ(readBytes(folder.path() + "plain.txt"), "x");
  EXPECT_EQ(entries(folder.path()), 1);
}

TEST(AtomicFile, SavingThroughALinkKeepsTheLink) {
  TempFolder folder;
  const std::string real = folder.write("real.cam", "old");
  const std::string link = folder.path() + "link.cam";
  fs::create_symlink(real, link);
  ASSERT_EQ(writeFileAtomically(link, "new"), "");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(readBytes(real), "new");
  EXPECT_EQ(entries(folder.path()), 2);
}

TEST(AtomicFile, AFailureLeavesTheOldFileAndNoTemporaryFile) {
  TempFolder folder;
  fs::create_directory(folder.path() + "target");
  folder.write("target/inside.txt", "kept");
  fs::create_directory(folder.path() + "locked");
  const std::string old = folder.write("locked/old.cam", "old");
  ::chmod((folder.path() + "locked").c_str(), 0500);
  const bool root = ::geteuid() == 0; // root may write into a read-only folder

  struct Case {
    std::string path;
    std::string reason;
  };
  std::vector<Case> cases = {
      {"", "не задано имя файла"},
      {folder.path() + "missing/a.cam",
       "не удаётся создать временный файл в папке " + folder.path() + "missing/: нет такого файла или папки"},
      {folder.path() + "target", folder.path() + "target: это папка, а не файл"},
  };
  if (!root) {
    cases.push_back(
        {old, "не удаётся создать временный файл в папке " + folder.path() + "locked/: нет прав доступа"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_THAT(writeFileAtomically(c.path, "new"), HasSubstr(c.reason));
  }
  ::chmod((folder.path() + "locked").c_str(), 0700);
  EXPECT_EQ(readBytes(old), "old");
  EXPECT_EQ(readBytes(folder.path() + "target/inside.txt"), "kept");
  EXPECT_EQ(entries(folder.path()), 2);
  EXPECT_EQ(entries(folder.path() + "locked"), 1);
}

} // namespace
} // namespace kavo
