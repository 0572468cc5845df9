// The page of a target to print: where the board goes, when the page turns or the band moves to the
// side, what a board too large for the paper is told, and the dialog's form.
#include "target/target_form.h"
#include "target/target_page.h"

#include "scripted_user_port.h"
#include "temp_folder.h"

#include <gmock/gmock.h>

#include <filesystem>

namespace kavo {
namespace {

using detect::TargetKind;
using detect::TargetSpec;
using ::testing::HasSubstr;

const Paper kA4{"A4", 210.0, 297.0};

struct Layout {
  const char* name;
  TargetSpec target;
  bool landscape;
  bool side;
  double boardWidth;
  double boardHeight;
};

void PrintTo(const Layout& l, std::ostream* os) {
  *os << l.name;
}

class PageLayout : public ::testing::TestWithParam<Layout> {};

// The board at 1:1 (its extent in pitches times the pitch), centred in the room the band leaves, at
// least the quiet zone from the band and the margins.
TEST_P(PageLayout, BoardAtItsSizeInsideTheMargins) {
  const Layout& l = GetParam();
  const TargetPage page = layTargetPage(l.target, kA4);
  ASSERT_EQ(page.refusal, "");
  EXPECT_EQ(page.landscape, l.landscape);
  EXPECT_EQ(page.bandAtSide, l.side);
  EXPECT_DOUBLE_EQ(page.boardWidth, l.boardWidth);
  EXPECT_DOUBLE_EQ(page.boardHeight, l.boardHeight);
  EXPECT_DOUBLE_EQ(page.pageWidth, l.landscape ? 297.0 : 210.0);
  const double clear = kPageMargin + kQuietZone - 1e-9;
  EXPECT_GE(page.boardLeft, clear);
  EXPECT_GE(page.boardTop, clear);
  if (l.side) {
    EXPECT_LE(page.boardLeft + page.boardWidth + kQuietZone, page.bandLeft + 1e-9);
    EXPECT_GE(page.pageHeight - page.boardTop - page.boardHeight, clear);
  } else {
    EXPECT_LE(page.boardTop + page.boardHeight + kQuietZone, page.bandTop + 1e-9);
    EXPECT_NEAR(page.boardLeft, (page.pageWidth - page.boardWidth) / 2, 1e-9);
  }
}

const Layout kLayouts[] = {
    // 8 × 6 squares of 20 mm, then 10 × 7, which fit only across the page.
    {"ChessboardPortrait", {TargetKind::Chessboard, 7, 5, 20.0}, false, false, 160.0, 120.0},
    {"ChessboardLandscape", {TargetKind::Chessboard, 9, 6, 20.0}, true, false, 200.0, 140.0},
    // 250 × 175 mm: across an A4 turned, with the band beside it.
    {"ChessboardBandAtTheSide", {TargetKind::Chessboard, 9, 6, 25.0}, true, true, 250.0, 175.0},
    // 6 gaps of 30 mm and a circle's diameter each way.
    {"Circles", {TargetKind::Circles, 7, 5, 30.0}, true, false, 6.6 * 30.0, 4.6 * 30.0},
    // Rows 20 mm apart, the circles of a row 40 mm apart, every other row shifted by 20 mm.
    {"StaggeredCircles", {TargetKind::AsymmetricCircles, 4, 11, 20.0}, false, false, 7.6 * 20.0, 10.6 * 20.0},
    {"Charuco", {TargetKind::Charuco, 7, 5, 30.0, 22.0, 5}, true, false, 210.0, 150.0},
};
INSTANTIATE_TEST_SUITE_P(Targets, PageLayout, ::testing::ValuesIn(kLayouts),
                         [](const auto& test) { return std::string(test.param.name); });

// A board too large any way round is refused with the largest pitch that fits, rounded down so that
// it does fit.
TEST(TargetPage, TooLargeIsRefusedWithThePitchThatFits) {
  const TargetSpec big{TargetKind::Chessboard, 9, 6, 40.0};
  const TargetPage page = layTargetPage(big, kA4);
  EXPECT_THAT(page.refusal, HasSubstr("мишень с шагом 40 мм не помещается на лист A4"));
  EXPECT_THAT(page.refusal, HasSubstr("наибольший шаг, при котором она поместится: 25.5 мм"));
  EXPECT_EQ(layTargetPage({TargetKind::Chessboard, 9, 6, 25.5}, kA4).refusal, "");
  EXPECT_NE(layTargetPage({TargetKind::Chessboard, 9, 6, 25.6}, kA4).refusal, "");
}

TEST(TargetPage, PaperNames) {
  EXPECT_EQ(paperFromName("a3")->width, 297.0);
  EXPECT_EQ(paperFromName("Letter")->height, 279.4);
  const auto custom = paperFromName("300x400.5");
  ASSERT_TRUE(custom);
  EXPECT_EQ(custom->height, 400.5);
  for (const char* wrong : {"B5", "40x400", "300x", "x300", "300x400mm", ""}) {
    EXPECT_FALSE(paperFromName(wrong)) << wrong;
  }
}

TEST(TargetPage, DetectCommandNamesTheTarget) {
  const TargetSpec charuco{TargetKind::Charuco, 7, 5, 30.0, 22.5, 5};
  EXPECT_EQ(detectCommandText(charuco),
            "kavo-cli detect --pattern charuco --size 7x5 --square 30 --marker 22.5 "
            "--dictionary DICT_5X5_100 --step MM --out DIR PHOTO...");
  std::string why;
  EXPECT_FALSE(targetFromOptions("charuco", "7x5", 30, 0, "DICT_5X5_100", why));
  EXPECT_THAT(why, HasSubstr("--marker"));
  EXPECT_FALSE(targetFromOptions("chessboard", "9-6", 30, 0, "", why));
  EXPECT_THAT(why, HasSubstr("--size"));
}

// The dialog's form: numbers typed with either separator, the paper named or measured, and what it
// refuses in the box it shows; "Записать…" writes the file chosen, with the extension of its filter.
TEST(TargetForm, ChecksTheFieldsAndWritesTheChosenFile) {
  TargetForm form;
  form.pitch = "20,5";
  TargetFormCheck check = checkTargetForm(form, '.');
  ASSERT_FALSE(check.refusal) << check.refusal->detail;
  EXPECT_EQ(check.target.pitch, 20.5);
  EXPECT_EQ(check.paper.name, "A4");

  form.pitch = "";
  EXPECT_EQ(checkTargetForm(form, '.').refusal->detail, "не задан шаг сетки мишени");
  form.pitch = "60";
  EXPECT_THAT(checkTargetForm(form, '.').refusal->detail, HasSubstr("не помещается"));
  form.paper = "1000x800";
  EXPECT_FALSE(checkTargetForm(form, '.').refusal);
  form.kind = TargetKind::Charuco;
  form.markerSize = "";
  EXPECT_EQ(checkTargetForm(form, '.').refusal->detail, "не задана сторона маркера");
  form.markerSize = "70";
  EXPECT_NE(checkTargetForm(form, '.').refusal->detail, "");
  form.markerSize = "45";
  form.dictionary = "DICT_9X9";
  EXPECT_THAT(checkTargetForm(form, '.').refusal->detail, HasSubstr("неизвестный словарь"));

  test::TempFolder folder;
  test::ScriptedUserPort port;
  TargetForm ok;
  ok.pitch = "20";
  port.saveChoices.push_back(SaveChoice{folder.file("board"), 1});
  const TargetWriteOutcome written = writeTargetOfForm(ok, port, '.', folder.path());
  EXPECT_EQ(written.status, TargetWriteOutcome::Status::Written);
  EXPECT_EQ(written.path, folder.file("board.svg"));
  EXPECT_TRUE(std::filesystem::exists(folder.file("board.svg")));
  ASSERT_EQ(port.saveRequests().size(), 1u);
  EXPECT_EQ(port.saveRequests()[0].filter, "PDF (*.pdf)|*.pdf|SVG (*.svg)|*.svg");

  TargetForm refused;
  const TargetWriteOutcome none = writeTargetOfForm(refused, port, '.', folder.path());
  EXPECT_EQ(none.status, TargetWriteOutcome::Status::Refused);
  ASSERT_EQ(port.messages().size(), 1u);
  EXPECT_EQ(port.messages()[0].text, "Мишень не нарисована!");
  EXPECT_EQ(port.saveRequests().size(), 1u);
  EXPECT_EQ(port.unexpected, 0);
}

} // namespace
} // namespace kavo
