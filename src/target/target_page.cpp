#include "target/target_page.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kavo {

using detect::TargetKind;
using detect::TargetSpec;

namespace {

std::string lower(std::string text) {
  for (char& c : text) {
    c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return text;
}

// The shortest text that reads back as the value, with "." (the command line's notation).
std::string shortest(double value) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, r.ptr);
}

// The board's drawn extent in pitches, across and down.
struct Extent {
  double across = 0.0;
  double down = 0.0;
};

Extent extentInPitches(const TargetSpec& t) {
  switch (t.kind) {
  case TargetKind::Chessboard: // inner corners: one square more each way
    return {t.columns + 1.0, t.rows + 1.0};
  case TargetKind::Circles:
    return {t.columns - 1.0 + 2 * kCircleRadius, t.rows - 1.0 + 2 * kCircleRadius};
  case TargetKind::AsymmetricCircles: // a row's circles two pitches apart, every other row shifted by one
    return {2.0 * (t.columns - 1) + (t.rows > 1 ? 1.0 : 0.0) + 2 * kCircleRadius,
            t.rows - 1.0 + 2 * kCircleRadius};
  case TargetKind::Charuco:
    break;
  }
  return {static_cast<double>(t.columns), static_cast<double>(t.rows)};
}

// One way to lay the page out: turned or not, the band at the bottom or at the side.
struct Layout {
  bool landscape = false;
  bool side = false;
};

// The room for the board on the page, millimetres.
Extent room(const Paper& paper, const Layout& l) {
  const double width = l.landscape ? paper.height : paper.width;
  const double height = l.landscape ? paper.width : paper.height;
  const double clear = 2 * (kPageMargin + kQuietZone);
  return {width - clear - (l.side ? kBandHeight : 0.0), height - clear - (l.side ? 0.0 : kBandHeight)};
}

double largestPitchOn(const Extent& e, const Paper& paper, const Layout& l) {
  const Extent r = room(paper, l);
  return std::max(0.0, std::min(r.across / e.across, r.down / e.down));
}

// In the order they are tried: the band at the bottom is read most easily.
constexpr Layout kLayouts[] = {{false, false}, {true, false}, {false, true}, {true, true}};

} // namespace

std::optional<Paper> paperFromName(const std::string& name) {
  const std::string n = lower(name);
  if (n == "a4") {
    return Paper{"A4", 210.0, 297.0};
  }
  if (n == "a3") {
    return Paper{"A3", 297.0, 420.0};
  }
  if (n == "letter") {
    return Paper{"Letter", 215.9, 279.4};
  }
  const std::size_t x = n.find_first_of("x");
  if (x == std::string::npos) {
    return std::nullopt;
  }
  double w = 0.0, h = 0.0;
  const char* begin = n.data();
  const char* end = n.data() + n.size();
  const auto a = std::from_chars(begin, begin + x, w);
  const auto b = std::from_chars(begin + x + 1, end, h);
  if (a.ec != std::errc() || a.ptr != begin + x || b.ec != std::errc() || b.ptr != end || !(w >= 50.0) ||
      !(h >= 50.0) || w > 5000.0 || h > 5000.0) {
    return std::nullopt;
  }
  return Paper{shortest(w) + " × " + shortest(h) + " мм", w, h};
}

