#include "scrolling/long_picture.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "scrolling/row_compare.h"

namespace {

constexpr int32_t kBlockRows = 256;
// What the picture may hold: 32,768 rows at 1920 wide, fewer for wider reads, and no more rows
// than the file formats take.
constexpr int64_t kMaxPixels = 1920LL * 32768;
constexpr int32_t kMaxRows = 65000;
// The rows either side of the pointer that a highlight following it may change: at most an eighth
// of the read, so that most of it always tells where it lies.
constexpr int32_t kHoverRows = 40;
// A read at rest holds at most this many blocks changed in place: more is a page that moved.
constexpr size_t kMaxRestBlocks = 4;

}  // namespace

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
    lit_[0] = hover_.Height() > 0 ? hover_.Top : INT32_MAX;  // the first read's rows are the body's
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
  confirmed_ = shift > lastShift_ ? replaceFrom : std::min(confirmed_, replaceFrom);
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
  kept_ = confirmed_ = 0;
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
