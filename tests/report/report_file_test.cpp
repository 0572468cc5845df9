#include "report/file_digest.h"
#include "report/report_file.h"
#include "report/report_page.h"

#include "temp_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <unistd.h>

namespace kavo {
namespace {

using test::readBytes;
using test::TempFolder;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

ReportInput smallInput() {
  ReportInput in;
  in.date = "10.12.2025 12:00";
  in.classic = {true, {}, 10, 1800, 1, 0.3, {}, {}, {}};
  return in;
}

TEST(FileDigest, MatchesKnownDigestsInMemoryAndStreamedFromFiles) {
  TempFolder folder;
  const std::string million(1000000, 'a'); // longer than one read block
  struct Case {
    std::string bytes, hex;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sha256OfBytes(c.bytes), c.hex);
    const FileDigest d = sha256OfFile(folder.write("f" + std::to_string(c.bytes.size()), c.bytes));
    EXPECT_TRUE(d.ok) << d.detail;
    EXPECT_EQ(d.hex, c.hex);
  }
}

TEST(FileDigest, UnreadableFileGivesAnErrorNamingItAndTheReportShowsIt) {
  TempFolder folder;
  const std::string missing = folder.path() + "нет такого.cam";
  const std::string folderItself = folder.path();
  for (const std::string& path : {missing, folderItself}) {
    const FileDigest d = sha256OfFile(path);
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.hex, "");
    EXPECT_EQ(d.message, "Ошибка чтения файла!");
    EXPECT_THAT(d.detail, HasSubstr(path + ": "));
  }

  ReportInput in = smallInput();
  in.files = {{"Файл внутренней геометрии", folder.write("a.cam", "abc"), {}, {}},
              {"Файл координат точек сцены", missing, {}, {}}};
  addFileDigests(in);
  EXPECT_EQ(in.files[0].sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(in.files[1].sha256, "");
  EXPECT_THAT(in.files[1].digestProblem, HasSubstr(missing));
  EXPECT_THAT(buildReportPage(in), HasSubstr("не вычислена: " + missing + ": нет такого файла или папки"));
}

TEST(ReportFile, WritesThePageAndReplacesAnOlderReport) {
  TempFolder folder;
  const std::string path = folder.write("report.html", "older report");
  const ReportInput in = smallInput();
  const ReportWriteResult r = writeReport(path, in);
  ASSERT_TRUE(r.ok) << r.detail;
  EXPECT_EQ(readBytes(path), buildReportPage(in));
  EXPECT_EQ(entries(folder.path()), std::vector<std::string>{"report.html"});
}

TEST(ReportFile, FailedWriteLeavesNoPartialFileAndSaysWhyInRussian) {
  TempFolder folder;
  folder.write("taken/inside.txt", "kept");
  folder.write("locked/old.html", "older report");
  ::chmod((folder.path() + "locked").c_str(), 0500);
  std::vector<std::string> targets = {folder.path() + "taken", folder.path() + "missing/report.html"};
  if (::geteuid() != 0) { // root writes into a read-only folder
    targets.push_back(folder.path() + "locked/old.html");
  }
  const auto before = entries(folder.path());
  for (const std::string& target : targets) {
    const ReportWriteResult r = writeReport(target, smallInput());
    EXPECT_FALSE(r.ok) << target;
    EXPECT_EQ(r.message, "Ошибка записи отчёта!");
    EXPECT_THAT(r.detail, HasSubstr("Отчёт " + target + " не записан: "));
  }
  EXPECT_EQ(entries(folder.path()), before);
  EXPECT_EQ(entries(folder.path() + "taken"), std::vector<std::string>{"inside.txt"});
  EXPECT_EQ(entries(folder.path() + "locked"), std::vector<std::string>{"old.html"});
  EXPECT_EQ(readBytes(folder.path() + "locked/old.html"), "older report");
  ::chmod((folder.path() + "locked").c_str(), 0700);
}

TEST(ReportFile, DateIsDayMonthYearHoursMinutes) {
  EXPECT_TRUE(std::regex_match(reportDateNow(), std::regex(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d)")));
}

} // namespace
} // namespace kavo