TargetPage layTargetPage(const TargetSpec& target, const Paper& paper) {
  TargetPage page;
  const Extent e = extentInPitches(target);
  const Layout* chosen = nullptr;
  for (const Layout& l : kLayouts) {
    const double pitch = largestPitchOn(e, paper, l);
    page.largestPitch = std::max(page.largestPitch, pitch);
    if (chosen == nullptr && target.pitch <= pitch) {
      chosen = &l;
    }
  }
  if (chosen == nullptr) {
    // Rounded down to a tenth of a millimetre, so that the pitch suggested does fit.
    const double fits = std::floor(page.largestPitch * 10.0) / 10.0;
    page.refusal = "мишень с шагом " + shortest(target.pitch) + " мм не помещается на лист " + paper.name +
                   " (ни вдоль, ни поперёк); наибольший шаг, при котором она поместится: " + shortest(fits) +
                   " мм";
    return page;
  }
  page.landscape = chosen->landscape;
  page.bandAtSide = chosen->side;
  page.pageWidth = page.landscape ? paper.height : paper.width;
  page.pageHeight = page.landscape ? paper.width : paper.height;
  page.boardWidth = e.across * target.pitch;
  page.boardHeight = e.down * target.pitch;
  if (page.bandAtSide) {
    page.bandLeft = page.pageWidth - kPageMargin - kBandHeight;
    page.bandTop = kPageMargin;
    page.bandWidth = kBandHeight;
    page.bandHeight = page.pageHeight - 2 * kPageMargin;
    page.boardLeft = (kPageMargin + page.bandLeft - page.boardWidth) / 2.0;
    page.boardTop = (page.pageHeight - page.boardHeight) / 2.0;
  } else {
    page.bandLeft = kPageMargin;
    page.bandTop = page.pageHeight - kPageMargin - kBandHeight;
    page.bandWidth = page.pageWidth - 2 * kPageMargin;
    page.bandHeight = kBandHeight;
    page.boardLeft = (page.pageWidth - page.boardWidth) / 2.0;
    page.boardTop = (kPageMargin + page.bandTop - page.boardHeight) / 2.0;
  }
  return page;
}

std::optional<TargetSpec> targetFromOptions(const std::string& pattern, const std::string& size, double pitch,
                                            double markerSize, const std::string& dictionary,
                                            std::string& why) {
  const auto kind = detect::targetKindFromName(pattern);
  const auto grid = detect::parseGridSize(size);
  if (!kind || !grid) {
    why = kind ? "--size must look like 9x6 (columns x rows)"
               : "--pattern must be chessboard, circles, acircles or charuco";
    return std::nullopt;
  }
  TargetSpec t{*kind, grid->columns, grid->rows, pitch};
  if (*kind == TargetKind::Charuco) {
    const auto d = detect::charucoDictionaryFromName(dictionary);
    if (!d || !(markerSize > 0.0)) {
      why = "--pattern charuco needs --marker MM and --dictionary NAME (DICT_4X4_50 … DICT_APRILTAG_36H11)";
      return std::nullopt;
    }
    t.markerSize = markerSize;
    t.dictionary = *d;
  }
  if (why = detect::targetSpecProblem(t); !why.empty()) {
    return std::nullopt;
  }
  return t;
}

std::vector<std::string> detectTargetArguments(const TargetSpec& t) {
  std::vector<std::string> args{"--pattern", detect::targetKindName(t.kind),
                                "--size",    std::to_string(t.columns) + "x" + std::to_string(t.rows),
                                "--square",  shortest(t.pitch)};
  if (t.kind == TargetKind::Charuco) {
    args.insert(args.end(), {"--marker", shortest(t.markerSize), "--dictionary",
                             detect::charucoDictionaryName(t.dictionary)});
  }
  return args;
}

std::string detectCommandText(const TargetSpec& target) {
  std::string text = "kavo-cli detect";
  for (const std::string& a : detectTargetArguments(target)) {
    text += " " + a;
  }
  return text + " --step MM --out DIR PHOTO...";
}

std::string targetDescription(const TargetSpec& t, const Paper& paper) {
  const std::string size = std::to_string(t.columns) + " × " + std::to_string(t.rows);
  std::string what;
  switch (t.kind) {
  case TargetKind::Chessboard:
    what = "Шахматная доска, " + size + " внутренних углов, клетка " + shortest(t.pitch) + " мм";
    break;
  case TargetKind::Circles:
    what = "Сетка кругов " + size + ", шаг " + shortest(t.pitch) + " мм";
    break;
  case TargetKind::AsymmetricCircles:
    what = "Шахматная сетка кругов " + size + ", шаг между рядами " + shortest(t.pitch) + " мм";
    break;
  case TargetKind::Charuco:
    what = "Доска ChArUco " + size + " клеток, клетка " + shortest(t.pitch) + " мм, маркер " +
           shortest(t.markerSize) + " мм, " + detect::charucoDictionaryName(t.dictionary);
    break;
  }
  return what + ". Лист " + paper.name +
         ", печатать в масштабе 100 % (без подгонки под лист); линейка — 100 мм";
}

} // namespace kavo
