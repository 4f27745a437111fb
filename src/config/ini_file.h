// An INI file read and written through the profile API, so it stays in the ANSI code page and
// hand-edited keys, sections and comments survive. No handle is held between calls.
#pragma once

#include <cstdint>
#include <string>

class TIniFile {
 public:
  explicit TIniFile(std::wstring fileName) : fileName_(std::move(fileName)) {}
  ~TIniFile();  // flushes writes the system may still hold
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const std::wstring& FileName() const { return fileName_; }

  // The value with blanks and one pair of quotes removed, at most 2047 characters; the fallback
  // only when the key (or section, or file) is missing: a key with an empty value reads empty.
  std::wstring ReadString(const wchar_t* section, const wchar_t* key, const std::wstring& fallback) const;
  int32_t ReadInteger(const wchar_t* section, const wchar_t* key, int32_t fallback) const;
  bool ReadBool(const wchar_t* section, const wchar_t* key, bool fallback) const;

  // Each raises "Unable to write to <file>" when the value cannot be written.
  void WriteString(const wchar_t* section, const wchar_t* key, const std::wstring& value);
  void WriteInteger(const wchar_t* section, const wchar_t* key, int32_t value);
  void WriteBool(const wchar_t* section, const wchar_t* key, bool value);

 private:
  std::wstring fileName_;
};
