// Pins: a region pinned from the overlay, and the clipboard's picture pinned from the tray menu,
// driven as a person does and read back from the screen and the files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/resource.h"
#include "common/png_encoding.h"
#include "corvix_run.h"
#include "pattern_window.h"
#include "support/decode_png.h"

namespace e2e {
namespace {

// The program's shown top-level windows of a class: its pins, its dialogs.
std::vector<HWND> Shown(const CorvixRun& corvix, const wchar_t* className) {
  std::vector<HWND> shown;
  for (HWND at = GetTopWindow(nullptr); at; at = GetWindow(at, GW_HWNDNEXT)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(at, &pid);
    if (pid == corvix.Pid() && IsWindowVisible(at) && ClassName(at) == className) shown.push_back(at);
  }
  return shown;
}

std::vector<HWND> Pins(const CorvixRun& corvix) { return Shown(corvix, L"TCorvixPin"); }

// A PNG alone on the clipboard, as some programs copy a picture.
bool PutPngOnClipboard(const std::vector<uint8_t>& png) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, png.size());
  std::memcpy(GlobalLock(block), png.data(), png.size());
  GlobalUnlock(block);
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  SetClipboardData(RegisterClipboardFormatW(L"PNG"), block);
  return CloseClipboard() != FALSE;
}

RECT Outer(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

// A saved PNG's blue, green and red, row after row from the top.
std::vector<uint8_t> FileBgr(const std::filesystem::path& path) {
  const std::string bytes = FileBytes(path);
  DecodedPng png = DecodePng({bytes.begin(), bytes.end()});
  for (size_t i = 0; i + 2 < png.rgb.size(); i += 3) std::swap(png.rgb[i], png.rgb[i + 2]);
  return png.rgb;
}

// Once a menu of the program is open, the entry `down` steps from its top, chosen at the keyboard.
bool ChooseEntry(const CorvixRun& corvix, int down) {
  if (!WaitFor([&] { return FindProcessWindow(corvix.Pid(), L"#32768", L"", true) != nullptr; })) return false;
  for (int i = 0; i < down; ++i) PressKeys(0, VK_DOWN);
  PressKeys(0, VK_RETURN);
  return true;
}

// F3 in the overlay pins the region where it stood, its exact pixels, without taking the focus from
// the window worked in; the pin is in no taskbar, is dragged, zooms with the wheel and back to the
// exact picture, takes Ctrl+wheel as opacity, copies itself with Ctrl+C (which the tray pins
// again) and closes with Esc.
TEST(Pins, ARegionPinnedStandsWhereItWasIsDraggedZoomedFadedCopiedAndClosed) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  PatternWindow pattern(120, 120, 500, 400);
  ASSERT_TRUE(WaitFor([&] { return pattern.OnScreen(); }));
  Press(kCtrlF3);
  HWND overlay = corvix.WaitForOverlay();
  ASSERT_NE(overlay, nullptr);
  const RECT box = corvix.SizeBox(overlay, {150, 150}, 300, 200);
  ASSERT_FALSE(IsRectEmpty(&box));
  RECT inside{box.left + 5, box.top + 5, box.right - 5, box.bottom - 5};
  RECT interior{inside.left + 1, inside.top + 1, inside.right - 1, inside.bottom - 1};
  std::vector<uint8_t> was;  // the pattern's pixels inside the frame line, as the pin must show them
  const RECT client = pattern.Client();
  for (int y = interior.top; y < interior.bottom; ++y)
    for (int x = interior.left; x < interior.right; ++x) was.insert(was.end(), pattern.At(x - client.left, y - client.top), pattern.At(x - client.left, y - client.top) + 3);
  PressKeys(0, VK_F3);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(overlay) && Pins(corvix).size() == 1; })) << "no pin";
  const HWND pin = Pins(corvix).front();
  EXPECT_NE(GetForegroundWindow(), pin) << "the pin took the focus";
  // The window worked in, an ordinary one; the pin stays above it.
  SetWindowPos(pattern.Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  pattern.BringToFront();
  RECT outer = Outer(pin), framed = inside;
  InflateRect(&framed, 1, 1);
  EXPECT_TRUE(EqualRect(&outer, &framed)) << "the pin is not where the region was, in its frame";
  const LONG_PTR exStyle = GetWindowLongPtrW(pin, GWL_EXSTYLE);
  EXPECT_TRUE((exStyle & WS_EX_TOOLWINDOW) && (exStyle & WS_EX_TOPMOST) && !(exStyle & WS_EX_APPWINDOW));

  const POINT grab{inside.left + 50, inside.top + 50};
  ASSERT_TRUE(DragInMoveSizeLoop(pin, grab, {grab.x + 40, grab.y + 30},
                                 {outer.left + 40, outer.top + 30, outer.right + 40, outer.bottom + 30}));
  OffsetRect(&inside, 40, 30);
  OffsetRect(&interior, 40, 30);
  // Moved over the window it came from, it shows its own pixels, not the window's.
  EXPECT_TRUE(WaitFor([&] { return ScreenBgr(interior) == was; })) << "the pin does not show the region's pixels";
  SaveScreenshot(corvix.Folder() / L"pin.jpg");

  Click(inside.left + 50, inside.top + 50);  // the pin in front, for the wheel and the keys
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == pin; }));
  Wheel(-1);
  ASSERT_EQ(inside.right - inside.left, 290);
  EXPECT_TRUE(WaitFor([&] { return Outer(pin).right - Outer(pin).left == 2 + 261; })) << "the wheel did not zoom to 90 %";
  Wheel(1);
  EXPECT_TRUE(WaitFor([&] {
    outer = Outer(pin);
    return outer.left == inside.left - 1 && outer.right == inside.right + 1 && ScreenBgr(interior) == was;
  })) << "zoomed back, the pin is not the exact picture where it was";
  Wheel(-2, true);
  BYTE alpha = 0;
  EXPECT_TRUE(WaitFor([&] { return GetLayeredWindowAttributes(pin, nullptr, &alpha, nullptr) && alpha == 80 * 255 / 100; }))
      << "opacity " << static_cast<int>(alpha);
  const DWORD clipboard = GetClipboardSequenceNumber();
  PressKeys(MOD_CONTROL, 'C');
  ASSERT_TRUE(WaitFor([&] { return GetClipboardSequenceNumber() != clipboard; })) << "Ctrl+C copied nothing";
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_PIN_CLIPBOARD, 0);
  ASSERT_TRUE(WaitFor([&] { return Pins(corvix).size() == 2; })) << "Ctrl+C's picture was not pinned again";
  const std::vector<HWND> both = Pins(corvix);  // read once: the z-order may change between two reads
  ASSERT_EQ(both.size(), 2u);
  const RECT again = Outer(both.front() == pin ? both.back() : both.front());
  EXPECT_EQ(again.right - again.left, inside.right - inside.left + 2);
  // Its own frame, then the picture's frame line, then the region's pixels, the right way up.
  const RECT againInterior{again.left + 2, again.top + 2, again.right - 2, again.bottom - 2};
  EXPECT_TRUE(WaitFor([&] { return ScreenBgr(againInterior) == was; })) << "Ctrl+C's picture is not the pin's";
  PressKeys(0, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(pin) && Pins(corvix).size() == 1; })) << "Esc did not close the pin";
}

