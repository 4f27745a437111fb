#include "history/history_store.h"

#include <algorithm>

#include "history/recent_pictures.h"
#include "history/region_history.h"
#include "toolkit/error.h"

namespace {

constexpr wchar_t kRegionsSection[] = L"LastRegions", kRegionKey[] = L"Region";
constexpr wchar_t kDelaySection[] = L"DelayedCapture", kDelayKey[] = L"Seconds";

std::wstring Key(const wchar_t* prefix, size_t index) { return prefix + std::to_wstring(index + 1); }

std::vector<std::wstring> RegionTexts(const std::vector<Rect>& regions) {
  std::vector<std::wstring> texts;
  for (const Rect& box : regions) texts.push_back(RegionText(box));
  return texts;
}

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

void THistoryStore::WriteRegions(const std::vector<std::wstring>& before) {
  const std::vector<std::wstring> now = RegionTexts(regions_);
  for (size_t i = 0; i < now.size(); ++i)
    if (i >= before.size() || before[i] != now[i]) ini_.WriteString(kRegionsSection, Key(kRegionKey, i).c_str(), now[i]);
}

// The same region taken again changes nothing: the file is not touched (a capture after capture of
// one region writes nothing).
void THistoryStore::AddRegion(const Rect& box) {
  if (!regions_.empty() && regions_.front() == box) return;
  const std::vector<std::wstring> before = RegionTexts(regions_);
  ::AddRegion(regions_, box);
  Write([&] { WriteRegions(before); });
}

void THistoryStore::AddRecentPicture(const std::wstring& path) { ::AddRecentPicture(pictures_, path); }

void THistoryStore::SetDelay(int seconds) {
  if (seconds == delay_) return;
  delay_ = seconds;
  Write([&] { ini_.WriteInteger(kDelaySection, kDelayKey, seconds); });
}
