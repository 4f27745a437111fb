// Where a read lies in the long picture: candidate places from its distinctive rows, each checked
// whole against the picture.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "scrolling/long_picture.h"
#include "scrolling/row_compare.h"

namespace {

// Changed rows a firm placement tolerates at most: two spots.
constexpr int32_t kMaxChangedRows = 2 * kSpotRows;
// Rows that say where a read lies: the first this many of its distinctive rows found in the
// picture, each found at most this many times there (a row that repeats says little).
constexpr int32_t kMaxAnchors = 24;
constexpr size_t kMaxAnchorHits = 16;
// A second run of rows lit near the pointer.
constexpr int32_t kTwoLit = -2;

}  // namespace

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
  int32_t agree = 0, agreeTwice = 0, alike = 0;
  int32_t stripFrom = width_, stripTo = -1;  // the columns the rows alike differ in
  Rows run{-1, -1}, lit{-1, -1};
  bool fits = true;
  int32_t runs = 0, longest = 0;  // the runs of rows that differ wholly, and the longest
  for (int32_t y = from; y < to; ++y) {
    const int32_t at = y + shift;
    const uint32_t* row = current_.Row(y, width_);
    if (SameRow(row, current_.Hashes[static_cast<size_t>(y)], at)) {
      ++agree;
      agreeTwice += at < confirmed_;
      match.Telling += !Uniform(row, width_);
      continue;
    }
    // Once it does not fit, only whether it may be noisy is still told.
    if ((!fits && (runs > 2 || longest > kSpotRows)) || SameButMoving(y, shift)) continue;
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
  // Rows not kept yet are replaced only where enough rows shown twice say the place is right; where
  // too few do, the place may still be the true one.
  if (!fits || agree < kMinOverlap) return match;
  if (match.ReplaceFrom < body && agreeTwice < kMinOverlap) {
    match.Rival = true;
    return match;
  }
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
// exactly as they are (it scrolled on from there, the rows around repeated). Rows alike but for a
// spot never make a place further down count: lines that differ only in a number are alike.
bool TLongPicture::Place(int32_t top, int32_t bottom, int32_t& shift, int32_t& replaceFrom) const {
  std::unordered_map<uint64_t, int32_t> inRead;
  for (int32_t y = top; y < bottom; ++y) ++inRead[current_.Hashes[static_cast<size_t>(y)]];
  std::vector<Rows> changes;  // the rows changed at each place that matches but for them
  std::vector<int32_t> tried;
  int32_t found = 0, anchors = 0, telling = 0, othersTelling = 0;
  bool firm = false, rival = false;
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
        rival = rival || match.Rival;
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
  if (found != 1 || !firm || othersTelling >= telling || rival) return false;
  const auto body = static_cast<int32_t>(bodyHashes_.size());
  const int32_t heldFrom = std::max(top, -shift), heldTo = std::min(bottom, body - shift);
  for (const Rows& change : changes)
    for (int32_t y = change.From; y < change.To; ++y)
      if (y < heldFrom || y >= heldTo ||
          !(SameRow(current_.Row(y, width_), current_.Hashes[static_cast<size_t>(y)], y + shift) || SameButMoving(y, shift)))
        return false;
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
