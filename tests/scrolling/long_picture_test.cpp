#include "scrolling/long_picture.h"

#include <gtest/gtest.h>

#include "scrolling/auto_scroll.h"
#include "support/scrolled_document.h"

namespace {

// Offsets of a smooth scroll: notches of `notch` rows, each in `parts` uneven steps.
std::vector<int32_t> Smooth(int32_t from, int32_t to, int32_t notch, int32_t parts) {
  std::vector<int32_t> offsets;
  for (int32_t at = from; at < to;) {
    const int32_t end = std::min(to, at + notch);
    for (int32_t part = 1; part <= parts; ++part) offsets.push_back(at + (end - at) * part * part / (parts * parts));
    at = end;
  }
  return offsets;
}

// True when the picture is the header, the first rows of the document and the footer.
bool IsAPrefix(const TLongPicture& picture, const ScrolledDocument& document) {
  const int32_t rows = picture.Height() - document.Header - document.Footer;
  return rows >= 0 && rows <= document.Rows() && PixelsOf(picture) == document.Expected(rows);
}

struct ScrollCase {
  const char* what;
  int32_t header, footer;
  std::vector<int32_t> offsets;  // after the first read, at 0
  int32_t gapRows = 4;           // blank rows between the document's lines
};

TEST(LongPicture, EqualsTheDocumentRowForRowHoweverItIsScrolled) {
  const int32_t rows = 900, view = 120, last = rows - view;
  std::vector<int32_t> uneven = Smooth(0, 300, 37, 5);
  uneven.insert(uneven.end(), {300, 300, 260, 200, 250, 300});  // a pause, back up, down again
  const std::vector<int32_t> rest = Smooth(300, last, 53, 3);
  uneven.insert(uneven.end(), rest.begin(), rest.end());
  const ScrollCase cases[] = {
      {"even steps, no bands", 0, 0, Smooth(0, last, 40, 1)},
      {"a sticky header and an input box below", 30, 24, Smooth(0, last, 40, 1)},
      {"smooth uneven steps, a pause, back up and down", 30, 24, uneven},
      {"a row at a time", 8, 0, Smooth(0, last, 1, 1)},
      {"steps of nearly the whole view", 20, 20, Smooth(0, last, view - 10, 1)},
      {"paragraphs 20 blank rows apart, smooth steps", 30, 24, Smooth(0, last, 40, 4), 20},
  };
  for (const ScrollCase& c : cases) {
    const ScrolledDocument document = MakeDocument(96, rows, c.header, c.footer, view, 7, 12, c.gapRows);
    TLongPicture picture(96, document.Height(), 10000);
    EXPECT_EQ(AddRead(picture, document.Read(0)), ReadResult::Started);
    for (const int32_t offset : c.offsets) {
      const ReadResult result = AddRead(picture, document.Read(offset));
      EXPECT_NE(result, ReadResult::Lost) << c.what << " at " << offset;
    }
    EXPECT_EQ(picture.Height(), c.header + rows + c.footer) << c.what;
    EXPECT_TRUE(PixelsOf(picture) == document.Expected(rows)) << c.what;
  }
}

TEST(LongPicture, AReadThatCannotBePlacedIsLeftOutAndTheNextThatFitsGoesOn) {
  const ScrolledDocument document = MakeDocument(80, 600, 16, 16, 100, 3), other = MakeDocument(80, 600, 16, 16, 100, 4);
  TLongPicture picture(80, document.Height(), 10000);
  AddRead(picture, document.Read(0));
  AddRead(picture, document.Read(50));
  const std::vector<uint32_t> before = PixelsOf(picture);
  EXPECT_EQ(AddRead(picture, document.Read(250)), ReadResult::Lost);  // 200 rows on: no overlap
  EXPECT_EQ(AddRead(picture, other.Read(50)), ReadResult::Lost);      // changed everywhere
  EXPECT_TRUE(PixelsOf(picture) == before);
  EXPECT_EQ(AddRead(picture, document.Read(120)), ReadResult::Grew);  // back within reach
  for (const int32_t offset : Smooth(120, 500, 60, 1)) AddRead(picture, document.Read(offset));
  EXPECT_TRUE(PixelsOf(picture) == document.Expected(600));
}

TEST(LongPicture, ASpotChangingInPlaceDoesNotStopTheMatch) {
  // A caret blinking in the document and another in the input box below, at every read.
  ScrolledDocument document = MakeDocument(128, 700, 20, 30, 150, 11);
  document.SpotTop = 200;
  document.SpotRows = 16;
  document.SpotLeft = 40;
  document.SpotWidth = 2;
  TLongPicture picture(128, document.Height(), 10000);
  bool on = false;
  const auto read = [&](int32_t offset) {
    document.SpotOn = on = !on;
    std::vector<uint32_t> pixels = document.Read(offset);
    if (on)
      for (int32_t y = 0; y < 14; ++y) pixels[size_t(document.Height() - 20 + y) * 128 + 10] ^= 0xFFFFFF;
    return AddRead(picture, pixels);
  };
  read(0);
  EXPECT_EQ(read(0), ReadResult::Unchanged);  // only the carets blinked
  for (const int32_t offset : Smooth(0, 550, 45, 2)) EXPECT_NE(read(offset), ReadResult::Lost) << offset;
  // Every row is the document's, with the caret on or off.
  ASSERT_EQ(picture.Height(), 20 + 700 + 30);
  document.SpotOn = false;
  const std::vector<uint32_t> expected = document.Expected(700), pixels = PixelsOf(picture);
  int32_t differing = 0;
  for (size_t i = 0; i < expected.size(); ++i)
    if (pixels[i] != expected[i]) {
      const int32_t x = static_cast<int32_t>(i % 128);
      EXPECT_TRUE((x == 40 || x == 41 || x == 10) && pixels[i] == (expected[i] ^ 0xFFFFFF)) << i;
      ++differing;
    }
  EXPECT_LE(differing, 2 * 16 + 14);
}

TEST(LongPicture, StopsGrowingAtItsLimitAndKeepsWhatItHas) {
  const ScrolledDocument document = MakeDocument(64, 600, 10, 10, 80, 4);
  TLongPicture picture(64, document.Height(), 250);
  AddRead(picture, document.Read(0));
  ReadResult result = ReadResult::Grew;
  for (const int32_t offset : Smooth(0, 520, 30, 1)) result = AddRead(picture, document.Read(offset));
  EXPECT_EQ(result, ReadResult::Full);
  EXPECT_EQ(picture.Height(), 250);
  EXPECT_TRUE(IsAPrefix(picture, document));
  EXPECT_GE(TLongPicture::MaxRowsFor(1920), 30000);  // what a long page at 1920 wide needs at least
}

TEST(LongPicture, MovesOutWholeWhateverTheBandsAndGivesItsMemoryBack) {
  // A footer taller than two blocks of rows, and a first move that could not be placed, a menu
  // over the footer then (the bands it would have told are forgotten with it).
  const ScrolledDocument document = MakeDocument(40, 1200, 10, 600, 200, 5);
  TLongPicture picture(40, document.Height(), 10000);
  AddRead(picture, document.Read(0));
  std::vector<uint32_t> menu = document.Read(250);
  std::fill(menu.end() - 100 * 40, menu.end(), 0x336699);
  EXPECT_EQ(AddRead(picture, menu), ReadResult::Lost);
  for (const int32_t offset : Smooth(0, 1000, 70, 1)) AddRead(picture, document.Read(offset));
  std::vector<uint32_t> pixels(size_t(picture.Height()) * 40);
  picture.MoveTo(pixels.data(), 40);
  EXPECT_TRUE(pixels == document.Expected(1200));
  EXPECT_EQ(picture.Height(), 0);
}

TEST(LongPicture, APlaceThatOnlyRepeatedRowsCouldTellIsNotTaken) {
  // Rows 50-69 shown again at 100-119, both after 30 rows of hatching; other text from 150. The
  // read at 80 overlaps the picture's end only in hatching, and looks the same 50 rows up.
  ScrolledDocument document = MakeDocument(64, 400, 0, 0, 80, 9);
  std::vector<uint32_t>& rows = document.Document;
  for (const int32_t from : {20, 70, 120})
    for (int32_t i = from * 64; i < (from + 30) * 64; ++i) rows[size_t(i)] = (i + i / 64) % 2 ? 0x808080 : 0xFFFFFF;
  std::copy_n(rows.begin() + 50 * 64, 20 * 64, rows.begin() + 100 * 64);
  TLongPicture picture(64, document.Height(), 10000);
  AddRead(picture, document.Read(0));
  EXPECT_EQ(AddRead(picture, document.Read(10)), ReadResult::Grew);
  EXPECT_EQ(AddRead(picture, document.Read(80)), ReadResult::Lost);
  EXPECT_TRUE(IsAPrefix(picture, document));
}

TEST(LongPicture, AReadBackUpChangedInPlaceIsNotTakenForRowsPastTheEnd) {
  // Rows 250-319 shown again at 330-399: back up at 265 the read's top rows are also the picture's
  // last, and rows changed lower down, wider than a spot, may be new rows or a change in place.
  const struct { const char* what; int32_t fromRow, rows, left, columns; } cases[] = {
      {"a highlighted row under the pointer", 60, 8, 0, 200}, {"an animation at the bottom", 70, 10, 50, 100}};
  for (const auto& c : cases) {
    ScrolledDocument document = MakeDocument(200, 400, 10, 10, 80, 21);
    std::copy_n(document.Document.begin() + 250 * 200, 70 * 200, document.Document.begin() + 330 * 200);
    TLongPicture picture(200, document.Height(), 10000);
    for (const int32_t offset : Smooth(-40, 320, 40, 1)) AddRead(picture, document.Read(std::max(offset, 0)));
    EXPECT_EQ(picture.Height(), 420) << c.what;  // going down the rows shown again is certain
    std::vector<uint32_t> read = document.Read(265);
    for (int32_t i = 0; i < c.rows * c.columns; ++i) read[size_t(10 + c.fromRow + i / c.columns) * 200 + c.left + i % c.columns] ^= 0x202020;
    EXPECT_EQ(AddRead(picture, read), ReadResult::Lost) << c.what;
    EXPECT_TRUE(IsAPrefix(picture, document)) << c.what;
  }
}

TEST(LongPicture, ABandThatComesLaterIsToldAgainstTheReadBefore) {
  // From offset 300 on the document's own first rows stay at the region's top: a header that sticks.
  const ScrolledDocument document = MakeDocument(64, 900, 0, 0, 120, 13);
  const auto read = [&](int32_t offset) {
    std::vector<uint32_t> pixels = document.Read(offset);
    if (offset >= 300) std::copy_n(document.Document.begin(), 20 * 64, pixels.begin());
    return pixels;
  };
  TLongPicture picture(64, document.Height(), 10000);
  AddRead(picture, read(0));
  std::vector<ReadResult> results;
  for (const int32_t offset : Smooth(0, 700, 30, 1)) results.push_back(AddRead(picture, read(offset)));
  EXPECT_EQ(std::count(results.begin(), results.end(), ReadResult::Lost), 1);  // the read the header came in
  EXPECT_EQ(results.back(), ReadResult::Grew);
  EXPECT_EQ(picture.Height(), 820);
  EXPECT_TRUE(IsAPrefix(picture, document));
}

// A log or a numbered list: every line is the same but for its number, as in a text editor.
TEST(LongPicture, LinesThatDifferOnlyInANumberAreStitchedWhole) {
  ScrolledDocument document = MakeDocument(300, 1400, 4, 3, 420, 31, 10, 4);
  for (int32_t line = 1; line * 14 < document.Rows(); ++line)
    for (int32_t y = 0; y < 14; ++y)
      for (int32_t x = 0; x < 300; ++x)
        if (x < 20 || x >= 30) document.Document[size_t(line * 14 + y) * 300 + x] = document.Document[size_t(y) * 300 + x];
  TLongPicture picture(300, document.Height(), 10000);
  AddRead(picture, document.Read(0));
  for (const int32_t offset : Smooth(0, document.LastOffset(), 42, 1))
    EXPECT_NE(AddRead(picture, document.Read(offset)), ReadResult::Lost) << offset;
  EXPECT_TRUE(PixelsOf(picture) == document.Expected(document.Rows()));
}

// What changes by itself while a person scrolls by the wheel, a notch of 97 rows in smooth steps,
// then reads at rest. The picture is the truth but for the animation's pixels, one of its frames.
TEST(LongPicture, WhatChangesByItselfDoesNotStopTheStitch) {
  const struct {
    const char* what;
    Rect animation;      // document coordinates, or the header's when above 0
    int32_t pointerRow;  // lights the document's line under it, or -1
    bool tooltip;        // over the new rows of every read that moved, gone at rest
    int32_t steps = 4;   // reads a notch takes
  } cases[] = {
      {"a 200 x 60 animation in the page", {100, 300, 300, 360}, -1, false},
      {"a video taller than a spot in the page", {0, 500, 250, 700}, -1, false},
      {"an animated banner in the fixed header", {40, -30, 360, -5}, -1, false},
      {"a highlight under the pointer", {}, 180, false},
      {"a highlight under the pointer, a notch at once", {}, 180, false, 1},
      {"a tooltip over the new rows", {}, -1, true},
  };
  for (const auto& c : cases) {
    const ScrolledDocument document = MakeDocument(400, 1600, 30, 20, 360, 41);
    TLongPicture picture(400, document.Height(), 10000);
    uint32_t frame = 0;
    int32_t litAt = 0;  // where the document stood when the list last lit the line under the pointer
    const auto read = [&](int32_t offset, bool moving) {
      std::vector<uint32_t> pixels = document.Read(offset);
      ++frame;
      for (int32_t y = c.animation.Top; y < c.animation.Bottom; ++y) {
        const int32_t row = y < 0 ? document.Header + y : document.Header + y - offset;
        if (row >= (y < 0 ? 0 : document.Header) && row < document.Header + document.View)
          for (int32_t x = c.animation.Left; x < c.animation.Right; ++x) pixels[size_t(row) * 400 + x] = frame * 0x10101 + x * y;
      }
      if (c.pointerRow >= 0) {
        // Lit where the pointer was at the read before, until the list notices the rows moved.
        const int32_t line = (litAt + c.pointerRow - document.Header) / 16 * 16 + document.Header - offset;
        litAt = offset;
        for (int32_t i = std::max(line, 0) * 400; i < std::min(line + 16, document.Height()) * 400; ++i) pixels[size_t(i)] ^= 0x204060;
      }
      if (c.tooltip && moving)
        for (int32_t y = document.Height() - 60; y < document.Height() - 30; ++y)
          std::fill_n(pixels.begin() + y * 400 + 200, 150, 0xFFFFE1);
      return picture.Add(pixels.data(), 400, c.pointerRow);
    };
    for (int32_t rest = 0; rest < 4; ++rest) read(0, false);
    ReadResult result = ReadResult::Grew;
    for (const int32_t offset : Smooth(0, document.LastOffset(), 97, c.steps)) {
      read(offset, true);
      if (offset % 97 != 0 && offset != document.LastOffset()) continue;
      for (int32_t rest = 0; rest < 4; ++rest) {
        result = read(offset, false);
        EXPECT_TRUE(picture.Resting()) << c.what << " at " << offset;
      }
    }
    EXPECT_NE(result, ReadResult::Lost) << c.what;
    // The line under the pointer stays lit where the scroll ends.
    std::vector<uint32_t> truth = document.Expected(document.Rows());
    const std::vector<uint32_t> pixels = PixelsOf(picture);
    const int32_t lit = (document.LastOffset() + c.pointerRow - document.Header) / 16 * 16 + document.Header;
    for (int32_t i = lit * 400; c.pointerRow >= 0 && i < (lit + 16) * 400; ++i) truth[size_t(i)] ^= 0x204060;
    ASSERT_EQ(pixels.size(), truth.size()) << c.what;
    int32_t wrong = 0;
    for (size_t i = 0; i < truth.size(); ++i) {
      const auto x = static_cast<int32_t>(i % 400), y = static_cast<int32_t>(i / 400) - document.Header;
      wrong += pixels[i] != truth[i] && !c.animation.Contains(x, y);
    }
    EXPECT_EQ(wrong, 0) << c.what;
  }
}

TEST(AutoScroll, StepsWhenTheRegionComesToRestAndStopsWhereItNoLongerMoves) {
  TAutoScroll scroll;
  EXPECT_EQ(scroll.Read(false), AutoStep::Wait);  // not started
  scroll.Start();
  EXPECT_EQ(scroll.Read(false), AutoStep::Send);
  EXPECT_EQ(scroll.Read(false), AutoStep::Wait);  // not moving yet
  EXPECT_EQ(scroll.Read(true), AutoStep::Wait);   // moving
  EXPECT_EQ(scroll.Read(true), AutoStep::Wait);
  EXPECT_EQ(scroll.Read(false), AutoStep::Send);  // at rest: the next step
  for (int32_t read = 1; read < TAutoScroll::kStillReads; ++read) ASSERT_EQ(scroll.Read(false), AutoStep::Wait);
  EXPECT_EQ(scroll.Read(false), AutoStep::Bottom);
  EXPECT_FALSE(scroll.Running());
  // A window that never moves for the steps sent to it is not at its bottom.
  scroll.Start();
  EXPECT_EQ(scroll.Read(false), AutoStep::Send);
  for (int32_t read = 1; read < TAutoScroll::kStillReads; ++read) ASSERT_EQ(scroll.Read(false), AutoStep::Wait);
  EXPECT_EQ(scroll.Read(false), AutoStep::Ignored);
}

// At rest where the read cannot be placed: a few reads' wait, then back up a step and down again,
// twice at most in a row; a step down that is placed allows two more.
TEST(AutoScroll, StepsBackFromWhereItCannotBePlacedAndGivesUpAfterTwoTries) {
  TAutoScroll scroll;
  scroll.Start();
  ASSERT_EQ(scroll.Read(false), AutoStep::Send);
  const auto rest = [&](bool placed) {
    EXPECT_EQ(scroll.Read(true, placed), AutoStep::Wait);
    for (int32_t read = 1; !placed && read < TAutoScroll::kPlacingReads; ++read) EXPECT_EQ(scroll.Read(false, false), AutoStep::Wait);
    return scroll.Read(false, placed);
  };
  EXPECT_EQ(scroll.Read(true, false), AutoStep::Wait);
  EXPECT_EQ(scroll.Read(false, false), AutoStep::Wait);
  EXPECT_EQ(scroll.Read(false, true), AutoStep::Send);  // placed while it waited: on down
  EXPECT_EQ(rest(false), AutoStep::SendBack);
  EXPECT_EQ(rest(true), AutoStep::Send);       // placed up there: down again
  EXPECT_EQ(rest(true), AutoStep::Send);       // placed this time: the tries start over
  EXPECT_EQ(rest(false), AutoStep::SendBack);
  EXPECT_EQ(rest(true), AutoStep::Send);
  EXPECT_EQ(rest(false), AutoStep::SendBack);  // lost again: the second try
  EXPECT_EQ(rest(true), AutoStep::Send);
  EXPECT_EQ(rest(false), AutoStep::Stuck);
  EXPECT_FALSE(scroll.Running());
}

}  // namespace
