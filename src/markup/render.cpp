#include "markup/render.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {

void SetInk(cairo_t* cr, Colour ink, double alpha = 1) {
  cairo_set_source_rgba(cr, ink.Red / 255.0, ink.Green / 255.0, ink.Blue / 255.0, alpha);
}

// A stroke through the points, smoothed: straight to the first midpoint, then curves through each
// point to the next midpoint, so a shaky hand draws a calm line.
void SmoothPath(cairo_t* cr, const std::vector<PointF>& points) {
  cairo_move_to(cr, points[0].X, points[0].Y);
  if (points.size() == 1) {
    cairo_line_to(cr, points[0].X, points[0].Y);
    return;
  }
  for (size_t i = 1; i + 1 < points.size(); ++i) {
    const PointF a = points[i], b = points[i + 1];
    const PointF mid{(a.X + b.X) / 2, (a.Y + b.Y) / 2};
    double x0, y0;
    cairo_get_current_point(cr, &x0, &y0);
    // The quadratic through `a` as a cubic.
    cairo_curve_to(cr, x0 + 2.0 / 3 * (a.X - x0), y0 + 2.0 / 3 * (a.Y - y0), mid.X + 2.0 / 3 * (a.X - mid.X),
                   mid.Y + 2.0 / 3 * (a.Y - mid.Y), mid.X, mid.Y);
  }
  cairo_line_to(cr, points.back().X, points.back().Y);
}

void DrawArrow(cairo_t* cr, const Shape& shape) {
  const PointF from = shape.Points.front(), to = shape.Points.back();
  const double length = std::hypot(to.X - from.X, to.Y - from.Y);
  if (length <= 0) return;
  const double ux = (to.X - from.X) / length, uy = (to.Y - from.Y) / length;
  const double head = std::min(length, shape.Width * 3 + 6), half = head * 0.45;
  const PointF base{to.X - ux * head, to.Y - uy * head};
  cairo_move_to(cr, from.X, from.Y);
  cairo_line_to(cr, base.X + ux * 1, base.Y + uy * 1);  // into the head, so no seam shows
  cairo_stroke(cr);
  cairo_move_to(cr, to.X, to.Y);
  cairo_line_to(cr, base.X - uy * half, base.Y + ux * half);
  cairo_line_to(cr, base.X + uy * half, base.Y - ux * half);
  cairo_close_path(cr);
  cairo_fill(cr);
}

