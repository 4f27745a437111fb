// Long pictures of the system's own scrolling controls, taken as a person takes them: a box round
// the control (with its scroll bar or without), S, then the wheel notch by notch or 自动滚动, and
// Enter. The truth is made from screenshots of the same region one notch apart, placed by where
// the control says it stands; the picture must equal it row for row, a blinking caret and the
// scroll bar's moving thumb aside.
#include <gtest/gtest.h>

#include <map>

#include "control_window.h"
#include "corvix_run.h"
#include "support/read_bmp.h"

namespace e2e {
namespace {

struct ControlCase {
  const char* what;
  ControlKind kind;
  bool withScrollBar, autoScroll;
};

std::string DescribeScroll(HWND control) {
  SCROLLINFO info{sizeof info, SIF_ALL};
  GetScrollInfo(control, SB_VERT, &info);
  return " min " + std::to_string(info.nMin) + " max " + std::to_string(info.nMax) + " page " + std::to_string(info.nPage) + " pos " + std::to_string(info.nPos);
}

class RealControlTest : public testing::TestWithParam<ControlCase> {};

// Rows [a, b) of the truth and of the picture are the same but for a caret, and for the columns
// from `ignoreFrom` on (the scroll bar).
int WrongRows(const std::vector<uint32_t>& truth, const ReadBmp& picture, int width, int ignoreFrom) {
  int wrong = 0;
  for (int y = 0; y < picture.height; ++y) {
    int first = width, last = -1;
    for (int x = 0; x < ignoreFrom; ++x) {
      const uint8_t* got = picture.At(x, y);
      if ((got[2] << 16 | got[1] << 8 | got[0]) != static_cast<int>(truth[size_t(y) * width + x])) {
        first = std::min(first, x);
        last = x;
      }
    }
    if (last - first >= 3) {
      if (wrong++ < 5) ADD_FAILURE() << "row " << y << " differs in columns " << first << " to " << last;
    }
  }
  return wrong;
}

TEST_P(RealControlTest, TheLongPictureIsTheWholeDocumentRowForRow) {
  const ControlCase& c = GetParam();
  ControlWindow control(c.kind, {400, 240, 920, 660});  // clear of the balloons at the top left
  ASSERT_TRUE(control.Ready());
  const RECT region = control.Region(c.withScrollBar);
  const int width = region.right - region.left, height = region.bottom - region.top;
  const ControlWindow::Rows text = control.TextRows();
  const POINT middle{(region.left + region.right) / 2, (region.top + region.bottom) / 2};

  // The truth: a screenshot at each notch, its text rows placed where the control says it stands.
  std::map<int, std::vector<uint8_t>> shots;  // by offset
  MouseMoveTo(middle.x, middle.y);
  for (;;) {
    shots[control.Offset()] = control.StillShot(region);
    if (control.AtEnd()) break;
    const int before = control.Offset();
    Wheel(-1);
    ASSERT_TRUE(WaitFor([&] { return control.Offset() != before; })) << "the control did not scroll from " << before << DescribeScroll(control.Control());
  }
  const int end = shots.rbegin()->first;
  std::vector<uint32_t> truth(size_t(end + height) * width);
  const auto place = [&](const std::vector<uint8_t>& shot, int offset, int from, int to) {
    for (int y = from; y < to; ++y)
      for (int x = 0; x < width; ++x) {
        const uint8_t* p = &shot[(size_t(y) * width + x) * 3];
        truth[size_t(offset + y) * width + x] = p[2] << 16 | p[1] << 8 | p[0];
      }
  };
  place(shots.begin()->second, 0, 0, text.From);
  for (const auto& [offset, shot] : shots) place(shot, offset, text.From, text.To);
  place(shots.rbegin()->second, end, text.To, height);

  control.ScrollToTop();
  ASSERT_TRUE(WaitFor([&] { return control.Offset() == 0; }));
  control.StillShot(region);
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultImage=0\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  Press(kCtrlF3);
  HWND overlay = corvix.WaitForOverlay();
  ASSERT_TRUE(overlay);
  constexpr int kGrip = 5;  // from the box's edge to its frame line, the region's outermost pixels
  ASSERT_NE(corvix.SizeBox(overlay, {region.left - kGrip, region.top - kGrip}, width + 2 * kGrip, height + 2 * kGrip).right, 0);
  PressKeys(0, 'S');
  HWND panel = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (panel = FindProcessWindow(corvix.Pid(), L"TScrollCaptureForm", L"滚动截图", true)); }));
  const auto said = [&] {
    HWND label = FindWindowExW(panel, nullptr, L"STATIC", nullptr);
    return WindowText(FindWindowExW(panel, label, L"STATIC", nullptr));
  };
  const auto rows = [&] { return std::wcstol(WindowText(FindWindowExW(panel, nullptr, L"STATIC", nullptr)).c_str() + 3, nullptr, 10); };
  ASSERT_TRUE(WaitFor([&] { return rows() == height; }));
  if (c.autoScroll) {
    RECT button;
    GetWindowRect(FindWindowExW(panel, nullptr, L"BUTTON", L"自动滚动"), &button);
    Click((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    ASSERT_TRUE(WaitFor([&] { return said() == L"已滚动到底部"; }, 60s))
        << "it says " << said() << " at " << control.Offset() << ", the picture " << rows() << " rows";
  } else {
    for (auto shot = std::next(shots.begin()); shot != shots.end(); ++shot) {
      MouseMoveTo(middle.x, middle.y);
      Wheel(-1);
      ASSERT_TRUE(WaitFor([&] { return control.Offset() == shot->first; }));
      ASSERT_TRUE(WaitFor([&] { return rows() == height + shot->first; })) << "at " << shot->first << " the picture holds "
                                                                               << rows() << " rows; it says " << said();
    }
  }
  EXPECT_TRUE(control.AtEnd());
  PressKeys(0, VK_RETURN);
  const auto path = corvix.Folder() / L"Save" / L"001.bmp";
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_regular_file(path); }));
  const ReadBmp picture(path);
  ASSERT_TRUE(picture.ok);
  ASSERT_EQ(picture.width, width);
  ASSERT_EQ(picture.height, end + height);
  RECT client;
  GetClientRect(control.Control(), &client);
  EXPECT_EQ(WrongRows(truth, picture, width, client.right), 0);
}

