#include "command_line/command_line_run.h"

#include <memory>

#include "app/capture_run.h"
#include "app/program_modules.h"
#include "app/single_instance.h"
#include "capture/countdown.h"
#include "command_line/console_output.h"
#include "command_line/request_exchange.h"
#include "toolkit/error.h"
#include "toolkit/forms.h"
#include "toolkit/scope_exit.h"

namespace {

constexpr DWORD kStartingMs = 10000, kStepMs = 50;

// The main form of the Corvix running in this session, waited for while it starts; null when none
// runs.
HWND RunningCorvix() {
  if (!CorvixRuns()) return nullptr;
  HWND form = nullptr;
  for (DWORD waited = 0; !(form = FindWindowW(L"CorvixForm", L"CorvixForm")) && waited < kStartingMs; waited += kStepMs)
    Sleep(kStepMs);
  return form;
}

// The window that owns what this start puts on the clipboard: a program pasting meanwhile (while
// the Save dialog is open, say) gets it made.
class TClipboardOwner : public TWinControl {
 public:
  TClipboardOwner() { CreateHandle({L"TCorvixCommandClipboard"}, 0, WS_POPUP, L"", {0, 0, 0, 0}, HWND_MESSAGE); }
  TClipboardPicture* Clipboard = nullptr;
  static constexpr UINT kRenderedMessage = WM_APP + 1;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (Clipboard) switch (message) {
        case WM_RENDERFORMAT: Clipboard->Render(static_cast<UINT>(wParam)); return 0;
        case WM_RENDERALLFORMATS: Clipboard->RenderNow(); return 0;
        case WM_DESTROYCLIPBOARD: Clipboard->Emptied(); return 0;
        case kRenderedMessage: Clipboard->Rendered(); return 0;
      }
    return TWinControl::HandleMessage(message, wParam, lParam);
  }
};

// The capture here, the count first, as the running Corvix would carry it out.
CaptureAnswer CaptureAlone(const CaptureRequest& request) {
  TClipboardOwner owner;
  TCaptureRun capture(owner.Handle(), TClipboardOwner::kRenderedMessage, {});
  owner.Clipboard = &capture.Clipboard();
  const ScopeExit forget([&] { owner.Clipboard = nullptr; });  // the capture goes first
  if (request.DelaySeconds > 0) {
    TCountdown countdown;
    countdown.Create();
    bool over = false, cancelled = false;
    countdown.Start(request.DelaySeconds, [&] { over = true; }, [&] { over = cancelled = true; });
    MSG message;
    while (!over && GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    countdown.Destroy();
    if (cancelled) return {kCancelled, L"已取消"};
  }
  const CaptureAnswer answer = capture.RunRequest(request);
  capture.Clipboard().RenderNow();  // the picture stays on the clipboard once this start has ended
  return answer;
}

}  // namespace

int RunCommandLine(const ParsedArguments& parsed, HINSTANCE instance) {
  if (parsed.Verdict == ArgumentsVerdict::Help) {
    WriteOut(UsageText());
    return kWritten;
  }
  if (parsed.Verdict == ArgumentsVerdict::Bad) {
    WriteError(parsed.Error + L"\r\n\r\n" + UsageText());
    return kFailed;
  }
  CaptureRequest request = parsed.Request;
  if (!request.Out.empty()) {
    // Made absolute here: the running Corvix has a working folder of its own.
    std::wstring full(32768, L'\0');
    const DWORD length = GetFullPathNameW(request.Out.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) return PrintAnswer({kFailed, L"无效的文件名：" + request.Out});
    full.resize(length);
    request.Out = full;
    const DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (!request.Overwrite || (attributes & FILE_ATTRIBUTE_DIRECTORY)))
      return PrintAnswer({kFailed, L"文件已存在：" + full + (request.Overwrite ? L"" : L"（加 --overwrite 可以覆盖）")});
  }
  if (HWND form = RunningCorvix()) return HandOver(form, request);
  if (request.Pin) return PrintAnswer({kFailed, L"--pin 需要 Corvix 正在运行：贴图会随这次启动一起关闭"});
  CaptureAnswer answer;
  try {
    StartModules(instance);
    answer = CaptureAlone(request);
  } catch (const Error& error) {
    answer = {kFailed, error.Message()};
  } catch (const std::exception&) {
    answer = {kFailed, L"截图失败：内存不足或系统拒绝"};
  }
  EndModules();
  return PrintAnswer(answer);
}
