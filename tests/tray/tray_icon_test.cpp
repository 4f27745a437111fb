// The tray icon component against Wine's real shell: messages posted to its hidden window stand
// for the shell's notifications.
#include "tray/tray_icon.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "support/windows.h"

namespace {

using namespace testsupport;

class OwnerForm : public TForm {
 protected:
  const wchar_t* ClassName() const override { return L"CorvixTrayTestOwner"; }
  DWORD Style() const override { return WS_POPUP; }
};

// Records its events and the shell's answers.
class RecordingTray : public TTrayIcon {
 public:
  explicit RecordingTray(TForm* owner) : TTrayIcon(owner) {
    OnClick = [this] { events.push_back("click"); };
    OnDblClick = [this] { events.push_back("dblclick"); };
    OnMouseDown = [this](TMouseButton button, unsigned shift, int, int) { events.push_back("down" + Name(button, shift)); };
    OnMouseUp = [this](TMouseButton button, unsigned shift, int, int) { events.push_back("up" + Name(button, shift)); };
    OnCycle = [this](int32_t next) { cycles.push_back(next); };
  }
  bool AddIcon() override { return Remember("add", TTrayIcon::AddIcon()); }
  bool RemoveIcon() override { return Remember("remove", TTrayIcon::RemoveIcon()); }

  std::vector<std::string> events, shell;
  std::vector<int32_t> cycles;

 private:
  static std::string Name(TMouseButton button, unsigned shift) {
    const char* names[] = {"(left)", "(right)", "(middle)"};
    const unsigned flag = button == TMouseButton::mbLeft ? ssLeft : button == TMouseButton::mbRight ? ssRight : ssMiddle;
    return std::string(names[static_cast<int>(button)]) + ((shift & flag) ? "" : "!");
  }
  bool Remember(const char* call, bool result) {
    shell.push_back(std::string(call) + (result ? ":ok" : ":refused"));
    return result;
  }
};

class TrayIconTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Application.Handle()) Application.Initialize(GetModuleHandleW(nullptr));
  }
  void SetUp() override {
    owner_ = std::make_unique<OwnerForm>();
    owner_->Create();
    tray_ = std::make_unique<RecordingTray>(owner_.get());
    tray_->SetIcon(LoadIconW(nullptr, IDI_APPLICATION));
    tray_->Loaded();
  }
  void TearDown() override {
    tray_.reset();
    owner_->Destroy();
  }
  // What the shell sends for a mouse action on the icon.
  void Shell(UINT mouseMessage) {
    PostMessageW(tray_->NotifyWindow(), WM_TRAYICONNOTIFY, 1, mouseMessage);
    Application.ProcessMessages();
  }
  void Pump(int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 10) {
      Application.ProcessMessages();
      Sleep(10);
    }
  }
  std::unique_ptr<OwnerForm> owner_;
  std::unique_ptr<RecordingTray> tray_;
};

using Events = std::vector<std::string>;

TEST_F(TrayIconTest, ClicksAndDoubleClicksGiveTheirEventsInOrder) {
  Shell(WM_LBUTTONDOWN);
  Shell(WM_LBUTTONUP);
  EXPECT_EQ(tray_->events, (Events{"down(left)", "click", "up(left)"}));
  tray_->events.clear();
  Shell(WM_LBUTTONDOWN);
  Shell(WM_LBUTTONUP);
  Shell(WM_LBUTTONDBLCLK);
  Shell(WM_LBUTTONUP);
  EXPECT_EQ(tray_->events, (Events{"down(left)", "click", "up(left)", "dblclick", "up(left)"}));
  tray_->events.clear();
  Shell(WM_MBUTTONDOWN);
  Shell(WM_MBUTTONUP);
  Shell(WM_RBUTTONDBLCLK);
  EXPECT_EQ(tray_->events, (Events{"down(middle)", "up(middle)"}));
}

