#include "config/ini_values.h"

namespace {

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

std::optional<int32_t> IniToInt(std::wstring_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) {
    negative = text.front() == L'-';
    text.remove_prefix(1);
  }
  bool hex = false;
  if (!text.empty() && text.front() == L'$') {
    hex = true;
    text.remove_prefix(1);
  } else if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
    hex = true;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;

  // Decimal allows up to 2^31 (for -2^31); hexadecimal the whole 32 bits.
  const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  uint64_t value = 0;
  for (wchar_t c : text) {
    const int digit = hex ? HexDigit(c) : (c >= L'0' && c <= L'9' ? c - L'0' : -1);
    if (digit < 0) return std::nullopt;
    value = value * (hex ? 16 : 10) + digit;
    if (value > limit) return std::nullopt;
  }
  const auto bits = static_cast<uint32_t>(value);
  return static_cast<int32_t>(negative ? 0u - bits : bits);
}

int32_t IniToIntDef(std::wstring_view text, int32_t fallback) { return IniToInt(text).value_or(fallback); }

bool IniToBool(std::wstring_view text, bool fallback) { return IniToIntDef(text, fallback ? 1 : 0) != 0; }
