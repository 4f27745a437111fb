// The window that shows a picture's text beside where the picture stood: "正在识别…" while the
// recogniser works, then the text, editable, with 复制 (what the window holds now) and 关闭. It
// stands above other windows and does not take the foreground as it comes; once clicked, Ctrl+C
// copies (the selection, or all when none) and Esc closes it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "common/rect.h"
#include "toolkit/forms.h"
#include "toolkit/handles.h"

class TTextResultWindow : public TForm {
 public:
  // Beside `place` (screen coordinates), on its monitor; `closed` hears 关闭, Esc and the close box
  // (the owner frees the window).
  TTextResultWindow(const Rect& place, std::function<void(TTextResultWindow&)> closed);

  void ShowInactive();
  void ShowWaiting();
  // The text, put in the edit; an empty one says "未识别到文字".
  void ShowText(const std::wstring& text);
  // The recogniser failed: its words instead of the text.
  void ShowError(const std::wstring& message);
  std::wstring Text() const { return WindowTextOf(edit_); }

 protected:
  const wchar_t* ClassName() const override { return L"TTextResultForm"; }
  std::wstring Caption() const override { return L"识别文字"; }
  DWORD Style() const override { return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN; }
  DWORD ExStyle() const override { return WS_EX_TOPMOST | WS_EX_TOOLWINDOW; }
  FormBounds Bounds() const override { return bounds_; }
  void Loaded() override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  static LRESULT CALLBACK EditKeys(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self);
  void Copy(bool selectionFirst);
  void Say(const wchar_t* text);

  std::function<void(TTextResultWindow&)> closed_;
  int dpi_;
  FormBounds bounds_;
  UniqueFont font_, textFont_;
  HWND edit_ = nullptr, status_ = nullptr, copyButton_ = nullptr;
};
