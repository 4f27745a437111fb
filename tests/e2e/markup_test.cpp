// Drawing on the region in the overlay, as a person draws with the mouse and keys, checked in the
// picture that leaves and on the screen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "markup/markup_bar_layout.h"
#include "corvix_run.h"
#include "markup/markup_style.h"
#include "pattern_window.h"
#include "support/read_bmp.h"

namespace e2e {
namespace {

constexpr Colour kRed = kPalette[0], kYellow = kPalette[2];
constexpr int kFrameInset = 5;  // from the box's edge to the picture's first pixel

bool Near(const uint8_t* bgr, Colour c, int tolerance = 8) {
  return std::abs(bgr[2] - c.Red) <= tolerance && std::abs(bgr[1] - c.Green) <= tolerance &&
         std::abs(bgr[0] - c.Blue) <= tolerance;
}
bool Near(COLORREF pixel, Colour c, int tolerance = 8) {
  const uint8_t bgr[3] = {GetBValue(pixel), GetGValue(pixel), GetRValue(pixel)};
  return Near(bgr, c, tolerance);
}

void Drag(POINT from, POINT to) {
  MouseButton(from.x, from.y, true);
  MouseMoveTo((from.x + to.x) / 2, (from.y + to.y) / 2);
  MouseMoveTo(to.x, to.y);
  MouseButton(to.x, to.y, false);
}

// Characters as an input method hands them over.
void TypeUnicode(const std::wstring& text) {
  for (const wchar_t c : text) {
    INPUT keys[2] = {{INPUT_KEYBOARD}, {INPUT_KEYBOARD}};
    keys[0].ki.wScan = keys[1].ki.wScan = c;
    keys[0].ki.dwFlags = KEYEVENTF_UNICODE;
    keys[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
  }
}

class MarkupTest : public testing::Test {
 protected:
  // A region box of this size, frame included, at `corner` on a fresh overlay; its screen rectangle.
  RECT OpenRegion(POINT corner, int width, int height) {
    Press(kCtrlF3);
    overlay_ = corvix_.WaitForOverlay();
    return overlay_ ? corvix_.SizeBox(overlay_, corner, width, height) : RECT{};
  }
  // The centre of a bar button on the screen.
  POINT BarButton(BarCommand command, int index, std::optional<ShapeKind> styled) const {
    HWND bar = FindWindowExW(overlay_, nullptr, L"TMarkupBar", nullptr);
    RECT place{};
    GetWindowRect(bar, &place);
    for (const auto& button : LayOutBar(1, styled))
      if (button.Command == command && button.Index == index)
        return {place.left + (button.Place.Left + button.Place.Right) / 2, place.top + (button.Place.Top + button.Place.Bottom) / 2};
    return {};
  }
  CorvixRun corvix_;
  HWND overlay_ = nullptr;
};

// Each tool draws where the mouse went; the picture holds the shapes, and away from them it is the
// frozen screen pixel for pixel. Text typed through the input method ends with Esc, which leaves
// the overlay open.
TEST_F(MarkupTest, EachToolDrawsWhereTheMouseWentAndThePictureIsTheScreenElsewhere) {
  corvix_.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultImage=0\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix_.Start());
  PatternWindow pattern(120, 120, 600, 440);
  ASSERT_TRUE(WaitFor([&] { return pattern.OnScreen(); }));
  const RECT region{150, 150, 690, 530};
  std::vector<COLORREF> before;  // the screen as the overlay freezes it, every 5th pixel
  for (int y = region.top; y < region.bottom; y += 5)
    for (int x = region.left; x < region.right; x += 5) before.push_back(ScreenPixel(x, y));

  ASSERT_EQ(OpenRegion({region.left, region.top}, region.right - region.left, region.bottom - region.top).right, region.right);
  const struct {
    UINT key;
    POINT from, to;
  } strokes[] = {{'R', {200, 200}, {300, 260}}, {'E', {320, 200}, {420, 260}}, {'L', {200, 300}, {300, 300}},
                 {'A', {320, 300}, {420, 300}}, {'P', {450, 200}, {550, 200}}, {'M', {450, 300}, {550, 300}},
                 {'B', {200, 380}, {300, 460}}};
  for (const auto& stroke : strokes) {
    PressKeys(0, stroke.key);
    Drag(stroke.from, stroke.to);
  }
  PressKeys(0, 'N');
  Click(620, 220);
  PressKeys(0, 'T');
  Click(450, 400);
  TypeUnicode(L"Hi 中文");
  PressKeys(0, VK_ESCAPE);
  // Once Esc has ended the text, the text is chosen and the bar offers text sizes and colours.
  ASSERT_TRUE(WaitFor([&] {
    const POINT red = BarButton(BarCommand::Ink, 0, ShapeKind::Text);
    return Near(ScreenPixel(red.x, red.y), kRed, 0);
  })) << "the bar does not style the text";
  SaveScreenshot(corvix_.Folder() / L"shapes.jpg");
  PressKeys(0, VK_RETURN);

  const std::filesystem::path saved = corvix_.Folder() / L"Save" / L"001.bmp";
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_regular_file(saved); })) << "the overlay did not stay open after Esc";
  const ReadBmp bmp(saved);
  ASSERT_TRUE(bmp.ok);
  ASSERT_EQ(bmp.width, region.right - region.left - 2 * kFrameInset);
  const auto at = [&](int x, int y) { return bmp.At(x - region.left - kFrameInset, y - region.top - kFrameInset); };
  const auto frozen = [&](int x, int y) {
    return before[static_cast<size_t>((y - region.top) / 5 * ((region.right - region.left + 4) / 5) + (x - region.left) / 5)];
  };
  // On each line: the rectangle's and the ellipse's tops, the line, the arrow, the stroke, the step.
  for (const POINT p : {POINT{250, 200}, {370, 200}, {250, 300}, {350, 300}, {500, 200}, {620 - 11, 220}})
    EXPECT_TRUE(Near(at(p.x, p.y), kRed)) << "no shape at " << p.x << "," << p.y;
  // The marker multiplies: red over what was there.
  const COLORREF under = frozen(500, 300);
  const Colour multiplied{static_cast<uint8_t>(GetRValue(under) * kRed.Red / 255),
                          static_cast<uint8_t>(GetGValue(under) * kRed.Green / 255),
                          static_cast<uint8_t>(GetBValue(under) * kRed.Blue / 255)};
  EXPECT_TRUE(Near(at(500, 300), multiplied, 3));
  // The mosaic: blocks of 10 x 10 of one colour.
  int mixed = 0;
  for (int y = 380; y < 460; y += 10)
    for (int x = 200; x < 300; x += 10)
      for (int i = 0; i < 100; ++i) mixed += std::memcmp(at(x + i % 10, y + i / 10), at(x, y), 3) != 0;
  EXPECT_EQ(mixed, 0) << "mosaic blocks of more than one colour";
  // The text: red ink where it was typed, the Chinese after the Latin.
  int inked = 0, chinese = 0;
  for (int y = 400; y < 430; ++y)
    for (int x = 450; x < 560; ++x) {
      const bool ink = Near(at(x, y), kRed, 60);
      inked += ink;
      chinese += ink && x >= 485;
    }
  EXPECT_GT(inked, 40) << "no text";
  EXPECT_GT(chinese, 20) << "no Chinese text";
  // Away from every shape, the frozen screen.
  int differ = 0, compared = 0;
  for (int y = region.top + 10; y < region.bottom - 10; y += 5)
    for (int x = region.left + 10; x < region.right - 10; x += 5) {
      const bool nearShape = (x > 185 && x < 435 && y > 185 && y < 475) || (x > 435 && x < 640 && y > 185 && y < 440);
      if (nearShape) continue;
      const uint8_t* got = at(x, y);
      const COLORREF want = frozen(x, y);
      differ += RGB(got[2], got[1], got[0]) != want;
      ++compared;
    }
  EXPECT_GT(compared, 500);
  EXPECT_EQ(differ, 0) << "pixels away from the shapes are not the frozen screen";
}

