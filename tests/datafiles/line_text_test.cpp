#include "datafiles/line_text.h"

#include <gtest/gtest.h>

#include <string>

namespace kavo {
namespace {

TEST(LineText, CountsLinesInTheFormTheNumberNeeds) {
  const std::pair<std::size_t, const char*> cases[] = {
      {0, "0 строк"},   {1, "1 строка"},     {2, "2 строки"},    {4, "4 строки"},    {5, "5 строк"},
      {11, "11 строк"}, {12, "12 строк"},    {14, "14 строк"},   {21, "21 строка"},  {22, "22 строки"},
      {25, "25 строк"}, {101, "101 строка"}, {111, "111 строк"}, {112, "112 строк"}, {1004, "1004 строки"},
  };
  for (const auto& [count, text] : cases) {
    EXPECT_EQ(lineCount(count), text);
  }
}

TEST(LineText, QuotesAndCutsLongTextOnACharacterBoundary) {
  EXPECT_EQ(kavo::quoted("abc"), "«abc»");
  EXPECT_EQ(kavo::quoted(""), "«»");
  // Sixty bytes are kept at most; a Cyrillic letter is two, so the cut must not split one.
  const std::string letters(31 * 2, 'x');
  std::string cyrillic;
  for (int i = 0; i < 31; ++i) {
    cyrillic += "ж";
  }
  const std::string cut = kavo::quoted("a" + cyrillic);
  EXPECT_EQ(cut, "«a" + cyrillic.substr(0, 58) + "...»");
  EXPECT_EQ(kavo::quoted(letters), "«" + letters.substr(0, 60) + "...»");
}

} // namespace
} // namespace kavo
