// The drawing tools at work in the box: the editor with its tool bar, and what the user does with
// them (presses, drags and double-clicks in the box, typing, Delete, the drawing's commands). Each
// input says whether the tools took it or changed; the overlay then shows the change.
#pragma once

#include <windows.h>

#include <functional>

#include "markup/editor.h"
#include "markup/markup_bar.h"

class TMarkupTools {
 public:
  // Over this overlay at `scale` (the box monitor's DPI over 96), starting with `style`; `pressed`
  // hears the bar's buttons.
  // `alone`: no running Corvix (a command line's own start), 钉在屏幕 and 识别文字 greyed.
  TMarkupTools(HWND overlay, double scale, const MarkupStyle& style, bool alone, std::function<void(const BarButton&)> pressed);

  const TMarkupEditor& Editor() const { return editor_; }
  const MarkupStyle& Style() const { return editor_.Style(); }
  bool ToolChosen() const { return editor_.Tool().has_value(); }
  bool Typing() const { return editor_.Typing(); }

  // A press at an overlay client point, `inside` the picture's frame or not: true when the tools
  // take it (a grip, a shape, or a tool drawing inside); otherwise the box moves.
  bool Press(POINT at, bool inside);
  // The drag and release of a press the tools took; false when there is none.
  bool Drag(POINT at);
  bool Release();
  // A double-click on a text edits it again; false elsewhere.
  bool EditTextAt(POINT at);
  // A character for the text being typed; false when none is.
  bool Type(wchar_t c);
  void EndTyping() { editor_.EndTyping(); }
  // What is in hand finished as it stands: the text typed, the shape dragged.
  void Finish();
  bool DeleteChosen() { return editor_.DeleteChosen(); }
  // A tool (the same again puts it down), undo, redo, or a width, colour or text size (`index`):
  // true when the style changed.
  bool Apply(BarCommand command, int32_t index);

  // The bar stands by this box (overlay client coordinates), showing the tools as they are.
  void Follow(const Rect& box);

 private:
  TMarkupEditor editor_;
  TMarkupBar bar_;
  bool alone_;
};