TEST_F(TrayIconTest, ARightPressOpensTheMenuAtOnceAndADoubleClickRunsTheDefaultItem) {
  TPopupMenu menu;
  int first = 0, second = 0;
  menu.Items = {{L"First", nullptr, [&] { ++first; }}, {L"-"}, {L"Second", nullptr, [&] { ++second; }, true}};
  tray_->PopupMenu = &menu;

  bool menuSeen = false;
  size_t eventsWhenMenuOpened = 0;
  std::thread person([&] {
    menuSeen = WaitFor([] { return FindProcessWindow(GetCurrentProcessId(), L"#32768", L"", true) != nullptr; }, 5s);
    eventsWhenMenuOpened = tray_->events.size();
    PressKeys(0, VK_ESCAPE);
  });
  Shell(WM_RBUTTONDOWN);  // returns once the menu has closed
  person.join();
  EXPECT_TRUE(menuSeen) << "no menu on the right press";
  EXPECT_EQ(eventsWhenMenuOpened, 1u) << "the menu should open on the press, after OnMouseDown";
  EXPECT_EQ(menu.PopupComponent, tray_.get());
  Shell(WM_RBUTTONUP);
  EXPECT_EQ(tray_->events, (Events{"down(right)", "up(right)"}));

  Shell(WM_LBUTTONDBLCLK);
  EXPECT_EQ(second, 1) << "the default item did not run";
  EXPECT_EQ(first, 0);
  tray_->LeftPopup = true;  // then the double-click runs nothing
  menu.Items[2].Default = true;
  std::thread closer([&] {
    WaitFor([] { return FindProcessWindow(GetCurrentProcessId(), L"#32768", L"", true) != nullptr; }, 5s);
    PressKeys(0, VK_ESCAPE);
  });
  Shell(WM_LBUTTONDOWN);  // with LeftPopup the left press opens the menu too
  closer.join();
  Shell(WM_LBUTTONDBLCLK);
  EXPECT_EQ(second, 1);
  tray_->LeftPopup = false;
  menu.AutoPopup = false;
  Shell(WM_LBUTTONDBLCLK);
  Shell(WM_RBUTTONDOWN);  // opens nothing: it would block here
  EXPECT_EQ(second, 1);
}

TEST_F(TrayIconTest, WhenDisabledNothingHappensAndABalloonIsNotShown) {
  tray_->Enabled = false;
  Shell(WM_LBUTTONDOWN);
  Shell(WM_LBUTTONUP);
  Shell(WM_RBUTTONDOWN);
  EXPECT_TRUE(tray_->events.empty());
  EXPECT_TRUE(tray_->ShowBalloon(L"title", L"text", TBalloonIconKind::bkError, 5));
  EXPECT_STREQ(tray_->NotifyData().szInfo, L"");
}

