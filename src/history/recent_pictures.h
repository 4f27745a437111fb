// The pictures saved last, newest first: those saved in this run wherever they went, and those in
// the save folder (which an earlier run saved there), by the time each was written. Window-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr size_t kMaxRecentPictures = 10;

// `path` first, the same path further down gone (Windows paths: letters' case does not matter), at
// most kMaxRecentPictures kept.
void AddRecentPicture(std::vector<std::wstring>& paths, const std::wstring& path);

struct DatedPicture {
  uint64_t Written = 0;  // when the file was last written, in any unit that grows with time
  std::wstring Path;
};
// The newest of them, each path once, at most kMaxRecentPictures; among equal times the earlier
// in the list first.
std::vector<std::wstring> NewestPictures(std::vector<DatedPicture> pictures);
// Whether a file name is of a picture this program writes: .png, .jpg, .jpeg, .bmp, any case.
bool IsPictureName(const std::wstring& name);
