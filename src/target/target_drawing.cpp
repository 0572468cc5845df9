#include "target/target_drawing.h"

#include "detect/charuco_print.h"
#include "platform/atomic_file.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <cmath>
#include <memory>
#include <numbers>

namespace kavo {

using detect::TargetKind;
using detect::TargetSpec;

namespace {

constexpr double kPointsPerMillimetre = 72.0 / 25.4;

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// The dark parts of the board as one path filled once, so that neighbouring dark cells meet without
// a seam where a renderer smooths their edges.
void drawBoard(cairo_t* cr, const TargetSpec& t, const TargetPage& page) {
  const double p = t.pitch;
  const double x0 = page.boardLeft;
  const double y0 = page.boardTop;
  cairo_set_source_rgb(cr, 0, 0, 0);
  switch (t.kind) {
  case TargetKind::Chessboard:
    for (int r = 0; r <= t.rows; ++r) {
      for (int c = 0; c <= t.columns; ++c) {
        if ((r + c) % 2 == 0) {
          cairo_rectangle(cr, x0 + c * p, y0 + r * p, p, p);
        }
      }
    }
    break;
  case TargetKind::Circles:
  case TargetKind::AsymmetricCircles:
    for (const detect::GridPosition& g : detect::finderGrid(t)) {
      const double cx = x0 + (g.column + kCircleRadius) * p;
      const double cy = y0 + (g.row + kCircleRadius) * p;
      cairo_new_sub_path(cr);
      cairo_arc(cr, cx, cy, kCircleRadius * p, 0, 2 * std::numbers::pi);
    }
    break;
  case TargetKind::Charuco: {
    const detect::CharucoPrint print = detect::charucoPrint(t);
    for (const detect::GridPosition& g : print.darkSquares) {
      cairo_rectangle(cr, x0 + g.column * p, y0 + g.row * p, p, p);
    }
    const double cell = t.markerSize / print.cells;
    const double inset = (p - t.markerSize) / 2.0;
    for (const detect::CharucoMarkerPrint& m : print.markers) {
      for (int i = 0; i < print.cells; ++i) {
        for (int j = 0; j < print.cells; ++j) {
          if (!m.white[static_cast<std::size_t>(i * print.cells + j)]) {
            cairo_rectangle(cr, x0 + m.column * p + inset + j * cell, y0 + m.row * p + inset + i * cell, cell,
                            cell);
          }
        }
      }
    }
    break;
  }
  }
  cairo_fill(cr);
}

// The check ruler: 100 mm with a tick every millimetre, longer ones every 5 and 10, labelled in cm.
void drawRuler(cairo_t* cr, double left, double top) {
  cairo_set_line_width(cr, 0.15);
  cairo_move_to(cr, left, top);
  cairo_line_to(cr, left + 100.0, top);
  for (int mm = 0; mm <= 100; ++mm) {
    const double length = mm % 10 == 0 ? 4.0 : (mm % 5 == 0 ? 2.5 : 1.5);
    cairo_move_to(cr, left + mm, top);
    cairo_line_to(cr, left + mm, top + length);
  }
  cairo_stroke(cr);
  cairo_set_font_size(cr, 2.2);
  for (int cm = 0; cm <= 10; ++cm) {
    const std::string label = cm == 10 ? "100 мм" : std::to_string(cm * 10);
    cairo_move_to(cr, left + cm * 10.0 + 0.4, top + 6.6);
    cairo_show_text(cr, label.c_str());
  }
}

// A line of text at the left margin, made smaller where it would run past the right one.
void drawLine(cairo_t* cr, const std::string& text, double left, double baseline, double width) {
  double size = 2.6;
  cairo_set_font_size(cr, size);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  if (extents.x_advance > width) {
    size *= width / extents.x_advance;
    cairo_set_font_size(cr, size);
  }
  cairo_move_to(cr, left, baseline);
  cairo_show_text(cr, text.c_str());
}

void drawPage(cairo_t* cr, const TargetSpec& t, const Paper& paper, const TargetPage& page) {
  cairo_scale(cr, kPointsPerMillimetre, kPointsPerMillimetre);
  drawBoard(cr, t, page);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  // The band in its own frame: its length along x, its depth along y away from the board. At the side
  // it is turned a quarter to the left, so that its texts read upwards.
  double length = page.bandWidth;
  if (page.bandAtSide) {
    cairo_translate(cr, page.bandLeft, page.bandTop + page.bandHeight);
    cairo_rotate(cr, -std::numbers::pi / 2);
    length = page.bandHeight;
  } else {
    cairo_translate(cr, page.bandLeft, page.bandTop);
  }
  drawRuler(cr, 0.0, 0.5);
  drawLine(cr, targetDescription(t, paper), 0.0, 11.0, length);
  drawLine(cr, detectCommandText(t), 0.0, 15.5, length);
  cairo_show_page(cr);
}

} // namespace

std::optional<TargetPageFormat> targetPageFormat(const std::string& path) {
  std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
  for (char& c : tail) {
    c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  if (tail == ".pdf") {
    return TargetPageFormat::Pdf;
  }
  if (tail == ".svg") {
    return TargetPageFormat::Svg;
  }
  return std::nullopt;
}

std::string writeTargetPage(const TargetSpec& target, const Paper& paper, const std::string& path) {
  if (std::string problem = detect::targetSpecProblem(target); !problem.empty()) {
    return problem;
  }
  const auto format = targetPageFormat(path);
  if (!format) {
    return path + ": мишень записывается в файл .pdf или .svg";
  }
  const bool pdf = *format == TargetPageFormat::Pdf;
  const TargetPage page = layTargetPage(target, paper);
  if (!page.refusal.empty()) {
    return page.refusal;
  }
  std::string bytes;
  const double w = page.pageWidth * kPointsPerMillimetre;
  const double h = page.pageHeight * kPointsPerMillimetre;
  const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      pdf ? cairo_pdf_surface_create_for_stream(appendBytes, &bytes, w, h)
          : cairo_svg_surface_create_for_stream(appendBytes, &bytes, w, h),
      cairo_surface_destroy);
  if (!pdf) {
    // Sizes in points, as the PDF has them, so that the page prints at its size.
    cairo_svg_surface_set_document_unit(surface.get(), CAIRO_SVG_UNIT_PT);
  }
  {
    const std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()), cairo_destroy);
    drawPage(cr.get(), target, paper, page);
  }
  cairo_surface_finish(surface.get());
  if (const cairo_status_t status = cairo_surface_status(surface.get()); status != CAIRO_STATUS_SUCCESS) {
    return path + ": " + cairo_status_to_string(status);
  }
  return writeFileAtomically(path, bytes);
}

} // namespace kavo
