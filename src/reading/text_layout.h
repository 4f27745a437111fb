// What the recogniser found, laid out as text: each row of the picture one line, Chinese characters
// side by side, words of Latin script apart. Window-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/rect.h"

// One character the recogniser found (a few code units where it is a ligature or a surrogate pair),
// where it stands in the picture.
struct ReadSymbol {
  std::wstring Text;
  Rect Box;
  bool StartsWord = false;  // the recogniser began a word with it
};

// One line as the recogniser segmented it, left to right. Where a row of the picture has a wide gap
// the recogniser can make two lines of it: they are joined again.
struct ReadLine {
  std::vector<ReadSymbol> Symbols;
  Rect Box;
  // The columns [from, to) of the line's rows with no ink (BlankColumns): the true gaps, which
  // the recogniser's boxes for its symbols only approximate.
  std::vector<std::pair<int32_t, int32_t>> Blanks;
};

// The lines, top to bottom, joined by "\r\n"; empty when no symbol was found. Punctuation takes the
// width of the script beside it (the recogniser mixes them up).
std::wstring LayOutText(std::vector<ReadLine> lines);

// Whether a space belongs between these two symbols of one row: never between two characters of
// Chinese (or Japanese, or full-width) script nor beside wide punctuation; between a Chinese
// character and a Latin letter or digit; between Latin symbols where the gap is as wide as a space
// for letters `letterHeight` high: between their boxes, or the `blank` columns found between them.
bool SpaceBetween(const ReadSymbol& left, const ReadSymbol& right, int32_t letterHeight, int32_t blank = 0);

// A letter or digit of any script, or a Chinese (Japanese, Korean) character: not a mark.
bool IsLetterOrCharacter(wchar_t c);

// UTF-8 as the recogniser gives it, as UTF-16; a broken sequence becomes U+FFFD.
std::wstring Utf16FromUtf8(const char* text);
