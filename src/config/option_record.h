// The program's settings: one plain record, copied by value. Window-free.
#pragma once

#include <cstdint>
#include <string>

struct DefaultOptionRec {
  bool AutoRun = false;         // start with Windows
  bool Minimize = false;        // shown and stored only
  bool AutoSave = false;        // name captures automatically instead of asking
  bool ExitHint = false;        // ask before exiting
  std::wstring DefaultFormat;   // number pattern of automatic names
  std::wstring DefaultDir;      // default save folder
  uint8_t DefaultImage = 0;     // 0 BMP, 1 JPEG
  std::wstring KeyScreen;       // hot-key texts: whole screen,
  std::wstring KeyActiveWnd;    //   active window,
  std::wstring KeyCustom;       //   drawn region
  bool operator==(const DefaultOptionRec&) const = default;
};

// Option.ini: one section, ten keys, read and written in this order.
namespace OptionKeys {
inline constexpr wchar_t Section[] = L"Default";
inline constexpr wchar_t AutoRun[] = L"AutoRun";
inline constexpr wchar_t Minimize[] = L"Minimize";
inline constexpr wchar_t AutoSave[] = L"AutoSave";
inline constexpr wchar_t ExitHint[] = L"ExitHint";
inline constexpr wchar_t DefaultDir[] = L"DefaultDir";
inline constexpr wchar_t DefaultFormat[] = L"DefaultFormat";
inline constexpr wchar_t DefaultImage[] = L"DefaultImage";
inline constexpr wchar_t KeyScreen[] = L"KeyScreen";
inline constexpr wchar_t KeyActiveWnd[] = L"KeyActiveWnd";
inline constexpr wchar_t KeyCustom[] = L"KeyCustom";
}  // namespace OptionKeys

// What a missing key reads as; the default folder is Save in the program folder.
inline DefaultOptionRec DefaultOptions(const std::wstring& appPath) {
  return {false, true, false, true, L"000", appPath + L"Save", 1, L"CTRL+F1", L"CTRL+F2", L"CTRL+F3"};
}
