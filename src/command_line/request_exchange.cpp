#include "command_line/request_exchange.h"

#include <bcrypt.h>

#include "command_line/console_output.h"
#include "toolkit/handles.h"

namespace {

// WM_COPYDATA's dwData: which of the two a block is.
constexpr ULONG_PTR kRequestData = 0x43525851, kAnswerData = 0x43525841;
constexpr DWORD kHandOverMs = 10000, kAnswerMs = 10000;
// How often the wait for the answer looks whether the running Corvix is still there.
constexpr DWORD kCheckMs = 500;

struct Waiting {
  std::wstring Secret;
  std::optional<CaptureAnswer> Answer;
};

// Only the answer that carries the request's secret is taken: the window lets any program send it
// messages, a Corvix run as administrator or not.
LRESULT CALLBACK ReplyProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    auto* waiting = reinterpret_cast<Waiting*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (data->dwData != kAnswerData || !waiting || !data->lpData || waiting->Answer) return FALSE;
    waiting->Answer =
        AnswerFromText(std::wstring(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t)), waiting->Secret);
    return waiting->Answer.has_value();
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// 128 bits from the system's random numbers, in hexadecimal; empty when there are none.
std::wstring NewSecret() {
  uint8_t bytes[16];
  if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) return {};
  std::wstring secret;
  for (const uint8_t byte : bytes) {
    secret += L"0123456789abcdef"[byte >> 4];
    secret += L"0123456789abcdef"[byte & 15];
  }
  return secret;
}

bool SendText(HWND to, HWND from, ULONG_PTR kind, const std::wstring& text, DWORD waitMs, DWORD_PTR& result) {
  COPYDATASTRUCT data{kind, static_cast<DWORD>(text.size() * sizeof(wchar_t)), const_cast<wchar_t*>(text.data())};
  return SendMessageTimeoutW(to, WM_COPYDATA, reinterpret_cast<WPARAM>(from), reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG, waitMs, &result) != 0;
}

}  // namespace

int PrintAnswer(const CaptureAnswer& answer) {
  if (answer.Code == kWritten)
    WriteOut(answer.Text + L"\r\n");
  else
    WriteError(answer.Text + L"\r\n");
  return answer.Code;
}

int HandOver(HWND form, const CaptureRequest& request) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ReplyProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TCorvixCommandReply";
  RegisterClassW(&windowClass);
  HWND reply = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               windowClass.hInstance, nullptr);
  if (!reply) return PrintAnswer({kFailed, L"无法等待 Corvix 的回答"});
  Waiting waiting{NewSecret()};
  if (waiting.Secret.empty()) {
    DestroyWindow(reply);
    return PrintAnswer({kFailed, L"无法等待 Corvix 的回答"});
  }
  SetWindowLongPtrW(reply, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&waiting));
  // The answer may come from a Corvix of a lower integrity than this start (one run as
  // administrator); the secret tells it from any other program's.
  ChangeWindowMessageFilterEx(reply, WM_COPYDATA, MSGFLT_ALLOW, nullptr);
  DWORD pid = 0;
  GetWindowThreadProcessId(form, &pid);
  UniqueKernelHandle running(OpenProcess(SYNCHRONIZE, FALSE, pid));
  LRESULT taken = 0;
  const bool sent = SendRequest(form, reply, request, waiting.Secret, taken);
  CaptureAnswer answer{kFailed, L"Corvix 没有回应"};
  if (!sent && GetLastError() == ERROR_ACCESS_DENIED)
    answer = {kFailed, L"Corvix 以管理员身份运行：请从以管理员身份运行的命令行启动"};
  if (sent && taken == kRequestBusy) answer = {kFailed, L"正在截图"};
  if (sent && taken == kRequestEnding) answer = {kFailed, L"Corvix 正在退出"};
  if (sent && taken == kRequestTaken) {
    // Messages until the answer comes, or the running Corvix ends without one.
    answer = {kFailed, L"Corvix 已退出，截图没有完成"};
    while (!waiting.Answer) {
      HANDLE handles[] = {running.get()};
      const DWORD woke = MsgWaitForMultipleObjects(running ? 1 : 0, handles, FALSE, kCheckMs, QS_ALLINPUT);
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      const bool ended = (running && woke == WAIT_OBJECT_0) || woke == WAIT_FAILED || !IsWindow(form);
      if (ended && !waiting.Answer) break;
    }
    if (waiting.Answer) answer = *waiting.Answer;
  }
  DestroyWindow(reply);
  return PrintAnswer(answer);
}

bool SendRequest(HWND form, HWND reply, const CaptureRequest& request, const std::wstring& secret, LRESULT& taken) {
  DWORD_PTR result = 0;
  const bool sent = SendText(form, reply, kRequestData, RequestText(request, reinterpret_cast<uintptr_t>(reply), secret),
                             kHandOverMs, result);
  taken = static_cast<LRESULT>(result);
  return sent;
}

std::optional<CaptureRequest> ReceivedRequest(LPARAM copyData, HWND& reply, std::wstring& secret) {
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(copyData);
  if (!data || data->dwData != kRequestData || !data->lpData) return std::nullopt;
  uint64_t window = 0;
  auto request =
      RequestFromText(std::wstring(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t)), window, secret);
  reply = reinterpret_cast<HWND>(static_cast<uintptr_t>(window));
  if (!request || !IsWindow(reply)) return std::nullopt;
  return request;
}

void SendAnswer(HWND reply, HWND from, const CaptureAnswer& answer, const std::wstring& secret) {
  DWORD_PTR ignored = 0;
  SendText(reply, from, kAnswerData, AnswerText(answer, secret), kAnswerMs, ignored);
}
