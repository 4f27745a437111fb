#include "reading/text_layout.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace {

// Gaps between Latin symbols in their row's letter height (a capital's or an ascender's, about three
// quarters of the font's size): a space is a third of the font's size or more and the sides of two
// letters, as set, a seventh at most. Where the recogniser started a word the lower bar counts: its
// symbols' boxes are rough.
constexpr double kSpaceAtWordStart = 0.27, kSpaceAnywhere = 0.36;
// Figures share one width: a narrow one (a 1) stands apart from its neighbours by more than a space
// between letters would.
constexpr double kSpaceBetweenDigits = 0.75, kSpaceBetweenDigitsAtWordStart = 0.6;

// Characters set without spaces between them: CJK punctuation, kana, ideographs, Hangul syllables,
// compatibility ideographs, full-width forms.
bool IsWide(wchar_t c) {
  return (c >= 0x2E80 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
         (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0xD800 && c <= 0xDFFF);  // a surrogate: a rare ideograph
}

// Punctuation of the wide script: it carries its own room.
bool IsWidePunctuation(wchar_t c) { return (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) || (c >= 0xFF5B && c <= 0xFF65); }

bool IsLatinLetterOrDigit(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= 0xC0 && c <= 0x24F);
}

// The marks the recogniser gives in either width; each is set in the width of the script beside it.
constexpr wchar_t kNarrowMarks[] = L",.:;!?()";
constexpr wchar_t kWideMarks[] = L"，。：；！？（）";

// Half of the taller one shared: a stray tall box (a rule, a frame's side) joins no row.
bool SameRow(const Rect& a, const Rect& b) {
  const int32_t overlap = std::min(a.Bottom, b.Bottom) - std::max(a.Top, b.Top);
  return overlap * 2 >= std::max(a.Height(), b.Height());
}

Rect Union(const Rect& a, const Rect& b) {
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

// The row's letter height: the upper quarter of its Latin letters' heights (capitals, ascenders),
// or three quarters of the row's where it has none.
int32_t LetterHeight(const std::vector<const ReadSymbol*>& row, const Rect& box) {
  std::vector<int32_t> heights;
  for (const ReadSymbol* symbol : row)
    if (symbol->Text.size() == 1 && IsLatinLetterOrDigit(symbol->Text[0])) heights.push_back(symbol->Box.Height());
  if (heights.empty()) return std::max(1, box.Height() * 3 / 4);
  std::sort(heights.begin(), heights.end());
  return std::max(1, heights[heights.size() * 3 / 4]);
}

// A mark between two wide characters, or beside one, is the wide mark; between Latin ones (or
// after one at the row's end) the narrow mark.
void SetMarkWidths(std::vector<const ReadSymbol*>& row, std::vector<ReadSymbol>& changed) {
  changed.reserve(row.size());
  // At the row's end the row's script decides: a Chinese sentence ends in its own mark.
  const bool anyWide = std::any_of(row.begin(), row.end(), [](const ReadSymbol* s) { return IsWide(s->Text.back()) && !IsWidePunctuation(s->Text.back()); });
  for (size_t i = 0; i < row.size(); ++i) {
    const std::wstring& text = row[i]->Text;
    if (text.size() != 1) continue;
    const wchar_t* narrow = std::wcschr(kNarrowMarks, text[0]);
    const wchar_t* wide = text[0] ? std::wcschr(kWideMarks, text[0]) : nullptr;
    if (!narrow && !wide) continue;
    const auto wideAt = [&](size_t at) { return IsWide(row[at]->Text.back()) && !IsWidePunctuation(row[at]->Text.back()); };
    const auto latinAt = [&](size_t at) { return IsLatinLetterOrDigit(row[at]->Text.back()); };
    const bool wideBeside = (i > 0 && wideAt(i - 1)) || (i + 1 < row.size() && wideAt(i + 1));
    const bool latinBefore = i > 0 && latinAt(i - 1), latinAfter = i + 1 == row.size() ? !anyWide : latinAt(i + 1);
    wchar_t now = text[0];
    if (narrow && wideBeside && text[0] != L'.') now = kWideMarks[narrow - kNarrowMarks];
    if (wide && !wideBeside && latinBefore && latinAfter) now = kNarrowMarks[wide - kWideMarks];
    if (now == text[0]) continue;
    changed.push_back(*row[i]);
    changed.back().Text = std::wstring(1, now);
    row[i] = &changed.back();
  }
}

// The widest blank run whose middle lies between the middles of two neighbours' boxes, taken so no
// other pair counts it again (the recogniser's boxes are rough: a gap can lie under a box); 0 when
// none does.
int32_t WidestBlank(std::vector<std::pair<int32_t, int32_t>>& blanks, const Rect& left, const Rect& right) {
  const int32_t from = left.Left + left.Right, to = right.Left + right.Right;  // doubled middles
  auto widest = blanks.end();
  for (auto run = blanks.begin(); run != blanks.end(); ++run) {
    const int32_t middle = run->first + run->second;
    if (middle >= from && middle <= to && (widest == blanks.end() || run->second - run->first > widest->second - widest->first))
      widest = run;
  }
  if (widest == blanks.end()) return 0;
  const int32_t width = widest->second - widest->first;
  blanks.erase(widest);
  return width;
}

}  // namespace