std::string Utf8(const std::wstring& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(text[i]);
    if (sizeof(wchar_t) == 2 && c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
      const uint32_t low = static_cast<uint32_t>(text[i + 1]);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;  // a lone surrogate
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void SetFont(cairo_t* cr, double size, bool bold) {
  cairo_select_font_face(cr, kTextFace, CAIRO_FONT_SLANT_NORMAL, bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);  // no colour fringes in a picture
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

void DrawText(cairo_t* cr, const Shape& shape) {
  if (shape.Width < 1) return;
  SetFont(cr, shape.Width, false);
  cairo_font_extents_t font;
  cairo_font_extents(cr, &font);
  const PointF at = shape.Points.front();
  size_t start = 0;
  for (int line = 0; start <= shape.Text.size(); ++line) {
    const size_t end = std::min(shape.Text.find(L'\n', start), shape.Text.size());
    cairo_move_to(cr, at.X, at.Y + font.ascent + line * font.height);
    cairo_show_text(cr, Utf8(shape.Text.substr(start, end - start)).c_str());
    start = end + 1;
  }
}

double StepNumberSize(double radius, const std::string& number) { return radius * (number.size() > 2 ? 0.9 : 1.2); }

void DrawStep(cairo_t* cr, const Shape& shape) {
  const PointF c = shape.Points.front();
  cairo_arc(cr, c.X, c.Y, shape.Width, 0, 2 * kPi);
  cairo_fill(cr);
  if (shape.Width < 2) return;  // no room for a number
  const std::string number = std::to_string(shape.Number);
  SetFont(cr, StepNumberSize(shape.Width, number), true);
  cairo_text_extents_t extent;
  cairo_text_extents(cr, number.c_str(), &extent);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_move_to(cr, c.X - extent.x_bearing - extent.width / 2, c.Y - extent.y_bearing - extent.height / 2);
  cairo_show_text(cr, number.c_str());
}

// Each block the mean of its own pixels, written straight into the picture. The blocks divide the
// area evenly, none smaller than `block` (bar an area smaller than that), so no block is a lone
// pixel that keeps its colour.
void Pixelate(uint8_t* pixels, int32_t width, int32_t height, int32_t stride, const RectF& area, int32_t block) {
  const int32_t left = std::max(0, static_cast<int32_t>(std::floor(area.Left)));
  const int32_t top = std::max(0, static_cast<int32_t>(std::floor(area.Top)));
  const int32_t right = std::min(width, static_cast<int32_t>(std::ceil(area.Right)));
  const int32_t bottom = std::min(height, static_cast<int32_t>(std::ceil(area.Bottom)));
  if (right <= left || bottom <= top) return;
  const int64_t columns = std::max<int64_t>(1, (right - left) / block), rows = std::max<int64_t>(1, (bottom - top) / block);
  for (int64_t row = 0; row < rows; ++row)
    for (int64_t column = 0; column < columns; ++column) {
      const int32_t x0 = static_cast<int32_t>(left + column * (right - left) / columns);
      const int32_t x1 = static_cast<int32_t>(left + (column + 1) * (right - left) / columns);
      const int32_t y0 = static_cast<int32_t>(top + row * (bottom - top) / rows);
      const int32_t y1 = static_cast<int32_t>(top + (row + 1) * (bottom - top) / rows);
      uint64_t sum[3] = {};
      for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x)
          for (int c = 0; c < 3; ++c) sum[c] += pixels[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 4 + c];
      const uint64_t count = static_cast<uint64_t>(x1 - x0) * static_cast<uint64_t>(y1 - y0);
      for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x)
          for (int c = 0; c < 3; ++c)
            pixels[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 4 + c] =
                static_cast<uint8_t>((sum[c] + count / 2) / count);
    }
}

RectF Shifted(RectF r, PointF origin) { return {r.Left - origin.X, r.Top - origin.Y, r.Right - origin.X, r.Bottom - origin.Y}; }

// A drawing context on one pixel, for measuring text.
class TMeasure {
 public:
  TMeasure() : surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1)), cr_(cairo_create(surface_)) {}
  ~TMeasure() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
  TMeasure(const TMeasure&) = delete;
  TMeasure& operator=(const TMeasure&) = delete;
  cairo_t* Cr() const { return cr_; }
  bool Ok() const { return cairo_status(cr_) == CAIRO_STATUS_SUCCESS; }

 private:
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

}  // namespace

RectF TextCaret(const Shape& text) {
  const PointF at = text.Points.empty() ? PointF{} : text.Points.front();
  const size_t lineStart = text.Text.rfind(L'\n') == std::wstring::npos ? 0 : text.Text.rfind(L'\n') + 1;
  const auto lines = static_cast<double>(std::count(text.Text.begin(), text.Text.end(), L'\n'));
  const TMeasure measure;
  SetFont(measure.Cr(), std::max(text.Width, 1.0), false);
  cairo_font_extents_t font;
  cairo_font_extents(measure.Cr(), &font);
  cairo_text_extents_t line{};
  cairo_text_extents(measure.Cr(), Utf8(text.Text.substr(lineStart)).c_str(), &line);
  const bool ok = measure.Ok();
  const double height = ok ? font.height : text.Width * 1.25, left = at.X + (ok ? line.x_advance : 0);
  const double top = at.Y + lines * height;
  return {left, top, left + std::max(1.0, text.Width / 12), top + height};
}

