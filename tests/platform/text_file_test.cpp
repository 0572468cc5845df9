#include "platform/cp1251.h"
#include "platform/text_file.h"

#include "temp_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace kavo {
namespace {

using test::readBytes;
using test::TempFolder;
using ::testing::HasSubstr;
using Lines = std::vector<std::string>;

TEST(TextFile, SplitsAtEveryKindOfLineEnd) {
  struct Case {
    const char* text;
    Lines lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\r\n\r\n", {"a", ""}}, // two line breaks at the end: an empty last line
      {"a\n\r", {"a", ""}},     // LF then CR is two line ends
      {"\r\n", {""}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\r\n\nb", {"a", "", "b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
    EXPECT_EQ(splitLines(c.text), c.lines);
    // The readers that stop at a faulty line take the same lines one at a time, and count them
    // without making them.
    Lines taken;
    LineCursor cursor(c.text);
    for (std::string line; cursor.next(line);) {
      taken.push_back(line);
    }
    EXPECT_EQ(taken, c.lines);
    EXPECT_EQ(countLines(c.text), c.lines.size());
    const Lines firstTwo(c.lines.begin(),
                         c.lines.begin() + static_cast<long>(std::min<std::size_t>(2, c.lines.size())));
    EXPECT_EQ(decodeFirstLines(c.text, 2), firstTwo);
  }
}

TEST(TextFile, LinesTakenOneAtATimeAreDecodedFromWindows1251) {
  // "Шаг" and "crd" on CR-only and LF line ends, with a byte past the letters (0xB9, the numero sign).
  LineCursor cursor("\xD8\xE0\xE3\r\xB9 crd\n");
  std::string line;
  ASSERT_TRUE(cursor.next(line));
  EXPECT_EQ(line, "Шаг");
  ASSERT_TRUE(cursor.next(line));
  EXPECT_EQ(line, "№ crd");
  EXPECT_FALSE(cursor.next(line));
}

// Line ends and letters are found eight bytes at a time: each is put at every offset of a long line,
// before, inside and after a whole word, and must be found where it is.
TEST(TextFile, LineEndsAndLettersAreFoundAtEveryOffset) {
  for (std::size_t at = 0; at < 26; ++at) {
    for (const char* end : {"\r", "\n", "\r\n"}) {
      SCOPED_TRACE(testing::Message()
                   << "offset " << at << ", end " << testing::PrintToString(std::string(end)));
      const std::string first = std::string(at, 'a') + "\xDF" + std::string(9, 'b'); // "Я" inside ASCII
      const std::string text = first + end + std::string(at, 'c');
      Lines expected{std::string(at, 'a') + "Я" + std::string(9, 'b')};
      if (at > 0) {
        expected.push_back(std::string(at, 'c'));
      }
      EXPECT_EQ(decodeLines(text), expected);
      EXPECT_EQ(countLines(text), expected.size());
      LineCursor cursor(text);
      Lines taken;
      for (std::string line; cursor.next(line);) {
        taken.push_back(line);
      }
      EXPECT_EQ(taken, expected);
      std::string why;
      const auto bytes = encodeCp1251(expected.front(), &why);
      ASSERT_TRUE(bytes.has_value()) << why;
      EXPECT_EQ(*bytes, first);
    }
  }
}

TEST(TextFile, LoadsWindows1251AsUtf8) {
  TempFolder folder;
  // "1024 ; Координата X" in Windows-1251, CR-only line ends.
  const std::string path = folder.write("a.cam", "1024 ; \xCA\xEE\xEE\xF0\xE4\xE8\xED\xE0\xF2\xE0 X\r2\r");
  const TextLines file = loadLines(path);
  ASSERT_TRUE(file.ok) << file.error;
  EXPECT_EQ(file.lines, (Lines{"1024 ; Координата X", "2"}));
}

TEST(TextFile, EveryByteSurvivesALoadAndASave) {
  TempFolder folder;
  std::string bytes;
  for (int b = 0; b < 256; ++b) {
    if (b != '\r' && b != '\n') {
      bytes.push_back(static_cast<char>(b));
    }
  }
  const std::string in = folder.write("in.txt", bytes + "\r\n");
  const TextLines file = loadLines(in);
  ASSERT_TRUE(file.ok);
  const std::string out = folder.path() + "out.txt";
  ASSERT_EQ(saveLines(out, file.lines), "");
  EXPECT_EQ(readBytes(out), bytes + "\r\n");
}

TEST(TextFile, SavesWindows1251WithCrLfAfterEveryLine) {
  TempFolder folder;
  const std::string path = folder.path() + "s.crd";
  ASSERT_EQ(saveLines(path, {"0 ; 0", "", "Ст.откл. = -"}), "");
  EXPECT_EQ(readBytes(path), "0 ; 0\r\n\r\n\xD1\xF2.\xEE\xF2\xEA\xEB. = -\r\n");
  ASSERT_EQ(saveLines(path, {}), "");
  EXPECT_EQ(readBytes(path), "");
}

TEST(TextFile, ATextWithoutAWindows1251FormIsNotSaved) {
  struct Case {
    std::string line;
    const char* reason;
  };
  const Case cases[] = {
      {"focal 中", "строка 2: символ «中» нельзя записать в Windows-1251"},
      {"smile \xF0\x9F\x98\x80", "нельзя записать в Windows-1251"},
      {"broken \xD0", "не в UTF-8"},
      {"overlong \xC0\xAF", "не в UTF-8"},
      {"surrogate \xED\xA0\x80", "не в UTF-8"},
      {"past the last character \xF4\x90\x80\x80", "не в UTF-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    TempFolder folder;
    const std::string path = folder.write("keep.txt", "old\r\n");
    EXPECT_THAT(saveLines(path, {"first", c.line}), HasSubstr(c.reason));
    EXPECT_EQ(readBytes(path), "old\r\n");
  }
}

TEST(TextFile, ReportsWhatCannotBeRead) {
  TempFolder folder;
  std::filesystem::create_directory(folder.path() + "sub");
  ::mkfifo((folder.path() + "pipe").c_str(), 0600);
  struct Case {
    std::string path;
    std::string reason;
  };
  const Case cases[] = {
      {folder.path() + "none.txt",
       "не удаётся открыть " + folder.path() + "none.txt: нет такого файла или папки"},
      {"", "не удаётся открыть (нет имени файла)"},
      // A folder or a pipe must not read as an empty file, nor wait for a writer.
      {folder.path() + "sub", "это папка"},
      {folder.path() + "sub/", "это папка"},
      {folder.path() + "pipe", "это не обычный файл"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const TextLines file = loadLines(c.path);
    EXPECT_FALSE(file.ok);
    EXPECT_TRUE(file.lines.empty());
    EXPECT_THAT(file.error, HasSubstr(c.reason));
  }
}

} // namespace
} // namespace kavo
