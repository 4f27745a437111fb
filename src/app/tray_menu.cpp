// The main form's tray menu and what its entries of later and again do: the delays, the last
// region, the recent pictures and their folder.
#include <dwmapi.h>
#include <shlwapi.h>

#include "app/main_form.h"
#include "app/main_form_messages.h"
#include "common/app_title.h"
#include "common/folders.h"
#include "common/paths.h"
#include "common/picture_file.h"
#include "common/system_error.h"
#include "config/option_store.h"
#include "toolkit/error.h"

namespace {

// 最近截图's place in the menu.
constexpr int kRecentAt = 2;

// How long the chosen menu entry may take to fade from the screen.
constexpr DWORD kMenuFadeMs = 1000;

// The tray menu gone from the screen before the region is read: the desktop composed again, and
// the chosen entry's fading copy (a window of its own) gone.
void WaitForTheMenuToGo() {
  DwmFlush();
  for (const DWORD start = GetTickCount(); GetTickCount() - start < kMenuFadeMs; Sleep(10)) {
    HWND fader = FindWindowW(L"SysFader", nullptr);
    if (!fader || !IsWindowVisible(fader)) break;
  }
}

}  // namespace

// As things stand when the menu opens: 截取上次区域 greyed without a last region on today's screens,
// the delay chosen last marked, the recent pictures that are still there, "关闭全部贴图" while there
// is a pin.
void TMainForm::BuildTrayMenu() {
  TMenuItem lastRegion{L"", &LastRegionAction};
  lastRegion.Enabled = TCaptureRun::LastRegion().has_value();
  TMenuItem delays{L"延时截屏"};
  for (const int seconds : THistoryStore::kDelays) {
    TMenuItem delay{std::to_wstring(seconds) + L" 秒"};
    delay.OnClick = [this, seconds] { StartDelay(seconds); };
    delay.Checked = seconds == OptionStore->History.Delay();
    delays.Items.push_back(std::move(delay));
  }
  TMenuItem recent{L"最近截图"};
  recent.Items = recentItems_;
  if (!recent.Items.empty()) recent.Items.push_back({L"-"});
  recent.Items.push_back({L"", &OpenFolderAction});

  TrayMenu.Items = {std::move(lastRegion), std::move(delays), std::move(recent), {L"-"}, {L"", &PinClipboardAction}};  // kRecentAt
  if (pins_ && pins_->Count() > 0) TrayMenu.Items.push_back({L"", &ClosePinsAction});
  TrayMenu.Items.insert(TrayMenu.Items.end(), {{L"", &OptionsAction}, {L"-"}, {L"", &AboutAction}, {L"", &ExitAction}});
}

// The region overlay opens once the seconds are over, frozen at that moment.
void TMainForm::StartDelay(int seconds) {
  if (Busy()) return;
  OptionStore->History.SetDelay(seconds);
  countdown_->Start(seconds, [this] { PostMessageW(Handle(), kDelayOverMessage, 0, 0); });
}

// Once the menu has left the screen, the last region at once.
void TMainForm::TakeLastRegion() {
  if (!Busy()) WaitForTheMenuToGo();
  RunCapture([this] { capture_->RunLastRegion(); });
}

// A recent picture pinned at the middle of the monitor the cursor is on, once it is decoded.
void TMainForm::PinPictureFile(const std::wstring& path) {
  if (!pins_) return;
  work_->Start([this, path]() -> TWorkQueue::Ending {
    auto picture = std::make_shared<UniqueBitmap>(ReadPictureFile(path));
    return [this, path, picture] {
      if (!pins_) return;
      if (*picture) {
        PinAtCursor(std::move(*picture));
        return;
      }
      TrayIcon->ShowBalloon(kAppTitle, L"无法打开图片 " + std::wstring(PathFindFileNameW(path.c_str())),
                            TBalloonIconKind::bkInfo, 5);
    };
  });
}

void TMainForm::ShowRecentPicture(const std::wstring& path, HBITMAP picture) {
  const std::vector<std::wstring>& listed = recentPictures_.Listed();
  const auto at = std::find(listed.begin(), listed.end(), path);
  if (at == listed.end() || static_cast<size_t>(at - listed.begin()) >= recentItems_.size()) return;
  const auto entry = static_cast<int>(at - listed.begin());
  recentItems_[static_cast<size_t>(entry)].Picture = picture;
  BuildTrayMenu();  // the menu's own copy of the entries, which it shows next time
  if (HMENU shown = TrayMenu.Showing()) TPopupMenu::ShowPicture(GetSubMenu(shown, kRecentAt), entry, picture);
}

// The default save folder; a relative one is the program folder's.
std::wstring TMainForm::PictureFolder() { return AbsoluteFolder(OptionStore->Option.DefaultDir, AppPath); }

// The default folder in Explorer, made first as a save would make it.
void TMainForm::OpenPictureFolder() {
  const std::wstring folder = PictureFolder();
  if (!folder.empty() && !DirectoryExists(folder)) ForceDirectories(folder);
  ShowInExplorer(L"\"" + folder + L"\"", folder);
}

void TMainForm::ShowInExplorer(const std::wstring& arguments, const std::wstring& shown) const {
  SHELLEXECUTEINFOW run{sizeof run};
  run.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  run.lpVerb = L"open";
  run.lpFile = L"explorer.exe";
  run.lpParameters = arguments.c_str();
  run.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&run))  // its error is the thread's last error, unlike ShellExecute's
    Application.HandleException(Error(L"Cannot show \"" + shown + L"\" in Explorer. " +
                                      SysErrorMessage(static_cast<DWORD>(GetLastError()))));
}
