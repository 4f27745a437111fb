#include "scrolling/long_picture.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr int32_t kBlockRows = 256;
// A spot that changes in place: at most this many rows in one run (a caret, an animated icon).
constexpr int32_t kSpotRows = 48;
// A read overlaps the picture by at least this many rows to be placed.
constexpr int32_t kMinOverlap = 8;
// Changed rows a firm placement tolerates at most: two spots.
constexpr int32_t kMaxChangedRows = 2 * kSpotRows;
// Rows that say where a read lies: the first this many of its distinctive rows found in the
// picture, each found at most this many times there (a row that repeats says little).
constexpr int32_t kMaxAnchors = 24;
constexpr size_t kMaxAnchorHits = 16;
// What the picture may hold: 32,768 rows at 1920 wide, fewer for wider reads, and no more rows
// than the file formats take.
constexpr int64_t kMaxPixels = 1920LL * 32768;
constexpr int32_t kMaxRows = 65000;

// A quarter of the row, at least 3 columns however narrow the read (a caret is that wide; less
// only in a read narrower than that), at most 96.
int32_t SpotWidth(int32_t width) { return std::clamp(width / 4, std::min(3, std::max(width - 1, 1)), 96); }

bool Uniform(const uint32_t* row, int32_t width) {
  return std::all_of(row + 1, row + width, [&](uint32_t pixel) { return pixel == row[0]; });
}

}  // namespace

uint64_t RowHash(const uint32_t* row, int32_t width) {
  // Two lanes of two pixels each, so the multiplications overlap.
  constexpr uint64_t kMix = 0x9FB21C651E98DF25ULL;
  uint64_t a = 0x9E3779B97F4A7C15ULL ^ static_cast<uint64_t>(width), b = 0xC2B2AE3D27D4EB4FULL;
  int32_t x = 0;
  for (; x + 4 <= width; x += 4) {
    uint64_t u, v;
    std::memcpy(&u, row + x, 8);
    std::memcpy(&v, row + x + 2, 8);
    a = (a ^ u) * kMix;
    a ^= a >> 29;
    b = (b ^ v) * kMix;
    b ^= b >> 29;
  }
  for (; x < width; ++x) a = ((a ^ row[x]) * kMix) ^ (a >> 31);
  uint64_t h = (a ^ (b * 0xD6E8FEB86659FD93ULL)) * kMix;
  return h ^ (h >> 32);
}

bool RowsAlike(const uint32_t* a, const uint32_t* b, int32_t width) {
  int32_t first = 0;
  while (first < width && a[first] == b[first]) ++first;
  if (first == width) return true;
  int32_t last = width - 1;
  while (a[last] == b[last]) --last;
  return last - first < SpotWidth(width);
}

int32_t TLongPicture::MaxRowsFor(int32_t width) {
  return static_cast<int32_t>(std::min<int64_t>(kMaxRows, kMaxPixels / std::max(width, 1)));
}

TLongPicture::TLongPicture(int32_t width, int32_t height, int32_t maxRows)
    : width_(width), height_(height), maxRows_(std::max(maxRows, height)) {}

int32_t TLongPicture::Height() const {
  if (!started_) return 0;
  if (bodyHashes_.empty()) return height_;
  return static_cast<int32_t>(bodyHashes_.size()) + tailRows_;
}

const uint32_t* TLongPicture::Row(int32_t y) const {
  if (bodyHashes_.empty()) return reference_.Row(y, width_);  // the first read, as it stands
  const auto body = static_cast<int32_t>(bodyHashes_.size());
  if (y < body) return BodyRow(y);
  return tail_.data() + static_cast<size_t>(y - body) * width_;
}

uint32_t* TLongPicture::BodyRow(int32_t y) {
  return blocks_[static_cast<size_t>(y / kBlockRows)].get() + static_cast<size_t>(y % kBlockRows) * width_;
}

const uint32_t* TLongPicture::BodyRow(int32_t y) const {
  return blocks_[static_cast<size_t>(y / kBlockRows)].get() + static_cast<size_t>(y % kBlockRows) * width_;
}

