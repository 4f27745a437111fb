#include "markup/markup_bar_look.h"

#include <cairo.h>

#include <cmath>

namespace {

void Rgb(cairo_t* cr, int red, int green, int blue) { cairo_set_source_rgb(cr, red / 255.0, green / 255.0, blue / 255.0); }

bool Chosen(const BarButton& button, const BarState& state) {
  switch (button.Command) {
    case BarCommand::Width: return button.Index == state.Style.Width;
    case BarCommand::Ink: return button.Index == state.Style.Ink;
    case BarCommand::TextSize: return button.Index == state.Style.TextSize;
    default: return state.Tool && ToolOf(button.Command) == state.Tool;
  }
}

bool Disabled(const BarButton& button, const BarState& state) {
  return (button.Command == BarCommand::Undo && !state.CanUndo) || (button.Command == BarCommand::Redo && !state.CanRedo) ||
         (state.Alone && !Offered(button.Command, true));
}

void ArrowHead(cairo_t* cr, double x, double y, double angle, double size) {
  cairo_move_to(cr, x, y);
  cairo_line_to(cr, x - size * std::cos(angle - 0.5), y - size * std::sin(angle - 0.5));
  cairo_line_to(cr, x - size * std::cos(angle + 0.5), y - size * std::sin(angle + 0.5));
  cairo_close_path(cr);
  cairo_fill(cr);
}

// The icon in a square of side `s` from (0, 0), in the current colour.
void Icon(cairo_t* cr, const BarButton& button, double s) {
  const double a = s * 0.25, b = s * 0.75, m = s / 2;
  switch (button.Command) {
    case BarCommand::Rectangle: cairo_rectangle(cr, a, a + s * 0.05, b - a, b - a - s * 0.1); cairo_stroke(cr); break;
    case BarCommand::Ellipse:
      cairo_save(cr);
      cairo_translate(cr, m, m);
      cairo_scale(cr, s * 0.27, s * 0.21);
      cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
      cairo_restore(cr);
      cairo_stroke(cr);
      break;
    case BarCommand::Arrow:
      cairo_move_to(cr, a, b);
      cairo_line_to(cr, b - s * 0.08, a + s * 0.08);
      cairo_stroke(cr);
      ArrowHead(cr, b, a, -kPi / 4, s * 0.25);
      break;
    case BarCommand::Line: cairo_move_to(cr, a, b); cairo_line_to(cr, b, a); cairo_stroke(cr); break;
    case BarCommand::Pen:
      cairo_move_to(cr, a, b);
      cairo_curve_to(cr, a + s * 0.15, a, m, s * 0.9, b, a);
      cairo_stroke(cr);
      break;
    case BarCommand::Marker:
      cairo_save(cr);
      Rgb(cr, 255, 214, 0);
      cairo_set_line_width(cr, s * 0.22);
      cairo_move_to(cr, a, m);
      cairo_line_to(cr, b, m);
      cairo_stroke(cr);
      cairo_restore(cr);
      cairo_move_to(cr, a, m + s * 0.16);
      cairo_line_to(cr, b, m + s * 0.16);
      cairo_stroke(cr);
      break;
    case BarCommand::Text:
      cairo_move_to(cr, a, a);
      cairo_line_to(cr, b, a);
      cairo_move_to(cr, m, a);
      cairo_line_to(cr, m, b);
      cairo_stroke(cr);
      break;
    case BarCommand::Step:
      cairo_arc(cr, m, m, s * 0.28, 0, 2 * kPi);
      cairo_fill(cr);
      Rgb(cr, 255, 255, 255);
      cairo_move_to(cr, m - s * 0.06, m - s * 0.1);
      cairo_line_to(cr, m + s * 0.02, m - s * 0.15);
      cairo_line_to(cr, m + s * 0.02, m + s * 0.15);
      cairo_stroke(cr);
      break;
    case BarCommand::Mosaic:
      for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
          if ((row + column) % 2 == 0) cairo_rectangle(cr, a + column * (b - a) / 3, a + row * (b - a) / 3, (b - a) / 3, (b - a) / 3);
      cairo_fill(cr);
      cairo_rectangle(cr, a, a, b - a, b - a);
      cairo_stroke(cr);
      break;
    case BarCommand::Undo:
    case BarCommand::Redo: {
      const bool undo = button.Command == BarCommand::Undo;
      cairo_save(cr);
      if (!undo) {
        cairo_translate(cr, s, 0);
        cairo_scale(cr, -1, 1);
      }
      cairo_arc(cr, m, m + s * 0.05, s * 0.2, -kPi / 2, kPi / 2);
      cairo_line_to(cr, a, m + s * 0.25);
      cairo_move_to(cr, m, m - s * 0.15);
      cairo_line_to(cr, a + s * 0.08, m - s * 0.15);
      cairo_stroke(cr);
      ArrowHead(cr, a, m - s * 0.15, kPi, s * 0.2);
      cairo_restore(cr);
      break;
    }
    case BarCommand::Pin:
      // A push pin: its head, and the needle below.
      cairo_arc(cr, m, a + s * 0.12, s * 0.13, 0, 2 * kPi);
      cairo_fill(cr);
      cairo_move_to(cr, a + s * 0.08, m);
      cairo_line_to(cr, b - s * 0.08, m);
      cairo_move_to(cr, m, a + s * 0.2);
      cairo_line_to(cr, m, b + s * 0.05);
      cairo_stroke(cr);
      break;
    case BarCommand::Scroll:
      // A page taller than the frame round it, an arrow down its middle.
      cairo_rectangle(cr, a, a + s * 0.08, b - a, b - a - s * 0.16);
      cairo_stroke(cr);
      cairo_move_to(cr, m, s * 0.12);
      cairo_line_to(cr, m, b + s * 0.02);
      cairo_stroke(cr);
      ArrowHead(cr, m, s * 0.9, kPi / 2, s * 0.2);
      break;
    case BarCommand::ReadText:
      // A T read between the corners of a frame.
      cairo_move_to(cr, a, a + s * 0.15);
      cairo_line_to(cr, a, a);
      cairo_line_to(cr, a + s * 0.15, a);
      cairo_move_to(cr, b - s * 0.15, a);
      cairo_line_to(cr, b, a);
      cairo_line_to(cr, b, a + s * 0.15);
      cairo_move_to(cr, a, b - s * 0.15);
      cairo_line_to(cr, a, b);
      cairo_line_to(cr, a + s * 0.15, b);
      cairo_move_to(cr, b - s * 0.15, b);
      cairo_line_to(cr, b, b);
      cairo_line_to(cr, b, b - s * 0.15);
      cairo_move_to(cr, m - s * 0.16, a + s * 0.14);
      cairo_line_to(cr, m + s * 0.16, a + s * 0.14);
      cairo_move_to(cr, m, a + s * 0.14);
      cairo_line_to(cr, m, b - s * 0.14);
      cairo_stroke(cr);
      break;
    case BarCommand::Copy:
      cairo_rectangle(cr, a, a, s * 0.35, s * 0.4);
      cairo_stroke(cr);
      cairo_rectangle(cr, a + s * 0.15, a + s * 0.12, s * 0.35, s * 0.4);
      cairo_stroke(cr);
      break;
    case BarCommand::SaveAs:
      cairo_move_to(cr, m, a);
      cairo_line_to(cr, m, b - s * 0.15);
      cairo_stroke(cr);
      ArrowHead(cr, m, b - s * 0.08, kPi / 2, s * 0.22);
      cairo_move_to(cr, a, b - s * 0.1);
      cairo_line_to(cr, a, b);
      cairo_line_to(cr, b, b);
      cairo_line_to(cr, b, b - s * 0.1);
      cairo_stroke(cr);
      break;
    case BarCommand::Done:
      Rgb(cr, 20, 150, 60);
      cairo_move_to(cr, a, m);
      cairo_line_to(cr, m - s * 0.05, b - s * 0.05);
      cairo_line_to(cr, b, a + s * 0.05);
      cairo_stroke(cr);
      break;
    case BarCommand::Cancel:
      Rgb(cr, 210, 40, 40);
      cairo_move_to(cr, a, a);
      cairo_line_to(cr, b, b);
      cairo_move_to(cr, b, a);
      cairo_line_to(cr, a, b);
      cairo_stroke(cr);
      break;
    case BarCommand::Width:
      cairo_arc(cr, m, m, kLineWidths[static_cast<size_t>(button.Index)] * s / kBarButton + s * 0.03, 0, 2 * kPi);
      cairo_fill(cr);
      break;
    case BarCommand::Ink: {
      const Colour ink = kPalette[static_cast<size_t>(button.Index)];
      cairo_rectangle(cr, a, a, b - a, b - a);
      Rgb(cr, ink.Red, ink.Green, ink.Blue);
      cairo_fill_preserve(cr);
      Rgb(cr, 120, 120, 120);
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
      break;
    }
    case BarCommand::TextSize: {
      // An "A" of three heights.
      const double h = s * (0.3 + 0.15 * button.Index), base = s * 0.78;
      cairo_move_to(cr, m - h * 0.4, base);
      cairo_line_to(cr, m, base - h);
      cairo_line_to(cr, m + h * 0.4, base);
      cairo_move_to(cr, m - h * 0.22, base - h * 0.38);
      cairo_line_to(cr, m + h * 0.22, base - h * 0.38);
      cairo_stroke(cr);
      break;
    }
  }
}

}  // namespace