// Undo and redo, moving and restyling a shape drawn before, then the two commands: Ctrl+C puts the
// picture on the clipboard alone, Ctrl+S asks for a name although AutoSave is on. The colour chosen
// is remembered in Option.ini.
TEST_F(MarkupTest, UndoRedoMoveRestyleThenCopyAndSaveAs) {
  corvix_.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nDefaultImage=0\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix_.Start());
  PatternWindow pattern(120, 120, 600, 440);
  ASSERT_TRUE(WaitFor([&] { return pattern.OnScreen(); }));
  const RECT region = OpenRegion({150, 150}, 400, 300);
  ASSERT_EQ(region.right, 550);
  PressKeys(0, 'R');
  Drag({200, 200}, {300, 260});
  ASSERT_TRUE(WaitFor([&] { return Near(ScreenPixel(250, 200), kRed); })) << "no rectangle";
  PressKeys(MOD_CONTROL, 'Z');
  EXPECT_TRUE(WaitFor([&] { return !Near(ScreenPixel(250, 200), kRed); })) << "undo left the rectangle";
  PressKeys(MOD_CONTROL, 'Y');
  EXPECT_TRUE(WaitFor([&] { return Near(ScreenPixel(250, 200), kRed); })) << "redo did not bring it back";
  PressKeys(0, 'R');  // the tool put down: a press on the shape still takes it
  Drag({200, 230}, {230, 250});
  EXPECT_TRUE(WaitFor([&] { return Near(ScreenPixel(280, 220), kRed) && !Near(ScreenPixel(250, 200), kRed); }))
      << "the rectangle did not move";
  const POINT yellow = BarButton(BarCommand::Ink, 2, ShapeKind::Rectangle);
  Click(yellow.x, yellow.y);
  EXPECT_TRUE(WaitFor([&] { return Near(ScreenPixel(280, 220), kYellow); })) << "the colour did not apply";
  SaveScreenshot(corvix_.Folder() / L"moved.jpg");
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  PressKeys(MOD_CONTROL, 'C');
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(overlay_); }));
  HBITMAP copied = nullptr;
  ASSERT_TRUE(WaitFor([&] {  // the picture goes on the clipboard once the overlay has closed
    if (!OpenClipboard(nullptr)) return false;
    copied = static_cast<HBITMAP>(CopyImage(GetClipboardData(CF_BITMAP), IMAGE_BITMAP, 0, 0, 0));
    CloseClipboard();
    return copied != nullptr;
  })) << "no picture on the clipboard";
  HDC memory = CreateCompatibleDC(nullptr);
  SelectObject(memory, copied);
  const COLORREF moved = GetPixel(memory, 280 - region.left - kFrameInset, 220 - region.top - kFrameInset);
  DeleteDC(memory);
  DeleteObject(copied);
  EXPECT_TRUE(Near(moved, kYellow)) << std::hex << moved;
  EXPECT_EQ(FilesIn(corvix_.Folder() / L"Save"), 0u) << "copying wrote a file";
  EXPECT_NE(FileBytes(corvix_.Folder() / L"Option.ini").find("Colour=2"), std::string::npos);

  ASSERT_NE(OpenRegion({150, 150}, 200, 150).right, 0);
  PressKeys(MOD_CONTROL, 'S');
  HWND dialog = corvix_.WaitForSaveDialog();
  ASSERT_NE(dialog, nullptr) << "no Save dialog";
  SetWindowTextW(FileNameField(dialog), L"drawn.bmp");
  PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return std::filesystem::is_regular_file(corvix_.Folder() / L"Save" / L"drawn.bmp"); }));
  EXPECT_FALSE(std::filesystem::exists(corvix_.Folder() / L"Save" / L"001.bmp"));
}

}  // namespace
}  // namespace e2e
