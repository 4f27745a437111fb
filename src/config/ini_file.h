// An INI file read and written through the profile API, so it stays in the ANSI code page and
// hand-edited keys, sections and comments survive. No handle is held between calls.
#pragma once

#include <cstdint>
#include <string>

#include "config/ini_section.h"

// True when the text survives the ANSI code page unchanged.
bool FitsAnsiCodePage(const std::wstring& text);

class TIniFile {
 public:
  explicit TIniFile(std::wstring fileName) : fileName_(std::move(fileName)) {}
  ~TIniFile() { Flush(); }
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const std::wstring& FileName() const { return fileName_; }

  // The value with blanks and one pair of quotes removed, at most 2047 characters; the fallback
  // only when the key (or section, or file) is missing: a key with an empty value reads empty.
  std::wstring ReadString(const wchar_t* section, const wchar_t* key, const std::wstring& fallback) const;
  int32_t ReadInteger(const wchar_t* section, const wchar_t* key, int32_t fallback) const;
  bool ReadBool(const wchar_t* section, const wchar_t* key, bool fallback) const;

  // The file stays in the ANSI code page while every text written to it fits that code page; a
  // text that does not makes it UTF-16 with its byte-order mark, which the profile API writes and
  // reads back whole. It goes back to ANSI once all it holds fits again. Every section, key and
  // comment stays, and so do the file's attributes and security. Raises "Cannot create file ..."
  // when the file cannot be rewritten.
  void MatchEncoding(bool needsUnicode);

  // True when the file exists and is marked read-only: it is then never written or replaced.
  bool ReadOnly() const;

  // Each raises "Unable to write to <file>" when the value cannot be written.
  void WriteString(const wchar_t* section, const wchar_t* key, const std::wstring& value);
  void WriteInteger(const wchar_t* section, const wchar_t* key, int32_t value);
  void WriteBool(const wchar_t* section, const wchar_t* key, bool value);
  // Sets a section's keys at once: the file is rewritten whole in its own encoding and replaces
  // the old one in one step (an interruption leaves one or the other). Raises "Cannot create file
  // ..." when it cannot be.
  void WriteSection(const wchar_t* section, const IniKeys& keys);
  // What the system still holds of the writes goes to the file now.
  void Flush();

 private:
  std::wstring fileName_;
};
