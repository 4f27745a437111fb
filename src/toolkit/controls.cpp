#include "toolkit/controls.h"

namespace {

thread_local int scopedDpi = 0;  // 0: no DpiScope on this thread

}  // namespace

int SystemDpi() {
  static const int dpi = [] {
    WindowDc screen(nullptr);
    return GetDeviceCaps(screen.get(), LOGPIXELSY);
  }();
  return dpi;
}

int MonitorDpi(POINT point) {
  // Windows 8.1 and later; loaded when needed so the program starts on older systems too.
  using GetDpiForMonitorProc = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto getDpi = [] {
    HMODULE shcore = LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return shcore ? reinterpret_cast<GetDpiForMonitorProc>(
                        reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                  : nullptr;
  }();
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  UINT x = 0, y = 0;
  if (getDpi && SUCCEEDED(getDpi(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y)) && y)
    return static_cast<int>(y);
  return SystemDpi();
}

int WindowDpi(HWND window) {
  // Windows 10 1607 and later; loaded when needed so the program starts on older systems too.
  using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
  static const auto getDpi = reinterpret_cast<GetDpiForWindowProc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  const UINT dpi = getDpi ? getDpi(window) : 0;
  return dpi ? static_cast<int>(dpi) : SystemDpi();
}

int UiDpi() { return scopedDpi ? scopedDpi : SystemDpi(); }

DpiScope::DpiScope(int dpi) : outer_(scopedDpi) { scopedDpi = dpi; }

DpiScope::~DpiScope() { scopedDpi = outer_; }

int Scale(int pixels) { return MulDiv(pixels, UiDpi(), 96); }

UniqueFont SongTiFont(int pixels, int weight) {
  return UniqueFont(CreateFontW(-Scale(pixels), 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"宋体"));
}

HWND CreateControl(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style, int left, int top,
                   int width, int height, int id, DWORD exStyle) {
  HWND control = CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, Scale(left),
                                 Scale(top), Scale(width), Scale(height), parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Application.Instance(), nullptr);
  SendMessageW(control, WM_SETFONT, SendMessageW(GetAncestor(parent, GA_ROOT), WM_GETFONT, 0, 0), FALSE);
  return control;
}

void SetStaticBitmap(HWND control, UniqueBitmap bitmap, UniqueBitmap& shown) {
  const auto handedBack = reinterpret_cast<HBITMAP>(
      SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap.get())));
  if (handedBack && handedBack != shown.get() && handedBack != bitmap.get()) DeleteObject(handedBack);
  shown = std::move(bitmap);
}

TPanel::TPanel(HWND parent, int left, int top, int width, int height, COLORREF colour, Bevel bevel)
    : colour_(colour), brush_(CreateSolidBrush(colour)), bevel_(bevel) {
  CreateHandle({L"TPanel"}, WS_EX_CONTROLPARENT, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, L"",
               {Scale(left), Scale(top), Scale(width), Scale(height)}, parent);
}

RECT TPanel::Inside() const {
  RECT r;
  GetClientRect(Handle(), &r);
  if (bevel_ == Framed) InflateRect(&r, -2, -2);
  return r;
}

void TPanel::PanelPainterPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT whole;
  GetClientRect(Handle(), &whole);
  if (bevel_ == Framed) DrawEdge(dc, &whole, BDR_SUNKENOUTER | BDR_RAISEDINNER, BF_RECT);
  const RECT inside = Inside();
  FillRect(dc, &inside, brush_.get());
  HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageW(GetAncestor(Handle(), GA_ROOT), WM_GETFONT, 0, 0));
  const DpiScope scope(dpi_);  // the panel's places are at the DPI it was made at
  for (const Group& group : Groups) {
    ScopedSelect keep(dc, dialogFont);
    SIZE text{};
    GetTextExtentPoint32W(dc, group.Caption.c_str(), static_cast<int>(group.Caption.size()), &text);
    RECT frame{Scale(group.Place.left), Scale(group.Place.top) + text.cy / 2, Scale(group.Place.right),
               Scale(group.Place.bottom)};
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    SetBkColor(dc, colour_);
    SetTextColor(dc, TextColour);
    TextOutW(dc, frame.left + Scale(8), Scale(group.Place.top), group.Caption.c_str(),
             static_cast<int>(group.Caption.size()));
  }
  if (!Caption.empty()) {
    ScopedSelect keep(dc, dialogFont);
    SIZE text{};
    GetTextExtentPoint32W(dc, Caption.c_str(), static_cast<int>(Caption.size()), &text);
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, inside.left + 2, inside.top + (inside.bottom - inside.top - text.cy) / 2, Caption.c_str(),
             static_cast<int>(Caption.size()));
  }
  EndPaint(Handle(), &paint);
}

LRESULT TPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: PanelPainterPaint(); return 0;
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT: {
      // Themed controls ask their parent for what lies behind them.
      RECT inside = Inside();
      FillRect(reinterpret_cast<HDC>(wParam), &inside, brush_.get());
      return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      // Labels, check boxes and group boxes show the panel's colour; a read-only edit keeps its own.
      wchar_t className[16] = {};
      GetClassNameW(reinterpret_cast<HWND>(lParam), className, 16);
      if (lstrcmpiW(className, L"Edit") == 0) break;
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, colour_);
      SetTextColor(dc, TextColour);
      return reinterpret_cast<LRESULT>(brush_.get());
    }
    case WM_COMMAND:
    case WM_NOTIFY:
      return SendMessageW(GetAncestor(Handle(), GA_ROOT), message, wParam, lParam);
  }
  return TWinControl::HandleMessage(message, wParam, lParam);
}

// WDA_EXCLUDEFROMCAPTURE is honoured from Windows 10 2004 (build 19041) on; before, the call
// succeeds all the same and the window shows black in the reads.
bool SystemExcludesFromCapture() {
  using GetVersionProc = LONG(WINAPI*)(OSVERSIONINFOW*);
  static const auto getVersion = reinterpret_cast<GetVersionProc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  OSVERSIONINFOW version{sizeof version};
  return getVersion && getVersion(&version) == 0 &&
         (version.dwMajorVersion > 10 || (version.dwMajorVersion == 10 && version.dwBuildNumber >= 19041));
}
