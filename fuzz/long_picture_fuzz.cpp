// Scrolls a random document through a region with random steps (smooth, uneven, back up, jumps
// too far), with a fixed header and footer and a spot blinking in the document and in the footer,
// and checks after every read that the long picture is exactly the header, the document's first
// rows and the footer: a prefix of the truth, never a wrong seam. Only the spots' columns may differ,
// inverted, in any row: where the document shows the same rows twice, a read may rightly be placed
// at the other showing, which is the same picture but for the spot the read carries.
#include <algorithm>
#include <cstdint>

#include "fuzz_support.h"
#include "support/scrolled_document.h"

namespace {

// The picture's rows are the truth's, but in the spots' columns.
bool MatchesAPrefix(const TLongPicture& picture, const ScrolledDocument& document) {
  const int32_t rows = picture.Height() - document.Header - document.Footer;
  if (rows < 0 || rows > document.Rows()) return false;
  const std::vector<uint32_t> truth = document.Expected(rows);
  const int32_t width = document.Width;
  for (int32_t y = 0; y < picture.Height(); ++y) {
    const uint32_t* got = picture.Row(y);
    const uint32_t* want = truth.data() + static_cast<size_t>(y) * width;
    for (int32_t x = 0; x < width; ++x) {
      if (got[x] == want[x]) continue;
      const bool spotColumn = (x >= document.SpotLeft && x < document.SpotLeft + document.SpotWidth) || x == 0;
      if (!spotColumn || got[x] != (want[x] ^ 0xFFFFFF)) return false;
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

  TLongPicture picture(width, document.Height(), maxRows);
  int32_t offset = 0;
  while (data.remaining_bytes() > 0) {
    document.SpotOn = data.ConsumeBool();
    std::vector<uint32_t> read = document.Read(offset);
    if (footerSpot >= 0 && document.SpotOn) read[size_t(header + view + footerSpot) * width] ^= 0xFFFFFF;
    picture.Add(read.data(), width);
    FUZZ_CHECK(picture.Height() <= std::max(maxRows, document.Height()));
    FUZZ_CHECK(MatchesAPrefix(picture, document));
    const int32_t next = std::clamp(offset + data.ConsumeIntegralInRange<int32_t>(-view, 2 * view), 0, document.LastOffset());
    // A step too far that lands among the rows shown again may look exactly as one within reach of
    // the rows matched (8 rows of overlap, bands aside, which take in the blank rows next to them):
    // no picture tells the two apart, and the read would be placed over the first showing. There
    // the steps stay within reach.
    const int32_t matched = picture.Matched() > 0 ? picture.Matched() : header + view;  // the first read's, at first
    const int32_t reach = matched - header - 2 * gapRows - 8;
    offset = next > reach && next < repeatEnd && next + view > repeatFrom ? std::max(reach, 0) : next;
  }
  return 0;
}
