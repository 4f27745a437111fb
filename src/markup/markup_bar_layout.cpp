#include "markup/markup_bar_layout.h"

#include <algorithm>
#include <cmath>

namespace {

int32_t Px(double pixels, double scale) { return static_cast<int32_t>(std::lround(pixels * scale)); }

}  // namespace

std::optional<ShapeKind> ToolOf(BarCommand command) {
  if (command > BarCommand::Mosaic) return std::nullopt;
  return static_cast<ShapeKind>(command);
}

bool Offered(BarCommand command, bool alone) {
  return !alone || (command != BarCommand::Pin && command != BarCommand::ReadText);
}

const wchar_t* ButtonTip(BarCommand command, bool alone) {
  if (!Offered(command, alone))
    return command == BarCommand::Pin ? L"钉在屏幕 (F3)：需要 Corvix 正在运行" : L"识别文字 (O)：需要 Corvix 正在运行";
  switch (command) {
    case BarCommand::Rectangle: return L"矩形 (R)";
    case BarCommand::Ellipse: return L"椭圆 (E)";
    case BarCommand::Arrow: return L"箭头 (A)";
    case BarCommand::Line: return L"直线 (L)";
    case BarCommand::Pen: return L"画笔 (P)";
    case BarCommand::Marker: return L"荧光笔 (M)";
    case BarCommand::Text: return L"文字 (T)";
    case BarCommand::Step: return L"序号 (N)";
    case BarCommand::Mosaic: return L"马赛克 (B)";
    case BarCommand::Undo: return L"撤销 (Ctrl+Z)";
    case BarCommand::Redo: return L"重做 (Ctrl+Y)";
    case BarCommand::Pin: return L"钉在屏幕 (F3)";
    case BarCommand::Scroll: return L"滚动截图 (S)";
    case BarCommand::ReadText: return L"识别文字 (O)";
    case BarCommand::Copy: return L"复制 (Ctrl+C)";
    case BarCommand::SaveAs: return L"另存为 (Ctrl+S)";
    case BarCommand::Done: return L"完成 (Enter)";
    case BarCommand::Cancel: return L"取消 (Esc)";
    default: return L"";
  }
}

std::optional<BarCommand> KeyCommand(int32_t key, bool control, bool shift) {
  if (control) {
    switch (key) {
      case 'Z': return shift ? BarCommand::Redo : BarCommand::Undo;
      case 'Y': return BarCommand::Redo;
      case 'C': return BarCommand::Copy;
      case 'S': return BarCommand::SaveAs;
      default: return std::nullopt;
    }
  }
  constexpr int32_t kVkF3 = 0x72;
  if (key == kVkF3) return BarCommand::Pin;
  if (key == 'S') return BarCommand::Scroll;
  if (key == 'O') return BarCommand::ReadText;
  constexpr char kToolKeys[] = "REALPMTNB";  // in the tools' order
  for (int32_t tool = 0; tool <= static_cast<int32_t>(BarCommand::Mosaic); ++tool)
    if (key == kToolKeys[tool]) return static_cast<BarCommand>(tool);
  return std::nullopt;
}

std::vector<BarButton> LayOutBar(double scale, std::optional<ShapeKind> styled) {
  const int32_t size = Px(kBarButton, scale), pad = Px(kBarPadding, scale), gap = Px(kBarGroupGap, scale);
  std::vector<BarButton> buttons;
  int32_t x = pad;
  const auto add = [&](BarCommand command, int32_t index, int32_t y) {
    buttons.push_back({command, index, {x, y, x + size, y + size}});
    x += size;
  };
  for (int c = 0; c <= static_cast<int>(BarCommand::Cancel); ++c) {
    const auto command = static_cast<BarCommand>(c);
    if (command == BarCommand::Undo || command == BarCommand::Pin) x += gap;
    add(command, 0, pad);
  }
  if (!styled) return buttons;
  x = pad;
  const int32_t second = pad + size;
  const BarCommand sizes = *styled == ShapeKind::Text ? BarCommand::TextSize : BarCommand::Width;
  if (*styled == ShapeKind::Mosaic) return buttons;  // a mosaic has no width or colour
  for (int32_t i = 0; i < 3; ++i) add(sizes, i, second);
  x += gap;
  for (int32_t i = 0; i < 10; ++i) add(BarCommand::Ink, i, second);
  return buttons;
}

Rect BarSize(const std::vector<BarButton>& buttons, double scale) {
  Rect size;
  for (const BarButton& button : buttons)
    size = {0, 0, std::max(size.Right, button.Place.Right), std::max(size.Bottom, button.Place.Bottom)};
  const int32_t pad = Px(kBarPadding, scale);
  return {0, 0, size.Right + pad, size.Bottom + pad};
}

Rect BarPlace(const Rect& box, int32_t width, int32_t height, const Rect& screen, int32_t gap) {
  const int32_t left = std::clamp(box.Right - width, screen.Left, std::max(screen.Left, screen.Right - width));
  int32_t top = box.Bottom + gap;
  if (top + height > screen.Bottom) top = box.Top - gap - height;
  if (top < screen.Top) top = std::clamp(box.Bottom - gap - height, screen.Top, std::max(screen.Top, screen.Bottom - height));
  return {left, top, left + width, top + height};
}
