// A long picture stitched from reads of a region whose content scrolls vertically. Window-free.
//
// Each read is placed by matching its rows against the picture so far (row hashes find candidate
// places, the rows themselves confirm them), and only the rows below the picture's end are added.
// A band at the top or bottom of the region that stays while the rest scrolls (a sticky header, a
// toolbar, an input box) is told apart by comparing each read with the last one placed: the top band
// enters the picture once with the first read, the bottom band is that of the last read that added
// rows, at the picture's end. A read that cannot be placed with certainty is left out; a small
// change in place (a caret, an animated icon) does not stop the match.
//
// Rows that change by themselves (a video, a spinner, a "typing..." line) are learnt from reads
// taken at rest: what differs between two reads that did not scroll is moving content, left out of
// every later match, both where it lies in the picture and where it lies in the region. Rows near
// the pointer may be lit by it. The rows a read adds below the picture's end are kept only once a
// later read further down shows them again; until then a read that shows them otherwise (a tooltip
// or a toast that covered them has gone) replaces them.
#pragma once

#include <cstddef>
#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "common/rect.h"

enum class ReadResult : uint8_t {
  Started,    // the first read: the picture is that read
  Unchanged,  // nothing moved (a spot changed in place at most)
  Grew,       // rows were added
  Inside,     // placed within the picture (scrolled back up): nothing to add
  Lost,       // could not be placed with certainty (scrolled too far in one step, or all changed)
  Full,       // the picture is as tall as it may grow
};

class TLongPicture {
 public:
  // Reads are `width` x `height` pixels; the picture grows to at most `maxRows` rows.
  TLongPicture(int32_t width, int32_t height, int32_t maxRows);

  // Adds a read: 32-bit pixels, top row first, `stride` pixels from one row to the next;
  // `pointerRow` is the read's row under the mouse pointer, or -1 when it is not over the region.
  ReadResult Add(const uint32_t* pixels, std::ptrdiff_t stride, int32_t pointerRow = -1);
  // Whether the latest read showed what the read before it did, unmoved (content that changes by
  // itself aside): the region is at rest.
  bool Resting() const { return resting_; }

  int32_t Width() const { return width_; }
  // The rows so far, the bottom band included; 0 before the first read.
  int32_t Height() const;
  const uint32_t* Row(int32_t y) const;
  // The rows a read is matched against: the picture less its end, which the latest read that added
  // rows gave (the bottom band, and whatever lay below the rows matched then).
  int32_t Matched() const { return static_cast<int32_t>(bodyHashes_.size()); }
  // The rows kept for good: shown by two reads at different places, or left above the reads.
  int32_t Kept() const { return kept_; }
  bool Full() const { return full_; }
  // Copies every row out, top row first, `stride` pixels apart, giving the memory back as it goes:
  // the picture is empty after.
  void MoveTo(uint32_t* pixels, std::ptrdiff_t stride);
  // The rows the picture may hold at most for reads this wide: at least 30,000 at 1920 wide.
  static int32_t MaxRowsFor(int32_t width);

 private:
  // A read and its rows' hashes.
  struct Read {
    std::vector<uint32_t> Pixels;
    std::vector<uint64_t> Hashes;
    const uint32_t* Row(int32_t y, int32_t width) const { return Pixels.data() + static_cast<size_t>(y) * width; }
  };

  void Take(const uint32_t* pixels, std::ptrdiff_t stride, Read& into) const;
  ReadResult AddMoved();
  // Whether the read is the one before it unmoved but for blocks changed in place, which go to
  // `blocks` (read coordinates).
  bool RestsOn(const Read& before, std::vector<Rect>& blocks) const;
  // The rows at the top and at the bottom that the read shares with `against`.
  int32_t TopBand(const Read& against) const;
  int32_t BottomBand(const Read& against, int32_t top) const;
  bool BandRow(const Read& against, int32_t y) const;
  // Where the read's middle rows [top, bottom) lie in the picture: body row = read row + shift;
  // the body's rows from `replaceFrom` on are not kept yet and the read shows them otherwise.
  // False when there is no such place, or another place fits as exactly: one an anchor finds, or
  // one further down where rows that are no anchors meet the picture's end.
  bool Place(int32_t top, int32_t bottom, int32_t& shift, int32_t& replaceFrom) const;
  // Read rows [From, To).
  struct Rows {
    int32_t From, To;
  };
  enum class Fit : uint8_t { None, Changed, Loose, Firm, Exact };
  struct Match {
    Fit Kind = Fit::None;
    Rows ChangedRows{-1, -1};  // with Changed: the rows that differ wholly
    int32_t Telling = 0;       // rows with content that are the body's
    bool Noisy = false;        // with None: two runs differ wholly, neither longer than a spot's
    bool Rival = false;        // with None: it fits, but would replace rows that too few rows shown twice confirm
    int32_t ReplaceFrom = 0;   // the body's first row the read replaces
  };
  Match MatchAt(int32_t shift, int32_t top, int32_t bottom) const;
  bool FitsExactly(int32_t shift, int32_t top, int32_t bottom) const;
  bool SameRow(const uint32_t* read, uint64_t readHash, int32_t bodyRow) const;
  // Whether read row `y` is body row `y + shift` but for content known to move there.
  bool SameButMoving(int32_t y, int32_t shift) const;
  bool Lit(int32_t y, Rows& lit) const;
  void AppendBody(const Read& read, int32_t from, int32_t to);
  void TruncateBody(int32_t rows);
  void SetTail(const Read& read, int32_t from);
  void ClearBody();
  uint32_t* BodyRow(int32_t y);
  const uint32_t* BodyRow(int32_t y) const;

  int32_t width_, height_, maxRows_;
  // The read being added, the one before it, and the last read placed.
  Read current_, last_, reference_;
  bool started_ = false, full_ = false;
  bool resting_ = false;  // the latest read showed the one before it unmoved
  bool lost_ = false;     // the latest read that moved could not be placed
  // Content that changes by itself: where it lies in the body and where in the region; what changed
  // during the present rest and what of it is to be placed in the body (read coordinates).
  std::vector<Rect> moving_, movingInRegion_, rest_, toPlace_;
  Rect hover_{};  // the rows the pointer may light
  // The body's first row the pointer may have lit in each of the latest reads placed.
  std::array<int32_t, 4> lit_{INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX};
  // The shift of the latest read placed, where the region rests, and the rows between its bands.
  int32_t placedShift_ = 0;
  Rows middle_{0, 0};
  // The body: every row placed so far, in blocks; one hash per row, and the rows of each hash.
  std::vector<std::unique_ptr<uint32_t[]>> blocks_;
  std::vector<uint64_t> bodyHashes_;
  std::unordered_map<uint64_t, std::vector<int32_t>> rowsOfHash_;
  int32_t kept_ = 0;  // the body's rows kept for good; those below may still be replaced
  // The body's rows shown by two reads at different places: kept but for those the pointer may
  // have lit. They tell a place as surely as kept rows do.
  int32_t confirmed_ = 0;
  // The bottom band and anything below the body in the last read that added rows.
  std::vector<uint32_t> tail_;
  int32_t tailRows_ = 0;
  // The shift of the last read that added rows; a read at a smaller one lies above it.
  int32_t lastShift_ = 0;
};

