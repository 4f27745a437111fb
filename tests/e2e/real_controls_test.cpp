// Long pictures of the system's own scrolling controls, taken as a person takes them: a box round
// the control (with its scroll bar or without), S, then the wheel notch by notch or 自动滚动, and
// Enter. A list lights the item under the pointer; a tooltip stands over the new rows for a notch. The truth is made from screenshots of the same region one notch apart, placed by where
// the control says it stands; the picture must equal it row for row, a blinking caret and the
// scroll bar's moving thumb aside.
#include <gtest/gtest.h>

#include <map>

#include "control_window.h"
#include "corvix_run.h"
#include "scroll_panel_view.h"
#include "support/read_bmp.h"

namespace e2e {
namespace {

struct ControlCase {
  const char* what;
  ControlKind kind;
  bool withScrollBar, autoScroll;
};

class RealControlTest : public testing::TestWithParam<ControlCase> {};

// The picture's rows that differ from the truth's in more than a caret's 3 columns, the columns
// from `ignoreFrom` on (the scroll bar) aside; the first few are reported.
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
    if (last - first >= 3 && wrong++ < 5) ADD_FAILURE() << "row " << y << " differs in columns " << first << " to " << last;
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
  MouseMoveTo(region.left - 20, region.top);
  for (;;) {
    shots[control.Offset()] = control.StillShot(region);
    if (control.AtEnd()) break;
    const int before = control.Offset();
    PostMessageW(control.Control(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(middle.x, middle.y));
    ASSERT_TRUE(WaitFor([&] { return control.Offset() != before; })) << "the control did not scroll from " << before;
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
  const ScrollPanelView panel(corvix, region);
  ASSERT_TRUE(panel.Panel());
  ASSERT_TRUE(WaitFor([&] { return panel.Rows() == height; }));
  if (c.autoScroll) {
    panel.Click(L"自动滚动");
    ASSERT_TRUE(WaitFor([&] { return panel.Said() == L"已滚动到底部"; }, 60s))
        << "it says " << panel.Said() << " at " << control.Offset() << ", the picture " << panel.Rows() << " rows";
  } else {
    int notch = 0;
    for (auto shot = std::next(shots.begin()); shot != shots.end(); ++shot) {
      MouseMoveTo(middle.x, middle.y);
      // Over the lit list, a tooltip stands over the bottom rows for one notch.
      const POINT tipAt{region.left + 30, region.bottom - 24};
      const bool popup = c.kind == ControlKind::LitList && ++notch == 3;
      ASSERT_TRUE(!popup || control.ShowPopup(&tipAt));
      Wheel(-1);
      ASSERT_TRUE(WaitFor([&] { return control.Offset() == shot->first; }));
      ASSERT_TRUE(WaitFor([&] { return panel.Rows() == height + shot->first; }))
          << "at " << shot->first << " the picture holds " << panel.Rows() << " rows; it says " << panel.Said();
      ASSERT_TRUE(!popup || control.ShowPopup(nullptr));
    }
    // The pointer leaves the list, which lights no item then, before Enter.
    MouseMoveTo(region.left - 20, region.top);
    ASSERT_TRUE(c.kind != ControlKind::LitList || WaitFor([&] { return control.StillShot(region) == shots.rbegin()->second; }));
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
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultImage=0\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  const ScrollPanelView panel(corvix, label.Region(false));
  ASSERT_TRUE(panel.Panel());
  panel.Click(L"自动滚动");
  ASSERT_TRUE(WaitFor([&] { return panel.Said() == L"该窗口不接受自动滚动，请用滚轮滚动"; })) << panel.Said();
  EXPECT_TRUE(IsWindowVisible(panel.Panel()));
  EXPECT_EQ(SendMessageW(FindWindowExW(panel.Panel(), nullptr, L"BUTTON", L"自动滚动"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  PressKeys(0, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(panel.Panel()); }));
}

INSTANTIATE_TEST_SUITE_P(
    Controls, RealControlTest,
    testing::Values(ControlCase{"Edit", ControlKind::Edit, false, false}, ControlCase{"EditAuto", ControlKind::Edit, true, true},
                    ControlCase{"ListView", ControlKind::ListView, false, false},
                    ControlCase{"LitListWithPopup", ControlKind::LitList, false, false},
                    ControlCase{"RichEdit", ControlKind::RichEdit, true, false},
                    ControlCase{"RichEditAuto", ControlKind::RichEdit, false, true}),
    [](const testing::TestParamInfo<ControlCase>& tested) { return tested.param.what; });

}  // namespace
}  // namespace e2e
