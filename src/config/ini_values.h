// How Option.ini's values read: integers, booleans and the format byte. Window-free.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// A decimal integer with an optional sign, or hexadecimal after "$" or "0x"/"0X" (the latter only
// in a text longer than two characters). Hexadecimal takes up to 32 bits, so $FFFFFFFF is -1.
// Anything else, empty text and numbers out of range included, is not an integer.
std::optional<int32_t> IniToInt(std::wstring_view text);

int32_t IniToIntDef(std::wstring_view text, int32_t fallback);
// Booleans are integers: any non-zero value is true.
bool IniToBool(std::wstring_view text, bool fallback);
