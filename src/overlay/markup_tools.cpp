#include "overlay/markup_tools.h"

namespace {

PointF At(POINT at) { return {static_cast<double>(at.x), static_cast<double>(at.y)}; }

}  // namespace

TMarkupTools::TMarkupTools(HWND overlay, double scale, const MarkupStyle& style, bool alone,
                           std::function<void(const BarButton&)> pressed)
    : editor_(scale, style), bar_(overlay, std::move(pressed)), alone_(alone) {}

bool TMarkupTools::Press(POINT at, bool inside) { return editor_.Press(At(at), inside); }

bool TMarkupTools::Drag(POINT at) {
  if (!editor_.Dragging()) return false;
  editor_.Drag(At(at), GetKeyState(VK_SHIFT) < 0);
  return true;
}

bool TMarkupTools::Release() {
  if (!editor_.Dragging()) return false;
  editor_.Release();
  return true;
}

bool TMarkupTools::EditTextAt(POINT at) { return editor_.DoubleClick(At(at)); }

bool TMarkupTools::Type(wchar_t c) {
  if (!editor_.Typing()) return false;
  editor_.Type(c);
  return true;
}

void TMarkupTools::Finish() {
  editor_.EndTyping();
  if (editor_.Dragging()) editor_.Release();
}

bool TMarkupTools::Apply(BarCommand command, int32_t index) {
  if (const auto tool = ToolOf(command)) {
    editor_.ChooseTool(editor_.Tool() == tool ? std::nullopt : tool);
    return false;
  }
  MarkupStyle style = editor_.Style();
  switch (command) {
    case BarCommand::Undo: editor_.Undo(); return false;
    case BarCommand::Redo: editor_.Redo(); return false;
    case BarCommand::Width: style.Width = index; break;
    case BarCommand::Ink: style.Ink = index; break;
    case BarCommand::TextSize: style.TextSize = index; break;
    default: return false;
  }
  if (style == editor_.Style()) return false;
  editor_.SetStyle(style);
  return true;
}

void TMarkupTools::Follow(const Rect& box) {
  bar_.Follow(box, {editor_.Tool(), editor_.StyledKind(), editor_.Style(), -1, editor_.History().CanUndo(),
                    editor_.History().CanRedo(), alone_});
}
