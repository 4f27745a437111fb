#include "history/history_store.h"

#include <algorithm>

#include "history/recent_pictures.h"
#include "history/region_history.h"
#include "toolkit/error.h"

namespace {

constexpr wchar_t kRegionsSection[] = L"LastRegions", kRegionKey[] = L"Region";
constexpr wchar_t kDelaySection[] = L"DelayedCapture", kDelayKey[] = L"Seconds";

std::wstring Key(const wchar_t* prefix, size_t index) { return prefix + std::to_wstring(index + 1); }

}  // namespace

THistoryStore::THistoryStore(TIniFile& ini) : ini_(ini) {
  // Keys read until the first missing one; one that does not read as its kind is left out.
  for (size_t i = 0; i < kMaxRegions; ++i) {
    const std::wstring text = ini_.ReadString(kRegionsSection, Key(kRegionKey, i).c_str(), L"");
    if (text.empty()) break;
    if (const auto box = RegionFromText(text)) regions_.push_back(*box);
  }
  const int delay = ini_.ReadInteger(kDelaySection, kDelayKey, 0);
  delay_ = std::find(std::begin(kDelays), std::end(kDelays), delay) != std::end(kDelays) ? delay : kDelays[0];
}

void THistoryStore::Write(const std::function<void()>& write) {
  if (ini_.ReadOnly()) return;
  try {
    write();
    ini_.Flush();  // kept should the program not end normally
  } catch (const Error&) {
    // Remembered for this run only.
  }
}

// The same region taken again changes nothing: the file is not touched (a capture after capture of
// one region writes nothing). Otherwise the section is written at once, so that the list in the
// file is never half shifted.
void THistoryStore::AddRegion(const Rect& box) {
  if (!regions_.empty() && regions_.front() == box) return;
  ::AddRegion(regions_, box);
  IniKeys keys;
  for (size_t i = 0; i < regions_.size(); ++i) keys.emplace_back(Key(kRegionKey, i), RegionText(regions_[i]));
  Write([&] { ini_.WriteSection(kRegionsSection, keys); });
}

void THistoryStore::AddRecentPicture(const std::wstring& path) { ::AddRecentPicture(pictures_, path); }

void THistoryStore::SetDelay(int seconds) {
  if (seconds == delay_) return;
  delay_ = seconds;
  Write([&] { ini_.WriteInteger(kDelaySection, kDelayKey, seconds); });
}
