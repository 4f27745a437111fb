// The pictures saved last, newest first: their full paths, as they are kept between runs.
// Window-free.
#pragma once

#include <string>
#include <vector>

inline constexpr size_t kMaxRecentPictures = 10;

// `path` first, the same path further down gone (Windows paths: letters' case does not matter), at
// most kMaxRecentPictures kept.
void AddRecentPicture(std::vector<std::wstring>& paths, const std::wstring& path);
