// Move-only owners of Windows handles: each closes its handle with the call that belongs to it.
#pragma once

#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Invalid(); }
  Handle release() { return std::exchange(handle_, Traits::Invalid()); }
  void reset(Handle handle = Traits::Invalid()) {
    if (handle_ != Traits::Invalid()) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

namespace handle_traits {
template <typename H, auto CloseFunction>
struct Null {
  using Handle = H;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { CloseFunction(handle); }
};
struct File {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { CloseHandle(handle); }
};
}  // namespace handle_traits

using UniqueMemoryDc = UniqueHandle<handle_traits::Null<HDC, DeleteDC>>;
using UniqueBitmap = UniqueHandle<handle_traits::Null<HBITMAP, DeleteObject>>;
using UniqueBrush = UniqueHandle<handle_traits::Null<HBRUSH, DeleteObject>>;
using UniqueFont = UniqueHandle<handle_traits::Null<HFONT, DeleteObject>>;
using UniqueIcon = UniqueHandle<handle_traits::Null<HICON, DestroyIcon>>;
using UniqueMenu = UniqueHandle<handle_traits::Null<HMENU, DestroyMenu>>;
using UniqueRegKey = UniqueHandle<handle_traits::Null<HKEY, RegCloseKey>>;
using UniqueFile = UniqueHandle<handle_traits::File>;
using UniqueKernelHandle = UniqueHandle<handle_traits::Null<HANDLE, CloseHandle>>;
using UniqueGlobal = UniqueHandle<handle_traits::Null<HGLOBAL, GlobalFree>>;

// A window's device context from GetDC, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDc(WindowDc&& other) noexcept
      : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
  WindowDc& operator=(WindowDc&&) = delete;
  WindowDc(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects a GDI object into a DC and puts the old one back when it leaves scope.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~ScopedSelect() { SelectObject(dc_, old_); }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};