// The tray menu's entry pins the clipboard's picture (here a PNG alone, as some programs copy one),
// centred; ten pins close at once with the menu's "关闭全部贴图"; a pin's right-click menu saves it
// (as a PNG: its pixels read back, the right way up) and a double-click closes it; with no picture on the clipboard, a balloon says so.
TEST(Pins, TheClipboardIsPinnedFromTheTrayTheMenusSaveAndCloseThemAndNoPictureIsSaid) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nDefaultImage=2\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  const TestPicture picture(120, 70, 32);
  std::vector<uint8_t> png, bgr;
  ASSERT_EQ(EncodePng({120, 70, 32, picture.Pixels(), picture.Stride(), true}, png), 0);
  for (int i = 0; i < 120 * 70; ++i) bgr.insert(bgr.end(), picture.Pixels() + i * 4, picture.Pixels() + i * 4 + 3);
  ASSERT_TRUE(PutPngOnClipboard(png));
  for (int i = 0; i < 10; ++i) PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_PIN_CLIPBOARD, 0);
  ASSERT_TRUE(WaitFor([&] { return Pins(corvix).size() == 10; })) << Pins(corvix).size() << " pins";
  RECT outer = Outer(Pins(corvix).front());
  const RECT shown{outer.left + 1, outer.top + 1, outer.right - 1, outer.bottom - 1};
  EXPECT_TRUE(WaitFor([&] { return ScreenBgr(shown) == bgr; })) << "the pin does not show the PNG's pixels";
  RECT work{};  // of the one monitor the tests have
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ((outer.left + outer.right) / 2, (work.left + work.right) / 2);
  PostMessageW(corvix.NotifyWindow(), 0x0800, 1, WM_RBUTTONDOWN);  // the shell's word of a right press
  ASSERT_TRUE(ChooseEntry(corvix, 5)) << "no tray menu";  // below "贴图（剪贴板）"
  EXPECT_TRUE(WaitFor([&] { return Pins(corvix).empty(); })) << "关闭全部贴图 did not close the ten";

  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_PIN_CLIPBOARD, 0);
  ASSERT_TRUE(WaitFor([&] { return Pins(corvix).size() == 1; }));
  Click(outer.left + 30, outer.top + 30, MK_RBUTTON);
  ASSERT_TRUE(ChooseEntry(corvix, 2)) << "no menu on the pin";  // "另存为..."
  HWND dialog = corvix.WaitForSaveDialog();
  ASSERT_NE(dialog, nullptr);
  const std::filesystem::path saved = corvix.Folder() / L"pin.png";
  SetWindowTextW(FileNameField(dialog), saved.c_str());
  PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_regular_file(saved) && !IsWindow(dialog); }));
  EXPECT_TRUE(FileBgr(saved) == bgr) << "the saved file is not the pin's picture";
  DoubleClick(outer.left + 20, outer.top + 20);
  EXPECT_TRUE(WaitFor([&] { return Pins(corvix).empty(); })) << "a double-click did not close the pin";

  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_PIN_CLIPBOARD, 0);
  EXPECT_NE(WaitForBalloon([](const BalloonView& view) { return view.Text == L"剪贴板中没有图片"; }).Handle, nullptr);
  EXPECT_TRUE(Pins(corvix).empty()) << "a pin of nothing";
}

