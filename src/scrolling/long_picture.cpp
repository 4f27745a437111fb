#include "scrolling/long_picture.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

namespace {

constexpr int32_t kBlockRows = 256;
// A spot that changes in place: at most this many rows in one run (a caret, an animated icon).
constexpr int32_t kSpotRows = 48;
// A read agrees with the picture in at least this many rows to be placed.
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
// The rows either side of the pointer that a highlight following it may change: at most an eighth
// of the read, so that most of it always tells where it lies.
constexpr int32_t kHoverRows = 40;
// A second run of rows lit near the pointer.
constexpr int32_t kTwoLit = -2;
// Blocks of moving content this close are one; each is widened by as much.
constexpr int32_t kBlockMargin = 4;
// A read at rest holds at most this many blocks changed in place: more is a page that moved.
constexpr size_t kMaxRestBlocks = 4;

// A quarter of the row, at least 3 columns however narrow the read (a caret is that wide; less
// only in a read narrower than that), at most 96.
int32_t SpotWidth(int32_t width) { return std::clamp(width / 4, std::min(3, std::max(width - 1, 1)), 96); }

bool Uniform(const uint32_t* row, int32_t width) {
  return std::all_of(row + 1, row + width, [&](uint32_t pixel) { return pixel == row[0]; });
}

// Whether two blocks meet or nearly meet.
bool Near(const Rect& a, const Rect& b) {
  const Rect both = Intersection({a.Left - kBlockMargin, a.Top - kBlockMargin, a.Right + kBlockMargin, a.Bottom + kBlockMargin}, b);
  return both.Width() > 0 && both.Height() > 0;
}

// Adds a block to a list, as one with any it meets or nearly meets.
void AddBlock(std::vector<Rect>& blocks, Rect block) {
  for (size_t i = 0; i < blocks.size();) {
    const Rect& other = blocks[i];
    if (Near(other, block)) {
      block = {std::min(block.Left, other.Left), std::min(block.Top, other.Top), std::max(block.Right, other.Right),
               std::max(block.Bottom, other.Bottom)};
      blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(i));
      i = 0;
    } else {
      ++i;
    }
  }
  blocks.push_back(block);
}

struct Columns {
  int32_t From, To;
};

// The columns of the blocks that cross row `y`.
void ColumnsAt(const std::vector<Rect>& blocks, int32_t y, std::vector<Columns>& columns) {
  for (const Rect& block : blocks)
    if (block.Top <= y && y < block.Bottom) columns.push_back({block.Left, block.Right});
}

