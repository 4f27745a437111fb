#include "config/ini_file.h"

#include <windows.h>

#include "common/whole_file.h"
#include "config/ini_values.h"
#include "toolkit/error.h"
#include "toolkit/handles.h"

namespace {

constexpr DWORD kValueBuffer = 2048;  // 2047 characters and the terminating zero
constexpr char kUtf16Mark[] = "\xFF\xFE";

// The whole file; empty when there is none. Raises when it exists and cannot be read: it is never
// rewritten from a part of itself.
std::string ReadBytes(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return {};
    throw Error(L"Unable to write to " + path);
  }
  std::string bytes;
  char chunk[65536];
  for (DWORD read = 0;; bytes.append(chunk, read)) {
    if (!ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) throw Error(L"Unable to write to " + path);
    if (read == 0) return bytes;
  }
}

std::wstring FromAnsi(const std::string& bytes) {
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
  return text;
}

std::string ToAnsi(const std::wstring& text) {
  const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         nullptr);
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr, nullptr);
  return bytes;
}

}  // namespace

bool FitsAnsiCodePage(const std::wstring& text) {
  BOOL lost = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                      &lost);
  return !lost;
}

void TIniFile::MatchEncoding(bool needsUnicode) {
  Flush();  // what the system holds goes first
  const std::string bytes = ReadBytes(fileName_);
  const bool unicode = bytes.starts_with(kUtf16Mark);
  std::string rewritten;
  if (needsUnicode && !unicode) {
    const std::wstring text = FromAnsi(bytes);
    rewritten.assign(kUtf16Mark, 2);
    rewritten.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  } else if (!needsUnicode && unicode) {
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / sizeof(wchar_t));
    if (!FitsAnsiCodePage(text)) return;
    rewritten = ToAnsi(text);
  } else {
    return;
  }
  WriteWholeFile(fileName_, reinterpret_cast<const uint8_t*>(rewritten.data()), rewritten.size());
}

void TIniFile::WriteSection(const wchar_t* section, const IniKeys& keys) {
  Flush();  // what the system holds goes first
  const std::string bytes = ReadBytes(fileName_);
  std::string rewritten;
  if (bytes.starts_with(kUtf16Mark)) {
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / sizeof(wchar_t));
    const std::wstring result = WithSection(text, section, keys);
    rewritten.assign(kUtf16Mark, 2);
    rewritten.append(reinterpret_cast<const char*>(result.data()), result.size() * sizeof(wchar_t));
  } else {
    rewritten = ToAnsi(WithSection(FromAnsi(bytes), section, keys));
  }
  WriteWholeFile(fileName_, reinterpret_cast<const uint8_t*>(rewritten.data()), rewritten.size());
}

bool TIniFile::ReadOnly() const {
  const DWORD attributes = GetFileAttributesW(fileName_.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

void TIniFile::Flush() { WritePrivateProfileStringW(nullptr, nullptr, nullptr, fileName_.c_str()); }

std::wstring TIniFile::ReadString(const wchar_t* section, const wchar_t* key,
                                  const std::wstring& fallback) const {
  std::wstring value(kValueBuffer, L'\0');
  const DWORD length = GetPrivateProfileStringW(section, key, fallback.c_str(), value.data(),
                                                kValueBuffer, fileName_.c_str());
  value.resize(length);
  return value;
}

int32_t TIniFile::ReadInteger(const wchar_t* section, const wchar_t* key, int32_t fallback) const {
  return IniToIntDef(ReadString(section, key, L""), fallback);
}

bool TIniFile::ReadBool(const wchar_t* section, const wchar_t* key, bool fallback) const {
  return IniToBool(ReadString(section, key, L""), fallback);
}

void TIniFile::WriteString(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
  if (!WritePrivateProfileStringW(section, key, value.c_str(), fileName_.c_str()))
    throw Error(L"Unable to write to " + fileName_);
}

void TIniFile::WriteInteger(const wchar_t* section, const wchar_t* key, int32_t value) {
  WriteString(section, key, std::to_wstring(value));
}

void TIniFile::WriteBool(const wchar_t* section, const wchar_t* key, bool value) {
  WriteString(section, key, value ? L"1" : L"0");
}