// 自动滚动 over a window that takes no steps says so, and the capture stays open for the wheel.
TEST(RealControl, AutomaticScrollingOverAWindowThatDoesNotScrollSaysSo) {
  ControlWindow label(ControlKind::Label, {400, 240, 920, 660});
  ASSERT_TRUE(label.Ready());
  const RECT region = label.Region(false);
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultImage=0\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  Press(kCtrlF3);
  HWND overlay = corvix.WaitForOverlay();
  ASSERT_TRUE(overlay);
  ASSERT_NE(corvix.SizeBox(overlay, {region.left - 5, region.top - 5}, region.right - region.left + 10, region.bottom - region.top + 10).right, 0);
  PressKeys(0, 'S');
  HWND panel = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (panel = FindProcessWindow(corvix.Pid(), L"TScrollCaptureForm", L"滚动截图", true)); }));
  RECT button;
  GetWindowRect(FindWindowExW(panel, nullptr, L"BUTTON", L"自动滚动"), &button);
  Click((button.left + button.right) / 2, (button.top + button.bottom) / 2);
  const auto said = [&] { return WindowText(FindWindowExW(panel, FindWindowExW(panel, nullptr, L"STATIC", nullptr), L"STATIC", nullptr)); };
  ASSERT_TRUE(WaitFor([&] { return said() == L"该窗口不接受自动滚动，请用滚轮滚动"; })) << said();
  EXPECT_TRUE(IsWindowVisible(panel));
  EXPECT_EQ(SendMessageW(FindWindowExW(panel, nullptr, L"BUTTON", L"自动滚动"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  PressKeys(0, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(panel); }));
}

INSTANTIATE_TEST_SUITE_P(
    Controls, RealControlTest,
    testing::Values(ControlCase{"Edit", ControlKind::Edit, false, false}, ControlCase{"EditAuto", ControlKind::Edit, true, true},
                    ControlCase{"ListView", ControlKind::ListView, false, false},
                    ControlCase{"RichEdit", ControlKind::RichEdit, true, false},
                    ControlCase{"RichEditAuto", ControlKind::RichEdit, false, true}),
    [](const testing::TestParamInfo<ControlCase>& tested) { return tested.param.what; });

}  // namespace
}  // namespace e2e
