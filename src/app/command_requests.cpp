// The main form's side of the command line: a request a later start hands over, taken unless
// the program is busy, run as a hot key's capture is, and answered.
#include "app/main_form.h"
#include "app/main_form_messages.h"
#include "command_line/request_exchange.h"

LRESULT TMainForm::WMCopyData(WPARAM, LPARAM lParam) {
  HWND reply = nullptr;
  std::wstring secret;
  const std::optional<CaptureRequest> request = ReceivedRequest(lParam, reply, secret);
  if (!request) return 0;
  if (Tag != 0 || Application.Terminated()) return kRequestEnding;
  if (Busy()) return kRequestBusy;
  request_ = request;
  requestReply_ = reply;
  requestSecret_ = secret;
  if (request->DelaySeconds > 0)
    countdown_->Start(request->DelaySeconds, [this] { PostMessageW(Handle(), kRequestMessage, 0, 0); },
                      [this] {
                        SendAnswer(requestReply_, Handle(), {kCancelled, L"已取消"}, requestSecret_);
                        request_.reset();
                      });
  else
    PostMessageW(Handle(), kRequestMessage, 0, 0);  // once the later start has its answer that it was taken
  return kRequestTaken;
}

void TMainForm::RunRequest() {
  if (!request_) return;
  const CaptureRequest request = *std::exchange(request_, std::nullopt);
  CaptureAnswer answer{kFailed, L"正在截图"};
  RunCapture([&] { answer = capture_->RunRequest(request); });
  SendAnswer(requestReply_, Handle(), answer, requestSecret_);
}