TEST_F(TrayIconTest, ShowBalloonFillsTheRecordAndCutsLongTexts) {
  EXPECT_TRUE(tray_->ShowBalloon(L"Corvix截屏助手", L"欢迎", TBalloonIconKind::bkInfo, 60));
  const NOTIFYICONDATAW& data = tray_->NotifyData();
  EXPECT_STREQ(data.szInfoTitle, L"Corvix截屏助手");
  EXPECT_STREQ(data.szInfo, L"欢迎");
  EXPECT_EQ(data.uTimeout, 60000u);
  EXPECT_EQ(data.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
  EXPECT_EQ(data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP)) << "the balloon would show again";
  EXPECT_EQ(data.cbSize, static_cast<DWORD>(NOTIFYICONDATAW_V2_SIZE));
  EXPECT_EQ(data.uCallbackMessage, WM_TRAYICONNOTIFY);

  EXPECT_TRUE(tray_->ShowBalloon(std::wstring(100, L't'), std::wstring(400, L'截'), TBalloonIconKind::bkWarning, 1));
  EXPECT_EQ(std::wstring(data.szInfo), std::wstring(255, L'截'));
  EXPECT_EQ(std::wstring(data.szInfoTitle), std::wstring(63, L't'));
  EXPECT_EQ(data.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
}

TEST_F(TrayIconTest, TheTipIsTheHintCutTo127Characters) {
  tray_->SetHint(std::wstring(200, L'截'));
  EXPECT_EQ(std::wstring(tray_->NotifyData().szTip), std::wstring(127, L'截'));
  tray_->SetShowHint(false);
  EXPECT_STREQ(tray_->NotifyData().szTip, L"");
  tray_->SetShowHint(true);
  tray_->SetHint(L"");
  EXPECT_STREQ(tray_->NotifyData().szTip, L"");
}

TEST_F(TrayIconTest, TheIndexStaysInsideTheListAndIconsCycle) {
  tray_->SetIconIndex(5);
  EXPECT_EQ(tray_->IconIndex(), 0) << "without a list the index is 0";
  TImageList icons;
  for (auto id : {IDI_APPLICATION, IDI_INFORMATION, IDI_WARNING}) icons.Add(LoadIconW(nullptr, id));
  tray_->SetIconList(&icons);
  tray_->SetIconIndex(7);
  EXPECT_EQ(tray_->IconIndex(), 2);
  EXPECT_NE(tray_->Icon(), nullptr);

  tray_->SetCycleInterval(40);
  tray_->SetCycleIcons(true);
  EXPECT_EQ(tray_->IconIndex(), 0);
  WaitFor([&] {
    Application.ProcessMessages();
    return tray_->cycles.size() >= 4;
  }, 5s);
  tray_->SetCycleIcons(false);
  ASSERT_GE(tray_->cycles.size(), 4u);
  EXPECT_EQ(std::vector<int32_t>(tray_->cycles.begin(), tray_->cycles.begin() + 4), (std::vector<int32_t>{1, 2, 0, 1}));

  tray_->Notification(&icons);  // the list goes away
  EXPECT_EQ(tray_->IconList(), nullptr);
  EXPECT_EQ(tray_->IconIndex(), 0);
}

TEST_F(TrayIconTest, AZeroIntervalNeverCycles) {
  TImageList icons;
  icons.Add(LoadIconW(nullptr, IDI_APPLICATION));
  icons.Add(LoadIconW(nullptr, IDI_WARNING));
  tray_->SetIconList(&icons);
  tray_->SetCycleIcons(true);
  Pump(200);
  EXPECT_TRUE(tray_->cycles.empty());
}

TEST_F(TrayIconTest, TheIconIsAddedRemovedAndPutBackWhenTheTaskbarReturns) {
  EXPECT_EQ(tray_->shell, (std::vector<std::string>{"add:ok"}));
  EXPECT_TRUE(tray_->UpdateIcon());
  tray_->SetIconVisible(false);
  EXPECT_EQ(tray_->shell.back(), "remove:ok");
  EXPECT_FALSE(tray_->UpdateIcon()) << "the shell modified an icon it no longer has";

  // The shell broadcasts TaskbarCreated after a restart: only a visible icon comes back.
  SendMessageW(Application.Handle(), TaskbarCreatedMsg, 0, 0);
  EXPECT_EQ(tray_->shell.size(), 2u);
  tray_->SetIconVisible(true);
  EXPECT_EQ(tray_->shell.back(), "add:ok");
  SendMessageW(Application.Handle(), TaskbarCreatedMsg, 0, 0);
  EXPECT_EQ(tray_->shell.size(), 4u);
  EXPECT_EQ(tray_->shell.back(), "add:refused") << "the icon is still there, so the shell refuses a second one";
}

TEST_F(TrayIconTest, MinimizeToTrayHidesTheMainWindowOnMinimise) {
  tray_->MinimizeToTray = true;
  SendMessageW(Application.Handle(), WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_FALSE(IsWindowVisible(Application.Handle()));
  EXPECT_TRUE(tray_->IconVisible());
}

}  // namespace
