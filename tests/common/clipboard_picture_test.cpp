// The clipboard's formats made on a worker, for a message-only owner window.
#include <gtest/gtest.h>

#include <optional>

#include "common/clipboard.h"
#include "common/png_encoding.h"
#include "support/windows.h"

namespace {

constexpr UINT kRendered = WM_APP + 1;
std::optional<TClipboardPicture> picture;
int asked = 0, rendered = 0;  // WM_RENDERFORMAT requests, the worker's messages

LRESULT CALLBACK Owner(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_RENDERFORMAT) ++asked, picture->Render(static_cast<UINT>(wParam));
  if (message == kRendered) ++rendered, picture->Rendered();
  return DefWindowProcW(window, message, wParam, lParam);  // 0 for both
}

// A 32-bit bottom-up picture of noise (as the captures make them), different for each seed.
UniqueBitmap Noise(int width, int height, uint32_t seed, PixelView& view) {
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB}};
  uint8_t* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0));
  view = {width, height, 32, bits, size_t{4} * width, false};
  for (size_t at = 0; at < view.Stride * height; ++at) bits[at] = static_cast<uint8_t>((seed = seed * 1664525 + 1013904223) >> 24);
  return bitmap;
}

// Whether the clipboard holds the picture's DIB and PNG (their encoders are tested on their own).
bool Holds(UINT format, const std::vector<uint8_t>& want) {
  const std::vector<uint8_t> got = testsupport::ClipboardBytes(format);
  return !want.empty() && got.size() >= want.size() && std::equal(want.begin(), want.end(), got.begin());
}
bool OnClipboard(const PixelView& view) {
  std::vector<uint8_t> png;
  return EncodePng(view, png) == 0 && Holds(CF_DIB, PackedDib24(view)) && Holds(RegisterClipboardFormatW(L"PNG"), png);
}

// Handles every message until `done`; false after 20 s.
bool HandleUntil(const std::function<bool()>& done) {
  for (const DWORD start = GetTickCount(); !done(); MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT)) {
    if (GetTickCount() - start > 20000) return false;
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&message);
  }
  return true;
}

TEST(ClipboardPicture, MadeOnAWorkerAFormatAskedForIsWaitedForTheRestComesAtItsMessageAndANewPictureDropsIt) {
  const WNDCLASSW type{0, Owner, 0, 0, GetModuleHandleW(nullptr), nullptr, nullptr, nullptr, nullptr, L"ClipboardOwner"};
  RegisterClassW(&type);
  picture.emplace(CreateWindowExW(0, type.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance, nullptr), kRendered);
  PixelView first, second;
  const UniqueBitmap firstBitmap = Noise(1600, 1200, 1, first), secondBitmap = Noise(40, 30, 2, second);
  picture->Put(firstBitmap.get());
  picture->StartRendering();
  // Asked for here, where the worker's message is not handled meanwhile: the DIB can only have been
  // made at the request, the worker waited for.
  EXPECT_FALSE(testsupport::ClipboardBytes(CF_DIB).empty());
  EXPECT_EQ(asked, 1) << "the DIB was on the clipboard before anyone asked: made on the calling thread";
  ASSERT_TRUE(HandleUntil([&] { return rendered == 1; }));
  EXPECT_TRUE(OnClipboard(first));
  EXPECT_EQ(asked, 1) << "the PNG did not come at the worker's message";

  // Put again while the worker runs: what it makes goes nowhere, the formats are the new picture's.
  picture->Put(firstBitmap.get());
  picture->StartRendering();
  picture->Put(secondBitmap.get());
  ASSERT_TRUE(HandleUntil([&] { return rendered == 2; }));
  EXPECT_TRUE(OnClipboard(second)) << "the first picture's worker set a format";
}

}  // namespace