void TLongPicture::Take(const uint32_t* pixels, std::ptrdiff_t stride, Read& into) const {
  into.Pixels.resize(static_cast<size_t>(width_) * height_);
  into.Hashes.resize(static_cast<size_t>(height_));
  for (int32_t y = 0; y < height_; ++y) {
    const uint32_t* row = pixels + y * stride;
    std::memcpy(into.Pixels.data() + static_cast<size_t>(y) * width_, row, static_cast<size_t>(width_) * 4);
    into.Hashes[static_cast<size_t>(y)] = RowHash(row, width_);
  }
}

ReadResult TLongPicture::Add(const uint32_t* pixels, std::ptrdiff_t stride) {
  if (full_) return ReadResult::Full;
  Take(pixels, stride, current_);
  if (!started_) {
    started_ = true;
    reference_ = current_;
    std::swap(last_, current_);
    return ReadResult::Started;
  }
  if (current_.Hashes == last_.Hashes && current_.Pixels == last_.Pixels) return ReadResult::Unchanged;
  const ReadResult result = AddMoved();
  std::swap(last_, current_);
  return result;
}

// The bands are measured against the last read placed (a read that could not be placed, a menu
// over the region say, may have changed them); where that finds no place, against the read before,
// since a band may have come since (a header that sticks from some row on).
ReadResult TLongPicture::AddMoved() {
  const bool first = bodyHashes_.empty();
  int32_t top = TopBand(reference_), bottom = height_ - BottomBand(reference_, top);
  // All but a few rows as they were: a spot changed in place and nothing scrolled (a scroll changes
  // every row of the middle).
  if (bottom - top < kMinOverlap) return ReadResult::Unchanged;
  if (first) {
    // The first read that moved tells the bands: the picture starts as the first read, less its
    // bottom band, which follows whatever is added.
    AppendBody(reference_, 0, bottom);
    SetTail(reference_, bottom);
  }
  int32_t shift = 0;
  bool placed = Place(top, bottom, shift);
  if (!placed && !first && last_.Hashes != reference_.Hashes) {
    // A band that came since the last read placed (a header that sticks from here on) is a band
    // against the read before this one.
    top = TopBand(last_);
    bottom = height_ - BottomBand(last_, top);
    placed = bottom - top >= kMinOverlap && Place(top, bottom, shift);
  }
  if (!placed) {
    if (first) ClearBody();  // the bands stay untold until a read is placed
    return ReadResult::Lost;
  }
  reference_ = current_;
  if (shift <= lastShift_) return ReadResult::Inside;

  const auto body = static_cast<int32_t>(bodyHashes_.size());
  const int32_t end = body - shift;  // the read's row where the body ends
  // The rows below the body up to the bottom band join it; the band, or whatever of the read lies
  // below the body's end, is the new tail.
  const int32_t tailFrom = std::max(end, bottom);
  if (body + (height_ - end) > maxRows_) {
    // The read would take the picture past its limit: it stays as it was, whole and exact.
    full_ = true;
    return ReadResult::Full;
  }
  AppendBody(current_, end, tailFrom);
  SetTail(current_, tailFrom);
  lastShift_ = shift;
  return ReadResult::Grew;
}

bool TLongPicture::BandRow(const Read& against, int32_t y) const {
  const size_t row = static_cast<size_t>(y);
  return current_.Hashes[row] == against.Hashes[row] &&
         std::memcmp(current_.Row(y, width_), against.Row(y, width_), static_cast<size_t>(width_) * 4) == 0;
}

// The rows from the top that stayed as they were, and one run of rows changed in a spot among them
// or at their end (a blinking caret in a header's search box). Taking a row that scrolled for part
// of a band costs nothing (the bottom band goes to the end of the picture from the latest read, the
// top band only keeps rows out of the match); leaving a band's row out would repeat it at a seam.
int32_t TLongPicture::TopBand(const Read& against) const {
  int32_t y = 0;
  bool spotSeen = false;
  while (y < height_) {
    if (BandRow(against, y)) {
      ++y;
      continue;
    }
    if (spotSeen) break;
    int32_t end = y;
    while (end < height_ && end - y <= kSpotRows && !BandRow(against, end) &&
           RowsAlike(current_.Row(end, width_), against.Row(end, width_), width_))
      ++end;
    if (end == y || end - y > kSpotRows) break;
    spotSeen = true;
    y = end;
  }
  return y;
}

