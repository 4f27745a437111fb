#include "config/ini_file.h"

#include <windows.h>

#include "config/ini_values.h"
#include "toolkit/error.h"

namespace {
constexpr DWORD kValueBuffer = 2048;  // 2047 characters and the terminating zero
}

TIniFile::~TIniFile() { WritePrivateProfileStringW(nullptr, nullptr, nullptr, fileName_.c_str()); }

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
