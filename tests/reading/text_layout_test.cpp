#include "reading/text_layout.h"

#include <gtest/gtest.h>

namespace {

// A row of symbols as the recogniser gives them: each character `advance` apart, `width` wide and
// `height` high; '|' before a character starts a word, ' ' in the text leaves a character's room.
ReadLine Row(const std::wstring& spelled, int32_t top, int32_t height = 20, int32_t advance = 12, int32_t width = 10) {
  ReadLine line;
  int32_t x = 0;
  bool wordStart = true;
  for (const wchar_t c : spelled) {
    if (c == L'|') {
      wordStart = true;
      continue;
    }
    if (c == L' ') {
      x += advance;
      wordStart = true;
      continue;
    }
    line.Symbols.push_back({std::wstring(1, c), {x, top, x + width, top + height}, wordStart});
    wordStart = false;
    x += advance;
  }
  line.Box = {0, top, x, top + height};
  return line;
}

TEST(TextLayout, RowsBecomeLinesWithSpacesOnlyWhereTheScriptsWantThem) {
  const struct {
    std::vector<std::wstring> rows;
    std::wstring text;
  } cases[] = {
      // Letters closer than a space make a word whatever the recogniser said; a space's gap parts words.
      {{L"Open|ed file"}, L"Opened file"},
      // Chinese characters side by side, the recogniser's word starts or not; Latin words apart.
      {{L"|文|件 |已|保存"}, L"文件已保存"},
      // Between the two scripts a space; none beside wide punctuation.
      {{L"打开Settings页面，选择"}, L"打开 Settings 页面，选择"},
      // Marks take the width of the script beside them.
      {{L"错误代码 0x5 : 拒绝"}, L"错误代码 0x5：拒绝"},
      {{L"谢谢 !"}, L"谢谢！"},
      {{L"Done，ok"}, L"Done,ok"},
      {{L"支持 Windows 11。"}, L"支持 Windows 11。"},
      {{L"ok。"}, L"ok."},
      {{L"1.5 MB"}, L"1.5 MB"},
      {{L"2024 12 31"}, L"2024 12 31"},
      // Lines top to bottom.
      {{L"one", L"two"}, L"one\r\ntwo"},
  };
  for (const auto& c : cases) {
    std::vector<ReadLine> lines;
    for (size_t i = 0; i < c.rows.size(); ++i) lines.push_back(Row(c.rows[i], static_cast<int32_t>(i) * 30));
    EXPECT_EQ(LayOutText(lines), c.text) << testing::PrintToString(c.rows[0]);
  }
}

TEST(TextLayout, PiecesOfOneRowJoinLeftToRightAndAStrayTallBoxJoinsNone) {
  ReadLine right = Row(L"world", 102), left = Row(L"hello", 100), below = Row(L"next", 140);
  for (ReadSymbol& symbol : right.Symbols) symbol.Box.Left += 200, symbol.Box.Right += 200;
  right.Box = {200, 102, 260, 122};
  ReadLine rule = Row(L"l", 0, 200);  // a frame's side, read as a letter
  rule.Box.Left = rule.Symbols[0].Box.Left = 400;
  EXPECT_EQ(LayOutText({below, right, rule, left}), L"l\r\nhello world\r\nnext");
  EXPECT_EQ(LayOutText({}), L"");
  EXPECT_EQ(LayOutText({Row(L" ", 0)}), L"");
}

TEST(TextLayout, AGapInThePixelsPartsWordsTheBoxesRunTogether) {
  // "restartthe": the recogniser's boxes leave no gap, the pixels leave one of 8 columns.
  ReadLine line = Row(L"restartthe", 0, 20, 10, 10);
  line.Blanks = {{66, 74}, {12, 13}};
  EXPECT_EQ(LayOutText({line}), L"restart the");
  line.Blanks = {{66, 68}};  // as narrow as between two letters
  EXPECT_EQ(LayOutText({line}), L"restartthe");
}

TEST(TextLayout, DigitsOfOneWidthStayTogether) {
  // A narrow 1 between its neighbours leaves a gap wider than a letter's, less than a space's.
  ReadLine line = Row(L"11", 0, 20, 15, 4);
  EXPECT_EQ(LayOutText({line}), L"11");
}

TEST(TextLayout, Utf8BecomesUtf16AndBrokenBytesBecomeReplacements) {
  EXPECT_EQ(Utf16FromUtf8("Az09 .,"), L"Az09 .,");
  EXPECT_EQ(Utf16FromUtf8("\xE4\xB8\xAD\xEF\xBC\x8C"), L"中，");
  EXPECT_EQ(Utf16FromUtf8("\xF0\x9F\x98\x80"), std::wstring(L"\xD83D\xDE00"));
  EXPECT_EQ(Utf16FromUtf8("\xE4\xB8 a\xFF"), L"\uFFFD a\uFFFD");
  EXPECT_EQ(Utf16FromUtf8("\xED\xA0\x80"), L"\uFFFD");  // a surrogate's code point
  EXPECT_EQ(Utf16FromUtf8("\xC0\x80\xE0\x80\xAF"), L"\uFFFD\uFFFD");  // overlong: a NUL, a slash
}

}  // namespace