void DrawBar(uint8_t* pixels, int32_t width, int32_t height, int32_t stride, const std::vector<BarButton>& buttons,
             double scale, const BarState& state) {
  if (width <= 0 || height <= 0) return;
  cairo_surface_t* surface = cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_RGB24, width, height, stride);
  cairo_t* cr = cairo_create(surface);
  Rgb(cr, 245, 245, 245);
  cairo_paint(cr);
  Rgb(cr, 150, 150, 150);
  cairo_set_line_width(cr, 1);
  cairo_rectangle(cr, 0.5, 0.5, width - 1, height - 1);
  cairo_stroke(cr);
  for (size_t i = 0; i < buttons.size(); ++i) {
    const BarButton& button = buttons[i];
    const Rect& r = button.Place;
    const double inset = 2 * scale;
    if (Chosen(button, state) || static_cast<int32_t>(i) == state.Hot) {
      if (Chosen(button, state))
        Rgb(cr, 190, 220, 245);
      else
        Rgb(cr, 225, 225, 225);
      cairo_rectangle(cr, r.Left + inset / 2, r.Top + inset / 2, r.Width() - inset, r.Height() - inset);
      cairo_fill(cr);
    }
    cairo_save(cr);
    cairo_translate(cr, r.Left, r.Top);
    cairo_set_line_width(cr, 1.6 * scale);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    if (Disabled(button, state))
      Rgb(cr, 175, 175, 175);
    else
      Rgb(cr, 50, 50, 50);
    Icon(cr, button, r.Width());
    cairo_restore(cr);
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
}

void PrepareBarDrawing() {
  const std::vector<BarButton> buttons = LayOutBar(1, ShapeKind::Rectangle);
  const Rect size = BarSize(buttons, 1);
  std::vector<uint8_t> pixels(static_cast<size_t>(size.Width()) * size.Height() * 4);
  DrawBar(pixels.data(), size.Width(), size.Height(), size.Width() * 4, buttons, 1, {});
}