// Whether two rows are equal outside the columns given.
bool SameOutside(const uint32_t* a, const uint32_t* b, int32_t width, std::vector<Columns>& columns) {
  std::sort(columns.begin(), columns.end(), [](const Columns& l, const Columns& r) { return l.From < r.From; });
  int32_t x = 0;
  for (const Columns& skip : columns) {
    const int32_t to = std::clamp(skip.From, x, width);
    if (std::memcmp(a + x, b + x, static_cast<size_t>(to - x) * 4) != 0) return false;
    x = std::clamp(skip.To, x, width);
  }
  return std::memcmp(a + x, b + x, static_cast<size_t>(width - x) * 4) == 0;
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

namespace {

// The columns [first, last] where two rows differ; first == width when they do not.
void DifferingColumns(const uint32_t* a, const uint32_t* b, int32_t width, int32_t& first, int32_t& last) {
  first = 0;
  while (first < width && a[first] == b[first]) ++first;
  last = width - 1;
  while (last > first && a[last] == b[last]) --last;
}

}  // namespace

bool RowsAlike(const uint32_t* a, const uint32_t* b, int32_t width) {
  int32_t first, last;
  DifferingColumns(a, b, width, first, last);
  return first == width || last - first < SpotWidth(width);
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

ReadResult TLongPicture::Add(const uint32_t* pixels, std::ptrdiff_t stride, int32_t pointerRow) {
  if (full_) return ReadResult::Full;
  Take(pixels, stride, current_);
  const int32_t hover = std::min(kHoverRows, height_ / 8);
  hover_ = pointerRow >= 0 && pointerRow < height_ ? Rect{0, pointerRow - hover, width_, pointerRow + hover + 1} : Rect{};
  if (!started_) {
    started_ = true;
    reference_ = current_;
    std::swap(last_, current_);
    return ReadResult::Started;
  }
  resting_ = true;
  if (current_.Hashes == last_.Hashes && current_.Pixels == last_.Pixels) return ReadResult::Unchanged;
  std::vector<Rect> blocks;
  if (RestsOn(last_, blocks)) {
    // Nothing scrolled. What changes again during one rest moves by itself; what changed once may
    // as well be a menu come or gone, or a page that jumped under fixed bands. Rows not kept yet
    // may be still painting after the scroll (they are replaced as they come).
    for (Rect block : blocks) {
      if (!bodyHashes_.empty() && !lost_) block.Bottom = std::min(block.Bottom, kept_ - placedShift_);
      if (block.Height() <= 0) continue;
      if (std::any_of(rest_.begin(), rest_.end(), [&](const Rect& seen) { return Near(seen, block); })) {
        AddBlock(movingInRegion_, block);
        AddBlock(toPlace_, block);
      }
      AddBlock(rest_, block);
    }
  } else {
    resting_ = false;
    rest_.clear();
    toPlace_.clear();
  }
  const ReadResult result = AddMoved();
  lost_ = result == ReadResult::Lost;
  if (!lost_) {
    // Placed: the region rests with body row = read row + the shift.
    for (const Rect& block : toPlace_) AddBlock(moving_, {block.Left, block.Top + placedShift_, block.Right, block.Bottom + placedShift_});
    toPlace_.clear();
  }
  std::swap(last_, current_);
  return result;
}

// Rows found once in each read vote for the shift between them; at rest, the rows that agree
// unmoved are a good part of the read and no row says it moved. What differs lies in a few blocks.
bool TLongPicture::RestsOn(const Read& before, std::vector<Rect>& blocks) const {
  // Most reads that moved are told at once: hardly a row with content stayed where it was.
  int32_t unmoved = 0;
  for (int32_t y = 0; y < height_ && unmoved < kMinOverlap; ++y)
    unmoved += current_.Hashes[static_cast<size_t>(y)] == before.Hashes[static_cast<size_t>(y)] && !Uniform(current_.Row(y, width_), width_);
  if (unmoved < kMinOverlap) return false;
  std::unordered_map<uint64_t, int32_t> rowBefore, countNow;
  for (int32_t y = 0; y < height_; ++y) {
    const auto [at, fresh] = rowBefore.emplace(before.Hashes[static_cast<size_t>(y)], y);
    if (!fresh) at->second = -1;
    ++countNow[current_.Hashes[static_cast<size_t>(y)]];
  }
  int32_t still = 0, moved = 0, changed = 0;
  for (int32_t y = 0; y < height_; ++y) {
    const uint64_t hash = current_.Hashes[static_cast<size_t>(y)];
    const uint32_t *now = current_.Row(y, width_), *then = before.Row(y, width_);
    if (hash != before.Hashes[static_cast<size_t>(y)] || std::memcmp(now, then, static_cast<size_t>(width_) * 4) != 0) {
      ++changed;
      int32_t left = 0, right = width_;
      while (now[left] == then[left]) ++left;
      while (now[right - 1] == then[right - 1]) --right;
      AddBlock(blocks, {left - kBlockMargin, y - kBlockMargin, right + kBlockMargin, y + 1 + kBlockMargin});
    }
    if (countNow[hash] != 1 || Uniform(now, width_)) continue;
    const auto found = rowBefore.find(hash);
    if (found == rowBefore.end() || found->second < 0) continue;
    if (found->second == y) ++still;
    else ++moved;
  }
  for (Rect& block : blocks) block = Intersection(block, {0, 0, width_, height_});
  return blocks.size() <= kMaxRestBlocks && still >= kMinOverlap && 2 * still >= changed && moved <= std::min(2, still / 8);
}

// The bands are measured against the last read placed (a read that could not be placed, a menu
// over the region say, may have changed them); where that finds no place, against the read before,
// since a band may have come since (a header that sticks from some row on).
ReadResult TLongPicture::AddMoved() {
  const bool first = bodyHashes_.empty();
  // At rest the bands are those of the latest read placed: a read that changed only in place
  // would take nearly every row for a band.
  const bool known = resting_ && !first;
  int32_t top = known ? middle_.From : TopBand(reference_), bottom = known ? middle_.To : height_ - BottomBand(reference_, top);
  // All but a few rows as they were: a spot changed in place and nothing scrolled (a scroll changes
  // every row of the middle).
  if (bottom - top < kMinOverlap) return ReadResult::Unchanged;
  if (first) {
    // The first read that moved tells the bands: the picture starts as the first read, less its
    // bottom band, which follows whatever is added.
    AppendBody(reference_, 0, bottom);
    SetTail(reference_, bottom);
  }
  int32_t shift = 0, replaceFrom = 0;
  bool placed = Place(top, bottom, shift, replaceFrom);
  if (!placed && !first && !known && last_.Hashes != reference_.Hashes) {
    // A band that came since the last read placed (a header that sticks from here on) is a band
    // against the read before this one.
    top = TopBand(last_);
    bottom = height_ - BottomBand(last_, top);
    placed = bottom - top >= kMinOverlap && Place(top, bottom, shift, replaceFrom);
  }
  if (!placed) {
    if (first) ClearBody();  // the bands stay untold until a read is placed
    return ReadResult::Lost;
  }
  reference_ = current_;
  middle_ = {top, bottom};
  const int32_t before = placedShift_;
  placedShift_ = shift;
  // The pointer lights rows where it is, and for a few reads where it was before the scroll (until
  // the window notices the rows moved under it).
  std::rotate(lit_.rbegin(), lit_.rbegin() + 1, lit_.rend());
  lit_[0] = hover_.Height() > 0 ? hover_.Top + shift : INT32_MAX;
  const auto body = static_cast<int32_t>(bodyHashes_.size());
  if (shift < lastShift_ || (shift == lastShift_ && replaceFrom == body))
    return shift == before && resting_ ? ReadResult::Unchanged : ReadResult::Inside;

  // The rows not kept yet that this read shows again further down are kept, but for those the
  // pointer may have lit; from the first it shows otherwise, the read's rows replace them, where it
  // stands as far down at least. The rows below the body up to the bottom band join it; the band, or
  // whatever of the read lies below the body's end, is the new tail.
  const int32_t end = replaceFrom - shift;  // the read's row where the body ends
  const int32_t tailFrom = std::max(end, bottom);
  if (replaceFrom + (height_ - end) > maxRows_) {
    // The read would take the picture past its limit: it stays as it was, whole and exact.
    full_ = true;
    return ReadResult::Full;
  }
  if (shift > lastShift_) kept_ = std::clamp(*std::min_element(lit_.begin(), lit_.end()), kept_, replaceFrom);
  TruncateBody(replaceFrom);
  AppendBody(current_, end, tailFrom);
  SetTail(current_, tailFrom);
  lastShift_ = shift;
  return ReadResult::Grew;
}

bool TLongPicture::BandRow(const Read& against, int32_t y) const {
  const size_t row = static_cast<size_t>(y);
  const uint32_t *now = current_.Row(y, width_), *then = against.Row(y, width_);
  if (current_.Hashes[row] == against.Hashes[row] && std::memcmp(now, then, static_cast<size_t>(width_) * 4) == 0) return true;
  std::vector<Columns> columns;
  ColumnsAt(movingInRegion_, y, columns);
  return !columns.empty() && SameOutside(now, then, width_, columns);
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

bool TLongPicture::SameButMoving(int32_t y, int32_t shift) const {
  std::vector<Columns> columns;
  ColumnsAt(moving_, y + shift, columns);
  ColumnsAt(movingInRegion_, y, columns);
  return !columns.empty() && SameOutside(current_.Row(y, width_), BodyRow(y + shift), width_, columns);
}

// How the read's middle meets the body at this shift, over the rows both hold. Rows that are the
// body's, or are but for content known to move, agree; enough of them must. Exact when every other
// row is left out that way; Firm when the rest differ from the body in a spot and few do; Loose
// when more do; Changed when, besides, one run of a spot's rows at most differs wholly (a
// highlight under the pointer, an animation not yet seen moving): no place to take, but maybe the
// true one. Rows not kept yet that the read shows otherwise are the read's from the first of them
// on.
TLongPicture::Match TLongPicture::MatchAt(int32_t shift, int32_t top, int32_t bottom) const {
  const auto body = static_cast<int32_t>(bodyHashes_.size());
  const int32_t from = std::max(top, -shift), to = std::min(bottom, body - shift);
  Match match;
  match.ReplaceFrom = body;
  int32_t agree = 0, agreeKept = 0, alike = 0;
  int32_t stripFrom = width_, stripTo = -1;  // the columns the rows alike differ in
  Rows run{-1, -1}, lit{-1, -1};
  bool fits = true;
  int32_t runs = 0, longest = 0;  // the runs of rows that differ wholly, and the longest
  for (int32_t y = from; y < to; ++y) {
    const int32_t at = y + shift;
    const uint32_t* row = current_.Row(y, width_);
    if (SameRow(row, current_.Hashes[static_cast<size_t>(y)], at)) {
      ++agree;
      agreeKept += at < kept_;
      match.Telling += !Uniform(row, width_);
      continue;
    }
    if (!fits || SameButMoving(y, shift)) continue;
    int32_t first, last;
    DifferingColumns(row, BodyRow(at), width_, first, last);
    if (last - first < SpotWidth(width_)) {
      ++alike;
      stripFrom = std::min(stripFrom, first);
      stripTo = std::max(stripTo, last);
      continue;
    }
    if (Lit(y, lit)) continue;
    if (at >= kept_ && lit.From != kTwoLit) {
      match.ReplaceFrom = at;
      break;
    }
    // A second run, or a longer one: no place, but its rows that agree are counted on, and whether
    // it fails only by two runs of a spot's rows at most (a toast and a line lit, as may the true
    // place; a wrong place differs in every line).
    if (run.To != y) {
      fits = fits && run.From < 0 && lit.From != kTwoLit;
      run.From = y;
      ++runs;
    }
    run.To = y + 1;
    fits = fits && run.To - run.From <= kSpotRows;
    longest = std::max(longest, run.To - run.From);
  }
  match.Noisy = !fits && runs <= 2 && longest <= kSpotRows;
  // Rows not kept yet are replaced only where enough kept rows say the place is right.
  if (!fits || agree < kMinOverlap || (match.ReplaceFrom < body && agreeKept < kMinOverlap)) return match;
  if (run.From >= 0) {
    match.Kind = Fit::Changed;
    match.ChangedRows = run;
  } else {
    // Rows that differ all in one narrow strip are one spot however many (a scroll bar's thumb).
    const bool strip = stripTo - stripFrom < SpotWidth(width_);
    match.Kind = alike == 0 ? Fit::Exact : alike <= kMaxChangedRows || strip ? Fit::Firm : Fit::Loose;
  }
  return match;
}

// Candidate places come from the middle's distinctive rows (not blank, not repeated within the
// read, found in the body a few times at most), top first: scrolling down, the top of the middle
// is what the body already holds. Every candidate is checked whole. Exactly one may match, even
// loosely (a place that matches but for a spot may be the true one), and it must match firmly.
// A place that matches but for a change in place may be the true one too (a read scrolled back
// up, its top rows repeated at the picture's end), unless the place taken holds the changed rows
// as they are (it scrolled on from there, the rows around repeated). Rows alike but for a spot
// never make a place further down count: lines that differ only in a number are alike.
bool TLongPicture::Place(int32_t top, int32_t bottom, int32_t& shift, int32_t& replaceFrom) const {
  std::unordered_map<uint64_t, int32_t> inRead;
  for (int32_t y = top; y < bottom; ++y) ++inRead[current_.Hashes[static_cast<size_t>(y)]];
  std::vector<Rows> changes;  // the rows changed at each place that matches but for them
  std::vector<int32_t> tried;
  int32_t found = 0, anchors = 0, telling = 0, othersTelling = 0;
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
      const Match match = MatchAt(candidate, top, bottom);
      if (match.Kind == Fit::None || match.Kind == Fit::Changed) {
        if (match.Kind == Fit::Changed) changes.push_back(match.ChangedRows);
        if (match.Noisy) othersTelling = std::max(othersTelling, match.Telling);
        continue;
      }
      if (++found > 1) return false;  // two places: not certain
      shift = candidate;
      replaceFrom = match.ReplaceFrom;
      firm = match.Kind != Fit::Loose;
      telling = match.Telling;
    }
  }
  // A place that fits but for two changes of a spot's rows, where as many rows with content agree,
  // may be the true one.
  if (found != 1 || !firm || othersTelling >= telling) return false;
  const auto body = static_cast<int32_t>(bodyHashes_.size());
  const int32_t heldFrom = std::max(top, -shift), heldTo = std::min(bottom, body - shift);
  for (const Rows& change : changes)
    if (change.From < heldFrom || change.To > heldTo) return false;
  // A read that went on down may overlap the picture's end in rows that no anchor finds (rows
  // repeated further up, where the anchor found them): any such place that fits exactly as well
  // makes it uncertain.
  std::sort(tried.begin(), tried.end());
  for (int32_t other = lastShift_ + 1; other <= body - top - kMinOverlap; ++other)
    if (!std::binary_search(tried.begin(), tried.end(), other) && FitsExactly(other, top, bottom)) return false;
  return true;
}

// Whether the read's middle is the body at this shift, content known to move aside, with one
// distinctive row at least (blank rows meet blank rows anywhere on a page, and so do the rows of a
// rule down a blank stretch). Most places are told apart by the rows' hashes alone.
bool TLongPicture::FitsExactly(int32_t shift, int32_t top, int32_t bottom) const {
  const auto body = static_cast<int32_t>(bodyHashes_.size());
  const int32_t from = std::max(top, -shift), to = std::min(bottom, body - shift);
  const auto& hashes = current_.Hashes;
  const auto distinctive = [&](int32_t y) {
    const auto row = static_cast<size_t>(y);
    return (y == 0 || hashes[row - 1] != hashes[row]) && (y + 1 == height_ || hashes[row + 1] != hashes[row]) &&
           !Uniform(current_.Row(y, width_), width_);
  };
  int32_t agree = 0;
  bool content = false;
  Rows lit{-1, -1};
  for (int32_t y = from; y < to; ++y) {
    if (SameRow(current_.Row(y, width_), hashes[static_cast<size_t>(y)], y + shift)) {
      ++agree;
      content = content || distinctive(y);
    } else if (!SameButMoving(y, shift) && !Lit(y, lit)) {
      return false;
    }
  }
  return content && agree >= kMinOverlap;
}

// Whether read row `y`, which differs wholly from the body, is one of the run of rows `lit` near the
// pointer, the one line lit under it; `lit` then runs to it. Rows of a second run are not, and
// leave `lit` starting at kTwoLit.
bool TLongPicture::Lit(int32_t y, Rows& lit) const {
  if (y < hover_.Top || y >= hover_.Bottom || lit.From == kTwoLit) return false;
  if (lit.From >= 0 && (lit.To != y || y + 1 - lit.From > kSpotRows)) {
    lit.From = kTwoLit;
    return false;
  }
  if (lit.From < 0) lit.From = y;
  lit.To = y + 1;
  return true;
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
  kept_ = 0;
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

// The body's last rows go: they are the latest in their hashes' lists.
void TLongPicture::TruncateBody(int32_t rows) {
  for (auto at = static_cast<int32_t>(bodyHashes_.size()) - 1; at >= rows; --at) {
    const auto list = rowsOfHash_.find(bodyHashes_[static_cast<size_t>(at)]);
    list->second.pop_back();
    if (list->second.empty()) rowsOfHash_.erase(list);
  }
  bodyHashes_.resize(static_cast<size_t>(rows));
  blocks_.resize(static_cast<size_t>((rows + kBlockRows - 1) / kBlockRows));
}

void TLongPicture::SetTail(const Read& read, int32_t from) {
  tailRows_ = height_ - from;
  tail_.assign(read.Row(from, width_), read.Row(from, width_) + static_cast<size_t>(tailRows_) * width_);
}
