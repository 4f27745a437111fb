#include "scrolling/scroll_capture.h"

#include <array>
#include <memory>
#include <string>
#include <vector>
#include <algorithm>

#include "capture/capture_picture.h"
#include "overlay/overlay_look.h"
#include "scrolling/auto_scroll.h"
#include "scrolling/long_picture.h"
#include "scrolling/scroll_panel.h"
#include "toolkit/controls.h"
#include "toolkit/error.h"
#include "toolkit/forms.h"
#include "toolkit/scope_exit.h"
#include "toolkit/escape_key.h"
#include "toolkit/scoped_hot_key.h"

namespace {

constexpr UINT kReadMilliseconds = 30;
constexpr UINT_PTR kReadTimer = 1;
constexpr int kDoneKey = 1, kCancelKey = 2;
constexpr int kFrameLine = 2;  // pixels, just outside the region
// Reads that may differ while the windows the overlay covered paint themselves again; after that
// the region is taken as it is (a video in it never settles).
constexpr int kSettlingReads = 10;

constexpr wchar_t kTooFast[] = L"滚动太快，请往回滚一点";
constexpr wchar_t kFull[] = L"长图已满，可点完成";
constexpr wchar_t kBottom[] = L"已滚动到底部";
constexpr wchar_t kIgnored[] = L"该窗口不接受自动滚动，请用滚轮滚动";
constexpr wchar_t kInTheWay[] = L"本面板挡住了区域，长图无法加长；请缩小区域重新截图";

// One side of the line round the region: above everything, seen by no read of the region, and
// the mouse goes through it to the window below.
class TFrameLine : public TWinControl {
 public:
  explicit TFrameLine(const Rect& place) {
    static const HBRUSH accent = CreateSolidBrush(kOverlayAccent);
    CreateHandle({L"TScrollFrameLine", 0, IDC_ARROW, accent},
                 WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT, WS_POPUP, L"",
                 {place.Left, place.Top, place.Width(), place.Height()}, nullptr);
    SetLayeredWindowAttributes(Handle(), 0, 255, LWA_ALPHA);
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
  }
  ~TFrameLine() override { DestroyWindow(Handle()); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_NCHITTEST) return HTTRANSPARENT;
    return TWinControl::HandleMessage(message, wParam, lParam);
  }
};

class TScrollSession {
 public:
  explicit TScrollSession(const Rect& region) : region_(region), picture_(region.Width(), region.Height(), TLongPicture::MaxRowsFor(region.Width())) {}

  UniqueBitmap Run();

 private:
  void Read();
  void ShowPanel();
  void StopAutoScroll();
  bool ReadRegion();
  ReadResult AddRead();
  void Command(PanelCommand command);
  bool SendWheelStep(bool down);
  UniqueBitmap LongPicture();

  Rect region_;
  TLongPicture picture_;
  TAutoScroll autoScroll_;
  std::unique_ptr<TScrollPanel> panel_;
  WindowDc screen_{nullptr};
  UniqueMemoryDc readDc_;
  UniqueBitmap readBitmap_;
  uint32_t* readPixels_ = nullptr;
  std::vector<uint32_t> firstRead_;  // until the region has settled
  int reads_ = 0;          // reads tried, the region's first read among them
  bool shown_ = false;     // the panel
  bool blocked_ = false;   // the panel stands in the reads
  bool lost_ = false;      // the latest read that moved could not be placed
  enum class Ending : uint8_t { None, Done, Cancel } ending_ = Ending::None;
};

POINT Middle(const Rect& region) { return {region.Left + region.Width() / 2, region.Top + region.Height() / 2}; }