RectF MeasuredBounds(const Shape& shape) {
  const PointF at = shape.Points.empty() ? PointF{} : shape.Points.front();
  const TMeasure measure;
  cairo_t* cr = measure.Cr();
  cairo_text_extents_t ink{};
  if (shape.Kind == ShapeKind::Step) {
    const RectF circle{at.X - shape.Width, at.Y - shape.Width, at.X + shape.Width, at.Y + shape.Width};
    if (shape.Width < 2) return circle;
    // The number stands centred on the circle; a long one reaches past it.
    const std::string number = std::to_string(shape.Number);
    SetFont(cr, StepNumberSize(shape.Width, number), true);
    cairo_text_extents(cr, number.c_str(), &ink);
    if (!measure.Ok()) return circle;
    return Enclosing(circle, {at.X - ink.width / 2, at.Y - ink.height / 2, at.X + ink.width / 2, at.Y + ink.height / 2});
  }
  if (shape.Width < 1) return {at.X, at.Y, at.X, at.Y};  // drawn as nothing
  SetFont(cr, shape.Width, false);
  cairo_font_extents_t font;
  cairo_font_extents(cr, &font);
  // Each line's advance and ink, below the one before, as DrawText sets them.
  RectF bounds;
  size_t start = 0;
  for (int line = 0; start <= shape.Text.size(); ++line) {
    const size_t end = std::min(shape.Text.find(L'\n', start), shape.Text.size());
    cairo_text_extents(cr, Utf8(shape.Text.substr(start, end - start)).c_str(), &ink);
    const double top = at.Y + line * font.height, baseline = top + font.ascent;
    bounds = Enclosing(bounds, {at.X, top, at.X + std::max(ink.x_advance, 1.0), top + font.height});
    if (ink.width > 0) bounds = Enclosing(bounds, {at.X + ink.x_bearing, baseline + ink.y_bearing, at.X + ink.x_bearing + ink.width,
                                                   baseline + ink.y_bearing + ink.height});
    start = end + 1;
  }
  if (!measure.Ok()) return {at.X, at.Y, at.X + shape.Width * static_cast<double>(shape.Text.size()), at.Y + shape.Width * 1.25};
  return bounds;
}

namespace {

// The pixels a shape may touch: its bounds with room for anti-aliasing and a font's hinting.
RectF ReachOf(const Shape& shape) { return Inflated(ShapeBounds(shape), 1); }

// Those pixels among a picture's whose top-left stands at `origin`.
Rect PixelsOf(const Shape& shape, PointF origin) {
  const RectF r = ReachOf(shape);
  return {static_cast<int32_t>(std::floor(r.Left - origin.X)), static_cast<int32_t>(std::floor(r.Top - origin.Y)),
          static_cast<int32_t>(std::ceil(r.Right - origin.X)), static_cast<int32_t>(std::ceil(r.Bottom - origin.Y))};
}

bool Meet(const Rect& a, const Rect& b) { return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom; }

}  // namespace

RectF Damage(const ShapeList& before, const ShapeList& after) {
  RectF damage;
  for (size_t i = 0; i < std::max(before.size(), after.size()); ++i) {
    const bool inBefore = i < before.size(), inAfter = i < after.size();
    if (inBefore && inAfter && (before[i] == after[i] || *before[i] == *after[i])) continue;
    if (inBefore) damage = Enclosing(damage, ReachOf(*before[i]));
    if (inAfter) damage = Enclosing(damage, ReachOf(*after[i]));
  }
  if (damage.Right <= damage.Left) return {};
  damage = {std::floor(damage.Left) - 2, std::floor(damage.Top) - 2, std::ceil(damage.Right) + 2, std::ceil(damage.Bottom) + 2};
  // Every mosaic the damage reaches, in both states, wholly: until no more are reached.
  for (bool grew = true; grew;) {
    grew = false;
    for (const ShapeList* shapes : {&before, &after})
      for (const auto& shape : *shapes) {
        if (shape->Kind != ShapeKind::Mosaic) continue;
        const RectF r = ShapeBounds(*shape);
        const RectF whole{std::floor(r.Left), std::floor(r.Top), std::ceil(r.Right), std::ceil(r.Bottom)};
        const bool reached = whole.Left < damage.Right && damage.Left < whole.Right && whole.Top < damage.Bottom &&
                             damage.Top < whole.Bottom;
        const RectF joined = Enclosing(damage, whole);
        if (reached && !(joined == damage)) {
          damage = joined;
          grew = true;
        }
      }
  }
  return damage;
}

namespace {

// The part of the picture a damage covers.
Rect DamagedPart(const RectF& damage, PointF origin, int32_t width, int32_t height) {
  if (damage.Empty()) return {};
  return Intersection({0, 0, width, height}, {static_cast<int32_t>(std::floor(damage.Left - origin.X)),
                                              static_cast<int32_t>(std::floor(damage.Top - origin.Y)),
                                              static_cast<int32_t>(std::ceil(damage.Right - origin.X)),
                                              static_cast<int32_t>(std::ceil(damage.Bottom - origin.Y))});
}

}  // namespace

