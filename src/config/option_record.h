// The program's settings: one plain record, copied by value. Window-free.
#pragma once

#include <cstdint>
#include <string>

#include "common/image_format.h"

// Its initial values are the defaults, but for the folder, which depends on the program's own.
struct DefaultOptionRec {
  bool AutoRun = false;                 // start with Windows
  bool Minimize = true;                 // shown and stored only
  bool AutoSave = false;                // name captures automatically instead of asking
  bool ExitHint = true;                 // ask before exiting
  std::wstring DefaultFormat = L"000";  // number pattern of automatic names
  std::wstring DefaultDir;              // default save folder
  ImageFormat DefaultImage = ImageFormat::Jpeg;
  std::wstring KeyScreen = L"CTRL+F1";  // hot-key texts: whole screen,
  std::wstring KeyActiveWnd = L"CTRL+F2";  // active window,
  std::wstring KeyCustom = L"CTRL+F3";     // drawn region
  bool CopyToClipboard = false;         // each picture also goes on the clipboard
  bool SavedTip = true;                 // a balloon names each automatically saved file
  bool operator==(const DefaultOptionRec&) const = default;
};

// Option.ini: one section, twelve keys, read and written in this order.
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
inline constexpr wchar_t CopyToClipboard[] = L"CopyToClipboard";
inline constexpr wchar_t SavedTip[] = L"SavedTip";
}  // namespace OptionKeys

// What a missing key reads as; the default folder is Save in the program folder.
inline DefaultOptionRec DefaultOptions(const std::wstring& appPath) {
  DefaultOptionRec defaults;
  defaults.DefaultDir = appPath + L"Save";
  return defaults;
}