UniqueBitmap TScrollSession::Run() {
  // Pins and the like stay still while it runs, as they do under the overlay.
  DisabledThreadWindows others;
  void* bits = nullptr;
  readBitmap_ = NewDibSection(region_.Width(), region_.Height(), 32, &bits);
  readPixels_ = static_cast<uint32_t*>(bits);
  readDc_.reset(CreateCompatibleDC(screen_.get()));
  ScopedSelect keep(readDc_.get(), readBitmap_.get());

  const int k = kFrameLine;
  const Rect r = region_;
  std::array<std::unique_ptr<TFrameLine>, 4> frame = {
      std::make_unique<TFrameLine>(Rect{r.Left - k, r.Top - k, r.Right + k, r.Top}),
      std::make_unique<TFrameLine>(Rect{r.Left - k, r.Bottom, r.Right + k, r.Bottom + k}),
      std::make_unique<TFrameLine>(Rect{r.Left - k, r.Top, r.Left, r.Bottom}),
      std::make_unique<TFrameLine>(Rect{r.Right, r.Top, r.Right + k, r.Bottom})};
  panel_ = std::make_unique<TScrollPanel>(region_, [this](PanelCommand command) { Command(command); });
  const ScopeExit freePanel([this] { panel_->Destroy(); });
  panel_->Create();
  // The keyboard goes to the window being scrolled, which the user marked the region on.
  if (HWND under = WindowFromPoint(Middle(region_))) SetForegroundWindow(GetAncestor(under, GA_ROOT));
  // Everything is ready before the panel shows, with the first read: whoever sees it may press
  // Enter or Esc.
  const TScopedHotKey done(panel_->Handle(), kDoneKey, VK_RETURN);
  const TEscapeOwner cancel(panel_->Handle(), kCancelKey);
  SetTimer(panel_->Handle(), kReadTimer, kReadMilliseconds, nullptr);
  Read();
  MSG message;
  while (ending_ == Ending::None) {
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
      Application.Terminate();
      PostQuitMessage(0);  // the outer loop ends too
      return {};
    }
    if (message.hwnd == panel_->Handle() && message.message == WM_TIMER && message.wParam == kReadTimer) {
      Read();
      continue;
    }
    if (message.hwnd == panel_->Handle() && message.message == WM_HOTKEY) {
      Command(message.wParam == kDoneKey ? PanelCommand::Done : PanelCommand::Cancel);
      continue;
    }
    if (panel_->TakesClick(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  KillTimer(panel_->Handle(), kReadTimer);
  if (ending_ == Ending::Cancel) return {};
  return LongPicture();
}

bool TScrollSession::ReadRegion() {
  if (!BitBlt(readDc_.get(), 0, 0, region_.Width(), region_.Height(), screen_.get(), region_.Left, region_.Top, SRCCOPY))
    return false;
  GdiFlush();
  return true;
}

// The read is bottom-up, as DIB sections are. The row under the pointer may be lit by it.
ReadResult TScrollSession::AddRead() {
  POINT pointer{};
  const bool over = GetCursorPos(&pointer) && region_.Contains(pointer.x, pointer.y);
  return picture_.Add(readPixels_ + static_cast<ptrdiff_t>(region_.Height() - 1) * region_.Width(), -region_.Width(),
                      over ? pointer.y - region_.Top : -1);
}

// The panel shows with the first read, or after the reads that may settle where the screen cannot
// be read: whoever pressed S sees the capture going.
void TScrollSession::ShowPanel() {
  if (shown_) return;
  shown_ = true;
  // Standing on the region, the panel must keep out of the reads; where the system cannot keep it
  // out, the picture stays as it started.
  if (!panel_->ShowInactive()) {
    blocked_ = true;
    panel_->Say(kInTheWay);
  }
}

void TScrollSession::Read() {
  if (blocked_) return;
  ++reads_;
  if (!ReadRegion()) {  // the screen cannot be read now (a secure desktop, say): the next read tries again
    if (reads_ >= kSettlingReads) ShowPanel();
    return;
  }
  const size_t pixels = static_cast<size_t>(region_.Width()) * region_.Height();
  if (picture_.Height() == 0) {
    // The first read once the region has settled: the windows the overlay covered may still be
    // painting themselves again.
    const bool settled = std::equal(readPixels_, readPixels_ + pixels, firstRead_.begin(), firstRead_.end());
    if (!settled && reads_ < kSettlingReads) {
      firstRead_.assign(readPixels_, readPixels_ + pixels);
      return;
    }
    firstRead_ = {};
  }
  const ReadResult result = AddRead();
  if (result != ReadResult::Unchanged) lost_ = result == ReadResult::Lost;
  switch (result) {
    case ReadResult::Started:
      panel_->ShowPicture(picture_);
      ShowPanel();
      return;
    case ReadResult::Grew:
      panel_->ShowPicture(picture_);
      panel_->Say(L"");
      break;
    case ReadResult::Lost: panel_->Say(kTooFast); break;
    case ReadResult::Full:
      panel_->ShowPicture(picture_);
      panel_->Say(kFull);
      StopAutoScroll();
      break;
    default: break;
  }
  // Moving by the rows that scroll: content that changes by itself leaves the region at rest.
  const AutoStep step = autoScroll_.Read(!picture_.Resting(), !lost_);
  switch (step) {
    case AutoStep::Send:
    case AutoStep::SendBack:
      if (SendWheelStep(step == AutoStep::Send)) break;
      [[fallthrough]];  // refused (a window of a higher integrity level)
    case AutoStep::Ignored:
      StopAutoScroll();
      panel_->Say(kIgnored);
      break;
    case AutoStep::Stuck: StopAutoScroll(); break;
    case AutoStep::Bottom:
      panel_->ShowAutoScrolling(false);
      panel_->Say(kBottom);
      break;
    case AutoStep::Wait: break;
  }
}

void TScrollSession::StopAutoScroll() {
  autoScroll_.Stop();
  panel_->ShowAutoScrolling(false);
}

// A notch down (or up), to the window under the middle of the region, where the wheel would go
// with the cursor there: the cursor itself stays where it is, on the panel say.
// False when the window refuses it.
bool TScrollSession::SendWheelStep(bool down) {
  const POINT middle = Middle(region_);
  const auto delta = static_cast<WORD>(down ? -WHEEL_DELTA : WHEEL_DELTA);
  HWND under = WindowFromPoint(middle);
  return under && PostMessageW(under, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(middle.x, middle.y));
}

void TScrollSession::Command(PanelCommand command) {
  switch (command) {
    case PanelCommand::AutoScroll:
      // Not from where a read could not be placed, nor once the picture cannot grow.
      if (!autoScroll_.Running() && !lost_ && !blocked_ && !picture_.Full() && picture_.Height() > 0) {
        autoScroll_.Start();
        panel_->Say(L"");
      } else {
        autoScroll_.Stop();
      }
      panel_->ShowAutoScrolling(autoScroll_.Running());
      break;
    case PanelCommand::Done: ending_ = Ending::Done; break;
    case PanelCommand::Cancel: ending_ = Ending::Cancel; break;
  }
}

UniqueBitmap TScrollSession::LongPicture() {
  // The region as it stands when the capture ends is read once more: a line lit under the pointer
  // or a tooltip gone since the last read is not kept. Ended before the region settled, that read
  // is the picture (the panel is not shown yet).
  if ((picture_.Height() == 0 || !blocked_) && ReadRegion()) AddRead();
  const int32_t width = picture_.Width(), height = picture_.Height();
  if (height == 0) throw Error(L"Cannot copy the screen");
  void* bits = nullptr;
  UniqueBitmap bitmap = NewDibSection(width, height, 32, &bits);
  picture_.MoveTo(static_cast<uint32_t*>(bits) + static_cast<ptrdiff_t>(height - 1) * width, -width);
  return bitmap;
}

}  // namespace

UniqueBitmap RunScrollCapture(const Rect& region) { return TScrollSession(region).Run(); }