// The largest PNG a pin takes, 8192 x 8192 at 16 bits a channel: 256 MB of pixels from a file of
// 2.3 MB, over a second of decoding. It is decoded off the window's thread: a hot key pressed
// meanwhile captures at once.
TEST(Pins, AHugeClipboardPngIsDecodedWhileTheHotKeysWork) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  constexpr uint32_t kSide = 8192;
  std::vector<uint8_t> png;
  {
    png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(writer);
    ASSERT_EQ(setjmp(png_jmpbuf(writer)), 0) << "libpng could not write the picture";
    png_set_write_fn(writer, &png, [](png_structp out, png_bytep bytes, size_t size) {
      auto* file = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(out));
      file->insert(file->end(), bytes, bytes + size);
    }, nullptr);
    png_set_compression_level(writer, 1);
    png_set_IHDR(writer, info, kSide, kSide, 16, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(writer, info);
    const std::vector<uint8_t> row(size_t{kSide} * 8, 0x80);
    for (uint32_t y = 0; y < kSide; ++y) png_write_row(writer, row.data());
    png_write_end(writer, info);
    png_destroy_write_struct(&writer, &info);
  }
  ASSERT_TRUE(PutPngOnClipboard(png));
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_PIN_CLIPBOARD, 0);
  Press(kCtrlF1);
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_regular_file(corvix.Folder() / L"Save" / L"001.jpg"); }));
  EXPECT_TRUE(Pins(corvix).empty()) << "the hot key waited for the picture to be decoded";
  ASSERT_TRUE(WaitFor([&] { return Pins(corvix).size() == 1; }, 60s)) << "the picture was not pinned";
}

// A pin's Save dialog and a capture's hold each other up in no way: a hot key captures while a pin's
// dialog is open, and a pin's 另存为... opens its dialog while a capture's is open.
TEST(Pins, APinsSaveDialogAndACapturesOpenBesideEachOther) {
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=0\r\nExitHint=0\r\n");
  ASSERT_TRUE(corvix.Start());
  std::vector<uint8_t> png;
  const std::vector<uint8_t> grey(100 * 80 * 4, 128);
  ASSERT_EQ(EncodePng({100, 80, 32, grey.data(), 400, true}, png), 0);
  ASSERT_TRUE(PutPngOnClipboard(png));
  PostMessageW(corvix.MainForm(), WM_COMMAND, IDA_PIN_CLIPBOARD, 0);
  ASSERT_TRUE(WaitFor([&] { return Pins(corvix).size() == 1; }));
  const RECT pin = Outer(Pins(corvix).front());
  // On the screen (its grey frame shows) before it is clicked: a click before lands beneath.
  ASSERT_TRUE(WaitFor([&] { return ScreenPixel(pin.left, pin.top + 10) == RGB(90, 90, 90); }));
  const auto dialogs = [&] {  // Save dialogs, not error boxes
    std::vector<HWND> open = Shown(corvix, L"#32770");
    std::erase_if(open, [](HWND dialog) { return FileNameField(dialog) == nullptr; });
    return open;
  };
  const auto saveFromPin = [&] {  // 另存为... in the pin's menu
    Click(pin.left + 30, pin.top + 30, MK_RBUTTON);
    return ChooseEntry(corvix, 2);
  };
  const auto cancelAll = [&] {
    for (HWND dialog : dialogs()) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return WaitFor([&] { return dialogs().empty(); });
  };
  ASSERT_TRUE(saveFromPin());
  ASSERT_TRUE(WaitFor([&] { return dialogs().size() == 1; })) << "no Save dialog on the pin";
  Press(kCtrlF1);
  EXPECT_TRUE(WaitFor([&] { return dialogs().size() == 2; })) << "the hot key was dropped while the pin's dialog was open";
  ASSERT_TRUE(cancelAll());
  Press(kCtrlF1);
  ASSERT_TRUE(WaitFor([&] {  // up and in front before the pin is clicked
    const std::vector<HWND> open = dialogs();
    return open.size() == 1 && GetForegroundWindow() == open.front();
  })) << "no Save dialog for the capture";
  ASSERT_TRUE(saveFromPin());
  EXPECT_TRUE(WaitFor([&] { return dialogs().size() == 2; })) << "the pin's 另存为... did nothing while the capture's dialog was open";
  EXPECT_TRUE(cancelAll());
}

}  // namespace
}  // namespace e2e