int32_t TLongPicture::BottomBand(const Read& against, int32_t top) const {
  int32_t y = height_;  // rows [y, height_) are the band
  bool spotSeen = false;
  while (y > top) {
    if (BandRow(against, y - 1)) {
      --y;
      continue;
    }
    if (spotSeen) break;
    int32_t start = y;
    while (start > top && y - start <= kSpotRows && !BandRow(against, start - 1) &&
           RowsAlike(current_.Row(start - 1, width_), against.Row(start - 1, width_), width_))
      --start;
    if (start == y || y - start > kSpotRows) break;
    spotSeen = true;
    y = start;
  }
  return height_ - y;
}

bool TLongPicture::SameRow(const uint32_t* read, uint64_t readHash, int32_t bodyRow) const {
  return bodyHashes_[static_cast<size_t>(bodyRow)] == readHash &&
         std::memcmp(read, BodyRow(bodyRow), static_cast<size_t>(width_) * 4) == 0;
}

// How well the read's middle matches the body at this shift, over the rows both hold (enough of
// them): Firm when every row is the body's or differs from it in a spot and few rows differ; Loose
// when every row is alike but more differ; Changed when, besides, one run of a spot's rows at most
// differs wholly (a highlight under the pointer, an animation wider than a spot) and enough rows
// still match: no place to take, but maybe the true one. The run goes to `changedRows`.
TLongPicture::Fit TLongPicture::FitAt(int32_t shift, int32_t top, int32_t bottom, Rows* changedRows) const {
  const auto body = static_cast<int32_t>(bodyHashes_.size());
  const int32_t from = std::max(top, -shift), to = std::min(bottom, body - shift);
  if (to - from < kMinOverlap) return Fit::None;
  int32_t changed = 0;
  Rows run{-1, -1};
  for (int32_t y = from; y < to; ++y) {
    const uint32_t* row = current_.Row(y, width_);
    if (SameRow(row, current_.Hashes[static_cast<size_t>(y)], y + shift)) continue;
    if (RowsAlike(row, BodyRow(y + shift), width_)) {
      ++changed;
      continue;
    }
    if (run.From < 0) run.From = y;
    else if (run.To != y) return Fit::None;  // a second run
    run.To = y + 1;
    if (run.To - run.From > kSpotRows) return Fit::None;
  }
  if (run.From >= 0) {
    if (to - from - (run.To - run.From) < kMinOverlap) return Fit::None;
    if (changedRows != nullptr) *changedRows = run;
    return Fit::Changed;
  }
  return changed <= kMaxChangedRows ? Fit::Firm : Fit::Loose;
}

// Candidate places come from the middle's distinctive rows (not blank, not repeated within the
// read, found in the body a few times at most), top first: scrolling down, the top of the middle
// is what the body already holds. Every candidate is checked whole. Exactly one may match, even
// loosely (a place that matches but for a spot may be the true one), and it must match firmly.
// A place that matches but for a change in place may be the true one too (a read scrolled back
// up, its top rows repeated at the picture's end), unless the place taken holds the changed rows
// as they are (it scrolled on from there, the rows around repeated).
bool TLongPicture::Place(int32_t top, int32_t bottom, int32_t& shift) const {
  std::unordered_map<uint64_t, int32_t> inRead;
  for (int32_t y = top; y < bottom; ++y) ++inRead[current_.Hashes[static_cast<size_t>(y)]];
  std::vector<Rows> changes;  // the rows changed at each place that matches but for them
  std::vector<int32_t> tried;
  int32_t found = 0, anchors = 0;
  bool firm = false;
  for (int32_t y = top; y < bottom && anchors < kMaxAnchors; ++y) {
    const uint64_t hash = current_.Hashes[static_cast<size_t>(y)];
    if (inRead[hash] != 1) continue;
    const auto hits = rowsOfHash_.find(hash);
    if (hits == rowsOfHash_.end() || hits->second.size() > kMaxAnchorHits) continue;
    if (Uniform(current_.Row(y, width_), width_)) continue;
    // One of a run of equal rows in the picture (a caret or a rule down a blank stretch) says
    // nothing exact: the read's edge may have cut the run anywhere.
    const std::vector<int32_t>& rows = hits->second;
    if (std::adjacent_find(rows.begin(), rows.end(), [](int32_t a, int32_t b) { return b == a + 1; }) != rows.end()) continue;
    ++anchors;
    for (const int32_t at : rows) {
      const int32_t candidate = at - y;
      if (std::find(tried.begin(), tried.end(), candidate) != tried.end()) continue;
      tried.push_back(candidate);
      Rows changedRows;
      const Fit fit = FitAt(candidate, top, bottom, &changedRows);
      if (fit == Fit::None) continue;
      if (fit == Fit::Changed) {
        changes.push_back(changedRows);
        continue;
      }
      if (++found > 1) return false;  // two places: not certain
      shift = candidate;
      firm = fit == Fit::Firm;
    }
  }
  if (found != 1 || !firm) return false;
  const auto body = static_cast<int32_t>(bodyHashes_.size());
  const int32_t heldFrom = std::max(top, -shift), heldTo = std::min(bottom, body - shift);
  for (const Rows& change : changes)
    if (change.From < heldFrom || change.To > heldTo) return false;
  // A read that went on down may overlap the picture's end in rows that no anchor finds (rows
  // repeated further up, where the anchor found them): any such place that fits as well makes it
  // uncertain.
  std::sort(tried.begin(), tried.end());
  for (int32_t other = lastShift_ + 1; other <= body - top - kMinOverlap; ++other)
    if (!std::binary_search(tried.begin(), tried.end(), other) && Fits(other, top, bottom)) return false;
  return true;
}

