// Scrolls a random document through a region with random steps (smooth, uneven, back up, jumps
// too far, reads at rest), with a fixed header and footer and a spot blinking in the document and
// in the footer, and checks after every read that the long picture is exactly the header, the
// document's first rows and the footer: a prefix of the truth, never a wrong seam. Only the spots'
// columns may differ, inverted, in any row: where the document shows the same rows twice, a read may
// rightly be placed at the other showing, which is the same picture but for the spot the read
// carries. With content that changes by itself (a block of the document animated, the line under
// the pointer lit, a popup over the read's lowest rows), the rows kept are checked, the animated
// block's pixels aside; a row that was only ever seen under the pointer or a popup may stay so.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "fuzz_support.h"
#include "support/scrolled_document.h"

namespace {

constexpr uint32_t kLit = 0x204060;    // the line under the pointer
constexpr uint32_t kPopup = 0xFFFFE1;  // a popup's colour

// The picture's rows, its first `checked` or all, are the truth's (`whole`: the header, the whole
// document and the footer), but in the spots' columns and the animated block.
bool MatchesAPrefix(const TLongPicture& picture, const ScrolledDocument& document, const std::vector<uint32_t>& whole,
                    const Rect& animated, int32_t checked) {
  const int32_t rows = picture.Height() - document.Header - document.Footer;
  if (rows < 0 || rows > document.Rows()) return false;
  const int32_t width = document.Width, wholeHeight = document.Height() - document.View + document.Rows();
  for (int32_t y = 0; y < (checked < 0 ? picture.Height() : checked); ++y) {
    const uint32_t* got = picture.Row(y);
    // All of it, the footer at the end of a prefix, or the rows kept.
    const int32_t at = checked < 0 && y >= picture.Height() - document.Footer ? wholeHeight - (picture.Height() - y) : y;
    const uint32_t* want = whole.data() + static_cast<size_t>(at) * width;
    if (std::memcmp(got, want, static_cast<size_t>(width) * 4) == 0) continue;
    for (int32_t x = 0; x < width; ++x) {
      if (animated.Contains(x, y - document.Header)) continue;
      // A row seen only under the pointer may stay lit, one seen only under a popup covered.
      const bool spot = (x >= document.SpotLeft && x < document.SpotLeft + document.SpotWidth) || x == 0;
      const bool moved = checked >= 0;
      const uint32_t change = got[x] ^ want[x];
      if (change != 0 && !(spot && change == 0xFFFFFF) && !(moved && change == kLit) &&
          !(moved && spot && change == (kLit ^ 0xFFFFFF)) && !(moved && got[x] == kPopup))
        return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  const int32_t width = data.ConsumeIntegralInRange<int32_t>(8, 48);
  const int32_t header = data.ConsumeIntegralInRange<int32_t>(0, 12), footer = data.ConsumeIntegralInRange<int32_t>(0, 12);
  const int32_t view = data.ConsumeIntegralInRange<int32_t>(12, 64);
  const int32_t rows = data.ConsumeIntegralInRange<int32_t>(view, 320);
  const int32_t lineRows = data.ConsumeIntegralInRange<int32_t>(1, 16), gapRows = data.ConsumeIntegralInRange<int32_t>(0, 40);
  ScrolledDocument document = MakeDocument(width, rows, header, footer, view, data.ConsumeIntegral<uint32_t>(), lineRows, gapRows);
  // A stretch of the document shown again once or twice right after, then other rows: places that
  // look alike, told apart only by what comes after them.
  int32_t repeatFrom = 0, repeatEnd = 0;  // the rows shown again
  if (data.ConsumeBool()) {
    const int32_t length = data.ConsumeIntegralInRange<int32_t>(1, 96), copies = data.ConsumeIntegralInRange<int32_t>(1, 2);
    repeatFrom = data.ConsumeIntegralInRange<int32_t>(0, rows - 1);
    repeatEnd = std::min(rows, repeatFrom + (copies + 1) * length);
    for (int32_t y = repeatFrom + length; y < repeatEnd; ++y)
      std::copy_n(document.Document.begin() + int64_t{y - length} * width, width, document.Document.begin() + int64_t{y} * width);
  }
  if (data.ConsumeBool()) {
    document.SpotTop = data.ConsumeIntegralInRange<int32_t>(0, rows - 1);
    document.SpotRows = data.ConsumeIntegralInRange<int32_t>(1, 20);
    document.SpotLeft = data.ConsumeIntegralInRange<int32_t>(0, width - 1);
    document.SpotWidth = std::min(data.ConsumeIntegralInRange<int32_t>(1, 3), width - document.SpotLeft);
  }
  const int32_t footerSpot = footer > 0 && data.ConsumeBool() ? data.ConsumeIntegralInRange<int32_t>(0, footer - 1) : -1;
  const int32_t maxRows = data.ConsumeBool() ? data.ConsumeIntegralInRange<int32_t>(document.Height(), 600) : 100000;

  // Content that changes by itself: a block of the document, the line under a pointer, a popup.
  Rect animated{};
  if (data.ConsumeBool()) {
    animated.Left = data.ConsumeIntegralInRange<int32_t>(0, width - 1);
    animated.Right = data.ConsumeIntegralInRange<int32_t>(animated.Left + 1, width);
    animated.Top = data.ConsumeIntegralInRange<int32_t>(0, rows - 1);
    animated.Bottom = data.ConsumeIntegralInRange<int32_t>(animated.Top + 1, std::min(rows, animated.Top + view));
  }
  const int32_t pointerRow = data.ConsumeBool() ? data.ConsumeIntegralInRange<int32_t>(0, document.Height() - 1) : -1;
  const bool popups = data.ConsumeBool();
  const bool moving = animated.Height() > 0 || pointerRow >= 0 || popups;

  TLongPicture picture(width, document.Height(), maxRows);
  const std::vector<uint32_t> whole = document.Expected(document.Rows());
  int32_t offset = 0;
  uint32_t frame = 0;
  while (data.remaining_bytes() > 0) {
    document.SpotOn = data.ConsumeBool();
    std::vector<uint32_t> read = document.Read(offset);
    if (footerSpot >= 0 && document.SpotOn) read[size_t(header + view + footerSpot) * width] ^= 0xFFFFFF;
    ++frame;
    for (int32_t y = std::max(animated.Top, offset); y < std::min(animated.Bottom, offset + view); ++y)
      for (int32_t x = animated.Left; x < animated.Right; ++x) read[size_t(header + y - offset) * width + x] = frame * 0x10101 ^ x;
    // A popup over the lowest rows of a read among rows shown twice, or a line lit there, looks
    // exactly as the rows after their other showing: no picture tells the two apart. Both come
    // elsewhere.
    const bool amongRepeated = offset + view > repeatFrom && offset < repeatEnd;
    if (pointerRow >= header && pointerRow < header + view && !amongRepeated) {
      const int32_t line = (offset + pointerRow - header) / (lineRows + gapRows) * (lineRows + gapRows) + header - offset;
      for (int32_t y = std::max(line, header); y < std::min(line + lineRows, header + view); ++y)
        for (int32_t x = 0; x < width; ++x) read[size_t(y) * width + x] ^= kLit;
    }
    if (popups && data.ConsumeBool() && !amongRepeated)
      std::fill(read.end() - std::min(view / 3, 8) * width - footer * width, read.end() - footer * width, kPopup);
    picture.Add(read.data(), width, amongRepeated ? -1 : pointerRow);
    FUZZ_CHECK(picture.Height() <= std::max(maxRows, document.Height()));
    FUZZ_CHECK(MatchesAPrefix(picture, document, whole, animated, moving ? picture.Kept() : -1));
    if (data.ConsumeBool()) continue;  // another read at rest
    const int32_t next = std::clamp(offset + data.ConsumeIntegralInRange<int32_t>(-view, 2 * view), 0, document.LastOffset());
    // A step too far that lands among the rows shown again may look exactly as one within reach of
    // the rows matched (8 rows of overlap, bands aside, which take in the blank rows next to them):
    // no picture tells the two apart, and the read would be placed over the first showing. There
    // the steps stay within reach; so do they all with the pointer over the region, where rows a
    // jump skipped stay as the pointer lit them, and a read among rows shown twice, lit otherwise,
    // is as much like the rows after their other showing. A spot that blinks in the overlap leaves
    // fewer rows exactly alike: the reach leaves room for it.
    const int32_t matched = picture.Matched() > 0 ? picture.Matched() : header + view;  // the first read's, at first
    const int32_t reach = matched - header - 2 * gapRows - 8 - document.SpotRows;
    const bool repeated = next < repeatEnd && next + view > repeatFrom;
    offset = next > reach && (repeated || pointerRow >= 0) ? std::max(reach, 0) : next;
  }
  return 0;
}