bool SpaceBetween(const ReadSymbol& left, const ReadSymbol& right, int32_t letterHeight, int32_t blank) {
  if (left.Text.empty() || right.Text.empty()) return false;
  const wchar_t a = left.Text.back(), b = right.Text.front();
  if (IsWidePunctuation(a) || IsWidePunctuation(b)) return false;
  const bool wideA = IsWide(a), wideB = IsWide(b);
  if (wideA && wideB) return false;
  // Between the two scripts a space is the rule of Chinese text set with Latin words; the
  // recogniser's boxes for wide characters are too rough to measure it.
  if (wideA || wideB) return IsLatinLetterOrDigit(wideA ? b : a);
  const int32_t gap = std::max(right.Box.Left - left.Box.Right, blank);
  const bool digits = std::iswdigit(a) && std::iswdigit(b);
  const double least = digits ? (right.StartsWord ? kSpaceBetweenDigitsAtWordStart : kSpaceBetweenDigits)
                              : (right.StartsWord ? kSpaceAtWordStart : kSpaceAnywhere);
  return gap >= least * letterHeight;
}

std::wstring LayOutText(std::vector<ReadLine> lines) {
  for (ReadLine& line : lines)
    std::erase_if(line.Symbols, [](const ReadSymbol& symbol) {
      return std::all_of(symbol.Text.begin(), symbol.Text.end(), [](wchar_t c) { return std::iswspace(c) != 0; });
    });
  std::erase_if(lines, [](const ReadLine& line) { return line.Symbols.empty(); });
  std::stable_sort(lines.begin(), lines.end(), [](const ReadLine& a, const ReadLine& b) { return a.Box.Top < b.Box.Top; });
  // Lines that share a row are one: each joins the first row it overlaps, and a row's lines are
  // read left to right (the symbols of each keep the recogniser's order).
  std::vector<std::vector<ReadLine*>> rows;
  std::vector<Rect> rowBoxes;
  for (ReadLine& line : lines) {
    const auto row = std::find_if(rowBoxes.begin(), rowBoxes.end(), [&](const Rect& box) { return SameRow(box, line.Box); });
    if (row == rowBoxes.end()) {
      rows.push_back({&line});
      rowBoxes.push_back(line.Box);
      continue;
    }
    rows[row - rowBoxes.begin()].push_back(&line);
    *row = Union(*row, line.Box);
  }
  std::wstring text;
  for (size_t r = 0; r < rows.size(); ++r) {
    std::stable_sort(rows[r].begin(), rows[r].end(), [](const ReadLine* a, const ReadLine* b) { return a->Box.Left < b->Box.Left; });
    std::vector<const ReadSymbol*> row;
    std::vector<std::pair<int32_t, int32_t>> blanks;
    for (ReadLine* line : rows[r]) {
      line->Symbols.front().StartsWord = true;
      for (const ReadSymbol& symbol : line->Symbols) row.push_back(&symbol);
      blanks.insert(blanks.end(), line->Blanks.begin(), line->Blanks.end());
    }
    std::vector<ReadSymbol> changed;
    SetMarkWidths(row, changed);
    const int32_t letterHeight = LetterHeight(row, rowBoxes[r]);
    if (r > 0) text += L"\r\n";
    for (size_t i = 0; i < row.size(); ++i) {
      if (i > 0 && SpaceBetween(*row[i - 1], *row[i], letterHeight, WidestBlank(blanks, row[i - 1]->Box, row[i]->Box)))
        text += L' ';
      text += row[i]->Text;
    }
  }
  return text;
}

std::wstring Utf16FromUtf8(const char* text) {
  std::wstring out;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  while (*s) {
    uint32_t c = *s++;
    int more = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    const int length = more + 1;
    if (c >= 0x80 && (more == 0 || c >= 0xF8)) {
      out += L'\uFFFD';
      continue;
    }
    if (more > 0) c &= 0x3F >> more;  // the lead byte's own bits
    for (; more > 0; --more, ++s) {
      if ((*s & 0xC0) != 0x80) break;
      c = c << 6 | (*s & 0x3F);
    }
    constexpr uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};  // below these a sequence is overlong
    if (more > 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) || c < kLeast[length - 1]) {
      out += L'\uFFFD';
    } else if (c >= 0x10000) {
      out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<wchar_t>(c);
    }
  }
  return out;
}

bool IsLetterOrCharacter(wchar_t c) {
  return c != 0xFFFD && (std::iswalnum(c) != 0 || IsLatinLetterOrDigit(c) || (IsWide(c) && !IsWidePunctuation(c)));
}
