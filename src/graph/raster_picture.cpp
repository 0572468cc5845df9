#include "graph/raster_picture.h"

#include <cstdlib>
#include <cstring>

#include "core/error.h"

namespace kavo {
namespace {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kAdvance = kGlyphWidth + 1;

struct Glyph {
  char ch;
  std::uint8_t rows[kGlyphHeight]; // bit 4 is the leftmost column
};

constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}}, {',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}}, {'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'N', {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
};

const Glyph* findGlyph(char c) {
  for (const Glyph& g : kGlyphs) {
    if (g.ch == c) {
      return &g;
    }
  }
  return nullptr;
}

} // namespace

RasterPicture::RasterPicture(int width, int height) : w(width), h(height) {
  if (width <= 0 || height <= 0) {
    throw Error("A picture needs a positive size");
  }
  rgb.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0xFF);
}

Colour RasterPicture::pixel(int x, int y) const {
  const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + x) * 3;
  return static_cast<Colour>(rgb[at]) | static_cast<Colour>(rgb[at + 1]) << 8 |
         static_cast<Colour>(rgb[at + 2]) << 16;
}

void RasterPicture::plot(int x, int y, Colour colour) {
  if (x < 0 || y < 0 || x >= w || y >= h) {
    return;
  }
  const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + x) * 3;
  rgb[at] = static_cast<std::uint8_t>(colour & 0xFF);
  rgb[at + 1] = static_cast<std::uint8_t>(colour >> 8 & 0xFF);
  rgb[at + 2] = static_cast<std::uint8_t>(colour >> 16 & 0xFF);
}

void RasterPicture::setPen(Colour colour, PenStyle style) {
  pen = colour;
  penVisible = style == PenStyle::Solid;
}

void RasterPicture::setBrush(Colour colour, BrushStyle style) {
  brush = colour;
  brushVisible = style == BrushStyle::Solid;
}

void RasterPicture::moveTo(int x, int y) {
  penX = x;
  penY = y;
}

void RasterPicture::lineTo(int x, int y) {
  // Bresenham from the pen position up to, but not including, the end point.
  int cx = penX;
  int cy = penY;
  const long long dx = std::llabs(static_cast<long long>(x) - cx);
  const long long dy = -std::llabs(static_cast<long long>(y) - cy);
  const int sx = cx < x ? 1 : -1;
  const int sy = cy < y ? 1 : -1;
  long long error = dx + dy;
  while (cx != x || cy != y) {
    if (penVisible) {
      plot(cx, cy, pen);
    }
    const long long twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      cx += sx;
    }
    if (twice <= dx) {
      error += dx;
      cy += sy;
    }
  }
  penX = x;
  penY = y;
}

void RasterPicture::rectangle(int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top) {
    return;
  }
  if (brushVisible) {
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) {
        plot(x, y, brush);
      }
    }
  }
  if (penVisible) {
    for (int x = left; x < right; ++x) {
      plot(x, top, pen);
      plot(x, bottom - 1, pen);
    }
    for (int y = top; y < bottom; ++y) {
      plot(left, y, pen);
      plot(right - 1, y, pen);
    }
  }
}

void RasterPicture::textOut(int x, int y, const char* utf8Text) {
  for (const char* c = utf8Text; *c != '\0'; ++c, x += kAdvance) {
    const Glyph* glyph = findGlyph(*c);
    if (glyph == nullptr) {
      continue;
    }
    for (int row = 0; row < kGlyphHeight; ++row) {
      for (int col = 0; col < kGlyphWidth; ++col) {
        if (glyph->rows[row] >> (kGlyphWidth - 1 - col) & 1) {
          plot(x + col, y + row, pen);
        }
      }
    }
  }
}

int RasterPicture::textWidth(const char* text) {
  return static_cast<int>(std::strlen(text)) * kAdvance;
}

} // namespace kavo