// Whether the read's middle matches the body at this shift as a place to take seriously: every
// row the same or alike, and one at least distinctive (blank rows meet blank rows
// anywhere on a page, and so do the rows of a rule down a blank stretch). Most places are told
// apart by the rows' hashes alone.
bool TLongPicture::Fits(int32_t shift, int32_t top, int32_t bottom) const {
  const auto body = static_cast<int32_t>(bodyHashes_.size());
  const int32_t from = std::max(top, -shift), to = std::min(bottom, body - shift);
  const auto& hashes = current_.Hashes;
  for (int32_t y = from; y < to; ++y)
    if (bodyHashes_[static_cast<size_t>(y + shift)] != hashes[static_cast<size_t>(y)] &&
        !RowsAlike(current_.Row(y, width_), BodyRow(y + shift), width_))
      return false;
  const auto distinctive = [&](int32_t y) {
    const auto row = static_cast<size_t>(y);
    return (y == 0 || hashes[row - 1] != hashes[row]) && (y + 1 == height_ || hashes[row + 1] != hashes[row]) &&
           !Uniform(current_.Row(y, width_), width_);
  };
  bool content = false;
  for (int32_t y = from; y < to && !content; ++y) content = distinctive(y);
  return content && FitAt(shift, top, bottom) != Fit::None;
}

void TLongPicture::MoveTo(uint32_t* pixels, std::ptrdiff_t stride) {
  const int32_t height = Height();
  const auto body = static_cast<int32_t>(bodyHashes_.size());
  for (int32_t y = 0; y < height; ++y) {
    std::memcpy(pixels + y * stride, Row(y), static_cast<size_t>(width_) * 4);
    // A block goes once its last row is out; the tail lies apart.
    if (y < body && (y % kBlockRows == kBlockRows - 1 || y == body - 1)) blocks_[static_cast<size_t>(y / kBlockRows)].reset();
  }
  *this = TLongPicture(width_, height_, maxRows_);
}

void TLongPicture::ClearBody() {
  blocks_.clear();
  bodyHashes_.clear();
  rowsOfHash_.clear();
  tail_.clear();
  tailRows_ = 0;
}

void TLongPicture::AppendBody(const Read& read, int32_t from, int32_t to) {
  for (int32_t y = from; y < to; ++y) {
    const auto at = static_cast<int32_t>(bodyHashes_.size());
    if (at % kBlockRows == 0) blocks_.push_back(std::make_unique<uint32_t[]>(static_cast<size_t>(kBlockRows) * width_));
    std::memcpy(BodyRow(at), read.Row(y, width_), static_cast<size_t>(width_) * 4);
    const uint64_t hash = read.Hashes[static_cast<size_t>(y)];
    bodyHashes_.push_back(hash);
    rowsOfHash_[hash].push_back(at);
  }
}

void TLongPicture::SetTail(const Read& read, int32_t from) {
  tailRows_ = height_ - from;
  tail_.assign(read.Row(from, width_), read.Row(from, width_) + static_cast<size_t>(tailRows_) * width_);
}
