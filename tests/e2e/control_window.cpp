#include "control_window.h"

#include <commctrl.h>
#include <windowsx.h>
#include <richedit.h>

#include <algorithm>
#include <string>
#include <utility>

#include "support/windows.h"

namespace e2e {

namespace {

std::wstring LineText(int line) {
  wchar_t text[160];
  swprintf(text, 160, L"Line %03d: alpha bravo charlie 第%d行%ls", line, line,
           line % 9 == 0 ? L" and a longer tail that wraps onto the next line of the control, as notes do" : L"");
  return text;
}

constexpr UINT kPaintNow = WM_APP, kPopup = WM_APP + 1;
constexpr UINT_PTR kHoverTimer = 1;

// The lit list's item under the pointer, which it looks for every 20 ms: after a scroll, the item
// lit before stays lit where the rows took it until then.
int hotItem = -1;

void FollowPointer(HWND list) {
  LVHITTESTINFO hit{};
  GetCursorPos(&hit.pt);
  ScreenToClient(list, &hit.pt);
  const int item = static_cast<int>(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (item == hotItem) return;
  for (const int redrawn : {hotItem, item}) {
    RECT place{LVIR_BOUNDS};
    if (redrawn >= 0 && SendMessageW(list, LVM_GETITEMRECT, redrawn, reinterpret_cast<LPARAM>(&place))) InvalidateRect(list, &place, FALSE);
  }
  hotItem = item;
}

// A tracking tooltip made on first use, shown (and painted) at the point given, or hidden.
HWND Popup(HWND host, bool show, POINT at) {
  static HWND tip;
  static wchar_t text[] = L"建议：Line 007: alpha bravo charlie delta echo foxtrot";
  TTTOOLINFOW tool{sizeof tool, TTF_TRACK | TTF_ABSOLUTE, host, 1};
  tool.lpszText = text;
  if (!tip) {
    tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0, 0, host,
                          nullptr, nullptr, nullptr);
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
  SendMessageW(tip, TTM_TRACKACTIVATE, show, reinterpret_cast<LPARAM>(&tool));
  UpdateWindow(tip);
  return tip;
}

// Gives the keyboard to its control, as a dialog does, whenever it is activated.
LRESULT CALLBACK HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND control = GetWindow(window, GW_CHILD);
  switch (message) {
    case WM_SETFOCUS: SetFocus(control); return 0;
    case kPaintNow: RedrawWindow(control, nullptr, nullptr, RDW_UPDATENOW); return 0;  // painted on its own thread
    case kPopup: return reinterpret_cast<LRESULT>(Popup(window, wParam, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}));
    case WM_TIMER: FollowPointer(control); return 0;
    case WM_NOTIFY: {
      auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
      if (draw->nmcd.hdr.code != NM_CUSTOMDRAW) break;
      if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && static_cast<int>(draw->nmcd.dwItemSpec) == hotItem) draw->clrTextBk = RGB(204, 232, 255);
      return CDRF_DODEFAULT;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

ControlWindow::ControlWindow(ControlKind kind, RECT place) : kind_(kind) {
  window_ = thread_.Start([=, this] {
    LoadLibraryW(L"riched20.dll");
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW host{};
    host.lpfnWndProc = HostProcedure;
    host.lpszClassName = L"CorvixTestControlHost";
    host.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassW(&host);
    window_ = CreateWindowExW(WS_EX_TOPMOST, L"CorvixTestControlHost", L"Control", WS_POPUP | WS_VISIBLE, place.left, place.top,
                              place.right - place.left, place.bottom - place.top, nullptr, nullptr, nullptr, nullptr);
    const DWORD listStyle = WS_VSCROLL | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL;
    const wchar_t* classes[] = {L"EDIT", WC_LISTVIEWW, WC_LISTVIEWW, RICHEDIT_CLASSW, L"STATIC"};
    const DWORD styles[] = {WS_VSCROLL | ES_MULTILINE | ES_READONLY, listStyle, listStyle, WS_VSCROLL | ES_MULTILINE | ES_READONLY, SS_LEFT};
    control_ = CreateWindowExW(0, classes[int(kind)], L"", WS_CHILD | WS_VISIBLE | styles[int(kind)], 0, 0,
                               place.right - place.left, place.bottom - place.top, window_, nullptr, nullptr, nullptr);
    SendMessageW(control_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    std::wstring all;
    if (List()) {
      LVCOLUMNW column{LVCF_WIDTH, 0, place.right - place.left - 24};
      SendMessageW(control_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    }
    for (int line = 1; line <= 160; ++line) {
      std::wstring text = LineText(line);
      if (List()) {
        LVITEMW item{LVIF_TEXT, line - 1, 0, 0, 0, text.data()};
        SendMessageW(control_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      } else {
        all += text + (line < 160 ? L"\r\n" : L"");
      }
    }
    if (!List()) SetWindowTextW(control_, all.c_str());
    RECT item{LVIR_BOUNDS};
    SendMessageW(control_, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    lineHeight_ = List() ? item.bottom - item.top : 0;
    if (kind == ControlKind::Edit) {
      const LRESULT first = SendMessageW(control_, EM_POSFROMCHAR, 0, 0),
                    second = SendMessageW(control_, EM_POSFROMCHAR, SendMessageW(control_, EM_LINEINDEX, 1, 0), 0);
      lineHeight_ = HIWORD(second) - HIWORD(first);
    }
    hotItem = -1;
    if (kind == ControlKind::LitList) SetTimer(window_, kHoverTimer, 20, nullptr);
    SetFocus(control_);
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return window_;
  });
  SetForegroundWindow(window_);
  testsupport::WaitFor([&] { return GetForegroundWindow() == window_; });
}

RECT ControlWindow::Region(bool withScrollBar) const {
  RECT r;
  if (withScrollBar) {
    GetWindowRect(control_, &r);
    return r;
  }
  GetClientRect(control_, &r);
  MapWindowPoints(control_, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int ControlWindow::Offset() const {
  SCROLLINFO info{sizeof info, SIF_POS};
  GetScrollInfo(control_, SB_VERT, &info);
  return kind_ == ControlKind::RichEdit ? info.nPos : info.nPos * lineHeight_;
}

bool ControlWindow::AtEnd() const {
  SCROLLINFO info{sizeof info, SIF_ALL};
  GetScrollInfo(control_, SB_VERT, &info);
  // A rich edit's range ends at its last position, the others' one past it.
  return info.nPos + static_cast<int>(info.nPage) + (kind_ == ControlKind::RichEdit) > info.nMax;
}

ControlWindow::Rows ControlWindow::TextRows() const {
  RECT client, text{};
  GetClientRect(control_, &client);
  if (kind_ != ControlKind::ListView) SendMessageW(control_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  if (text.bottom <= text.top) return {0, client.bottom};
  return {std::max<int>(text.top, 0), std::min<int>(text.bottom, client.bottom)};
}

void ControlWindow::ScrollToTop() const {
  if (List()) SendMessageW(control_, LVM_ENSUREVISIBLE, 0, FALSE);
  else SendMessageW(control_, WM_VSCROLL, SB_TOP, 0);
}

bool ControlWindow::ShowPopup(const POINT* at) const {
  HWND tip = reinterpret_cast<HWND>(SendMessageW(window_, kPopup, at != nullptr, at ? MAKELPARAM(at->x, at->y) : 0));
  return testsupport::WaitFor([&] { return IsWindowVisible(tip) == (at != nullptr); });
}

std::vector<uint8_t> ControlWindow::StillShot(const RECT& region) const {
  SendMessageW(window_, kPaintNow, 0, 0);  // what the scroll left to paint, painted
  std::vector<uint8_t> shot = testsupport::ScreenBgr(region), again;
  testsupport::WaitFor([&] {
    again = testsupport::ScreenBgr(region);
    return std::exchange(shot, again) == again;
  });
  return shot;
}

}  // namespace e2e
