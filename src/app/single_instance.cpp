#include "app/single_instance.h"

namespace {

// Per session ("Local\"), and the same for every copy of the program.
constexpr wchar_t kMutexName[] = L"Local\\Corvix.ScreenCapture.Running";
constexpr DWORD kGiveUpMs = 30000, kStepMs = 50, kAnswerMs = 2000;

}  // namespace

UINT ShowWelcomeMessage() {
  static const UINT message = RegisterWindowMessageW(L"Corvix.ShowWelcome");
  return message;
}

TSingleInstance::TSingleInstance() {
  mutex_ = CreateMutexW(nullptr, TRUE, kMutexName);
  // A mutex that cannot be made (no rights to the name, say) stops no one from starting.
  first_ = !mutex_ || GetLastError() != ERROR_ALREADY_EXISTS;
}

TSingleInstance::~TSingleInstance() { Release(); }

void TSingleInstance::WakeFirst() {
  // The running one may be starting (no form yet), running (it answers), or ending (it says so, or
  // its form is gone, and it lets go soon). Abandoned (it ended without letting go) counts as let go.
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kGiveUpMs) {
    DWORD_PTR answer = 0;
    HWND form = FindWindowW(L"CorvixForm", L"CorvixForm");
    if (form && SendMessageTimeoutW(form, ShowWelcomeMessage(), 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &answer) &&
        answer == kWelcomedAgain)
      return;
    const DWORD taken = WaitForSingleObject(mutex_, kStepMs);
    if (taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED) {
      first_ = true;
      return;
    }
  }
}

void TSingleInstance::Release() {
  if (!mutex_) return;
  if (first_) ReleaseMutex(mutex_);
  CloseHandle(mutex_);
  mutex_ = nullptr;
}
