// What Corvix remembers of its own use: the regions taken last and the delay chosen last, each in a
// section of Option.ini apart from the options dialog's keys, held in memory and written through at
// each change (a file that cannot be written, read-only say, only leaves them unremembered for the
// next run); and the pictures saved in this run, in memory alone (a save never writes Option.ini;
// the save folder tells an earlier run's).
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

  // Full paths of the pictures saved in this run, newest first (the files may have gone since).
  const std::vector<std::wstring>& RecentPictures() const { return pictures_; }
  void AddRecentPicture(const std::wstring& path);

  // Seconds of the delayed capture chosen last: one of kDelays.
  static constexpr int kDelays[] = {3, 5, 10};
  int Delay() const { return delay_; }
  void SetDelay(int seconds);

 private:
  void Write(const std::function<void()>& write);

  TIniFile& ini_;
  std::vector<Rect> regions_;
  std::vector<std::wstring> pictures_;
  int delay_;
};
