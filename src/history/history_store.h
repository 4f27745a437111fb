// What Corvix remembers of its own use, each in a section of Option.ini apart from the options
// dialog's keys: the regions taken last, the pictures saved last, the delay chosen last. Held in
// memory and written through at each change; a file that cannot be written (read-only, say) only
// leaves them unremembered for the next run.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/rect.h"
#include "config/ini_file.h"

class THistoryStore {
 public:
  explicit THistoryStore(TIniFile& ini);

  // Boxes of the regions taken, newest first, in screen coordinates.
  const std::vector<Rect>& Regions() const { return regions_; }
  void AddRegion(const Rect& box);

  // Full paths of the pictures saved, newest first, as they were written (the files may have gone).
  const std::vector<std::wstring>& RecentPictures() const { return pictures_; }
  void AddRecentPicture(const std::wstring& path);

  // Seconds of the delayed capture chosen last: one of kDelays.
  static constexpr int kDelays[] = {3, 5, 10};
  int Delay() const { return delay_; }
  void SetDelay(int seconds);

 private:
  // Writes the list's keys that changed from `before`, and removes those past its end.
  void WriteList(const wchar_t* section, const wchar_t* prefix, const std::vector<std::wstring>& now,
                 const std::vector<std::wstring>& before);
  void Write(const std::function<void()>& write);

  TIniFile& ini_;
  std::vector<Rect> regions_;
  std::vector<std::wstring> pictures_;
  int delay_;
};