void RedrawDamage(uint8_t* pixels, int32_t width, int32_t height, int32_t stride, const ShapeList& shapes,
                  int32_t blockSize, PointF origin, const RectF& damage, const ScratchFor& scratch) {
  const Rect part = DamagedPart(damage, origin, width, height);
  if (part.Width() <= 0 || part.Height() <= 0) return;
  // The part and every shape that reaches it, within the picture: cut at the picture's edges as
  // the whole drawing is, and at no other.
  ShapeList reaching;
  Rect area = part;
  bool text = false;
  for (const auto& shape : shapes) {
    if (shape->Points.empty()) continue;
    const Rect reach = PixelsOf(*shape, origin);
    if (!Meet(reach, part)) continue;
    reaching.push_back(shape);
    text = text || shape->Kind == ShapeKind::Text || shape->Kind == ShapeKind::Step;
    area = {std::min(area.Left, reach.Left), std::min(area.Top, reach.Top), std::max(area.Right, reach.Right),
            std::max(area.Bottom, reach.Bottom)};
  }
  // The font engine rounds where a glyph lands, and not the same way everywhere: with a text or a
  // step's number among them, the shapes are drawn from the picture's own top-left.
  if (text) area.Left = area.Top = 0;
  area = Intersection(area, {0, 0, width, height});
  int32_t scratchStride = 0;
  uint8_t* under = scratch(area, scratchStride);
  DrawShapes(under, area.Width(), area.Height(), scratchStride, reaching, blockSize, {origin.X + area.Left, origin.Y + area.Top});
  for (int32_t y = part.Top; y < part.Bottom; ++y)
    std::memcpy(pixels + static_cast<size_t>(y) * stride + static_cast<size_t>(part.Left) * 4,
                under + static_cast<size_t>(y - area.Top) * scratchStride + static_cast<size_t>(part.Left - area.Left) * 4,
                static_cast<size_t>(part.Width()) * 4);
}

void DrawShapes(uint8_t* pixels, int32_t width, int32_t height, int32_t stride, const ShapeList& shapes,
                int32_t blockSize, PointF origin) {
  if (width <= 0 || height <= 0) return;
  cairo_surface_t* surface = cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_RGB24, width, height, stride);
  cairo_t* cr = cairo_create(surface);
  const auto start = [&] { cairo_translate(cr, -origin.X, -origin.Y); };
  start();
  for (const auto& held : shapes) {
    const Shape& shape = *held;
    if (shape.Points.empty()) continue;
    cairo_save(cr);
    cairo_new_path(cr);  // a text leaves a current point, which an arc would join with a line
    SetInk(cr, shape.Ink);
    cairo_set_line_width(cr, shape.Width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    const PointF a = shape.Points.front(), b = shape.Points.back();
    switch (shape.Kind) {
      case ShapeKind::Rectangle:
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
        cairo_rectangle(cr, std::min(a.X, b.X), std::min(a.Y, b.Y), std::fabs(b.X - a.X), std::fabs(b.Y - a.Y));
        cairo_stroke(cr);
        break;
      case ShapeKind::Ellipse: {
        const double rx = std::fabs(b.X - a.X) / 2, ry = std::fabs(b.Y - a.Y) / 2;
        if (rx < 0.01 || ry < 0.01) break;  // a line, not an ellipse: nothing to draw round
        cairo_save(cr);
        cairo_translate(cr, (a.X + b.X) / 2, (a.Y + b.Y) / 2);
        cairo_scale(cr, rx, ry);
        cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
        cairo_restore(cr);  // the line keeps its width all round
        cairo_stroke(cr);
        break;
      }
      case ShapeKind::Line:
        cairo_move_to(cr, a.X, a.Y);
        cairo_line_to(cr, b.X, b.Y);
        cairo_stroke(cr);
        break;
      case ShapeKind::Arrow: DrawArrow(cr, shape); break;
      case ShapeKind::Pen:
        SmoothPath(cr, shape.Points);
        cairo_stroke(cr);
        break;
      case ShapeKind::Marker:
        // Multiplied into the picture: dark text under it stays dark and readable.
        cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
        SmoothPath(cr, shape.Points);
        cairo_stroke(cr);
        break;
      case ShapeKind::Text: DrawText(cr, shape); break;
      case ShapeKind::Step: DrawStep(cr, shape); break;
      case ShapeKind::Mosaic:
        cairo_surface_flush(surface);
        Pixelate(pixels, width, height, stride, Shifted(ShapeBounds(shape), origin), std::max(blockSize, 1));
        cairo_surface_mark_dirty(surface);
        break;
    }
    cairo_restore(cr);
    // A shape cairo refuses (a font it cannot size, say) leaves the context in error: the next
    // shapes get a new one.
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
      cairo_destroy(cr);
      cr = cairo_create(surface);
      start();
    }
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
}
