#include "reading/text_result_window.h"

#include <commctrl.h>

#include "common/clipboard.h"
#include "common/place_beside.h"
#include "toolkit/controls.h"

namespace {

// The layout at 96 DPI: the client area, the edit over it, the status and the buttons below.
constexpr int kWidth = 380, kHeight = 240, kMargin = 8, kButtonWidth = 64, kButtonHeight = 24;
constexpr int kEditId = 101, kCopyId = 102, kCloseId = 103;
constexpr UINT_PTR kEditSubclass = 1;

}  // namespace

TTextResultWindow::TTextResultWindow(const Rect& place, std::function<void(TTextResultWindow&)> closed)
    : closed_(std::move(closed)), dpi_(MonitorDpi({place.Left + place.Width() / 2, place.Top + place.Height() / 2})) {
  MONITORINFO monitor{sizeof monitor};
  const RECT area{place.Left, place.Top, place.Right, place.Bottom};
  GetMonitorInfoW(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &monitor);
  const Rect work{monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom};
  RECT frame{0, 0, MulDiv(kWidth, dpi_, 96), MulDiv(kHeight, dpi_, 96)};
  AdjustWindowRectExForDpi(&frame, Style(), FALSE, ExStyle(), dpi_);
  const Rect at = PlaceBeside(place, frame.right - frame.left, frame.bottom - frame.top, work, MulDiv(kMargin, dpi_, 96));
  bounds_ = {at.Left, at.Top, at.Width(), at.Height()};
}

void TTextResultWindow::Loaded() {
  const DpiScope scale(dpi_);
  font_ = SongTiFont(12);
  textFont_ = SongTiFont(14);
  const int inner = kWidth - 2 * kMargin, buttonTop = kHeight - kMargin - kButtonHeight;
  edit_ = CreateControl(Handle(), L"EDIT", L"", WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_READONLY,
                        kMargin, kMargin, inner, buttonTop - 2 * kMargin, kEditId);
  SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_.get()), FALSE);
  SetWindowSubclass(edit_, EditKeys, kEditSubclass, reinterpret_cast<DWORD_PTR>(this));
  status_ = CreateControl(Handle(), L"STATIC", L"", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, kMargin, buttonTop,
                          inner - 2 * (kButtonWidth + kMargin), kButtonHeight);
  copyButton_ = CreateControl(Handle(), L"BUTTON", L"复制", BS_PUSHBUTTON, kWidth - 2 * (kButtonWidth + kMargin), buttonTop,
                              kButtonWidth, kButtonHeight, kCopyId);
  CreateControl(Handle(), L"BUTTON", L"关闭", BS_PUSHBUTTON, kWidth - kButtonWidth - kMargin, buttonTop, kButtonWidth,
                kButtonHeight, kCloseId);
  EnableWindow(copyButton_, FALSE);
}

void TTextResultWindow::ShowInactive() {
  SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void TTextResultWindow::ShowWaiting() { Say(L"正在识别…"); }

void TTextResultWindow::ShowText(const std::wstring& text) {
  SetWindowTextW(edit_, text.c_str());
  SendMessageW(edit_, EM_SETREADONLY, FALSE, 0);
  EnableWindow(copyButton_, TRUE);
  Say(text.empty() ? L"未识别到文字" : L"已复制到剪贴板");
}

void TTextResultWindow::ShowError(const std::wstring& message) { Say(message.c_str()); }

void TTextResultWindow::Say(const wchar_t* text) { SetWindowTextW(status_, text); }

// 复制 and Ctrl+C without a selection take the whole text as it stands, edits and all.
void TTextResultWindow::Copy(bool selectionFirst) {
  if (selectionFirst) {
    DWORD from = 0, to = 0;
    SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    if (from != to) {
      SendMessageW(edit_, WM_COPY, 0, 0);
      return;
    }
  }
  const std::wstring text = Text();
  if (!text.empty() && PutClipboardText(Handle(), text)) Say(L"已复制到剪贴板");
}

LRESULT CALLBACK TTextResultWindow::EditKeys(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
  auto* window = reinterpret_cast<TTextResultWindow*>(self);
  if (message == WM_KEYDOWN) {
    const bool control = GetKeyState(VK_CONTROL) < 0;
    if (wParam == VK_ESCAPE) {
      window->closed_(*window);
      return 0;
    }
    if (control && wParam == 'C') {
      window->Copy(true);
      return 0;
    }
    if (control && wParam == 'A') {
      SendMessageW(edit, EM_SETSEL, 0, -1);
      return 0;
    }
  }
  // The keys above come as characters too: the edit would beep at them.
  if (message == WM_CHAR && (wParam == 0x1B || wParam == 0x03 || wParam == 0x01)) return 0;
  if (message == WM_NCDESTROY) RemoveWindowSubclass(edit, EditKeys, kEditSubclass);
  return DefSubclassProc(edit, message, wParam, lParam);
}

LRESULT TTextResultWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_.get());
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) SetFocus(edit_);  // the keys go to the text once the window is clicked
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) closed_(*this);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) break;
      if (LOWORD(wParam) == kCopyId) Copy(false);
      if (LOWORD(wParam) == kCloseId) closed_(*this);
      return 0;
    case WM_CLOSE: closed_(*this); return 0;
    case WM_HOTKEY: closed_(*this); return 0;  // Esc while reading, held for the window (TTextReading)
  }
  return TForm::HandleMessage(message, wParam, lParam);
}
