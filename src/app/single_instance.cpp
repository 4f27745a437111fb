#include "app/single_instance.h"

namespace {

// Per session ("Local\"), and the same for every copy of the program.
constexpr wchar_t kMutexName[] = L"Local\\Corvix.ScreenCapture.Running";
constexpr DWORD kGiveUpMs = 30000, kStepMs = 50, kAnswerMs = 2000;

}  // namespace

bool CorvixRuns() {
  HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, kMutexName);
  if (!mutex) return GetLastError() == ERROR_ACCESS_DENIED;  // an elevated copy's
  CloseHandle(mutex);
  return true;
}

UINT ShowWelcomeMessage() {
  static const UINT message = RegisterWindowMessageW(L"Corvix.ShowWelcome");
  return message;
}

TSingleInstance::TSingleInstance() {
  mutex_ = CreateMutexW(nullptr, TRUE, kMutexName);
  const DWORD code = GetLastError();
  // Denied: a copy running elevated made it. A mutex that cannot be made for any other reason
  // stops no one from starting.
  first_ = mutex_ ? code != ERROR_ALREADY_EXISTS : code != ERROR_ACCESS_DENIED;
}

bool TSingleInstance::TakeOver(DWORD waitMs) {
  if (!mutex_) {  // out of reach (an elevated copy's): made here once that copy has let it go
    Sleep(waitMs);
    mutex_ = CreateMutexW(nullptr, TRUE, kMutexName);
    if (mutex_ && GetLastError() != ERROR_ALREADY_EXISTS) return true;
    return false;
  }
  const DWORD taken = WaitForSingleObject(mutex_, waitMs);
  return taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED;
}

TSingleInstance::~TSingleInstance() { Release(); }

void TSingleInstance::WakeFirst() {
  // The running one may be starting (no form yet), running (it answers), or ending (it says so, or
  // its form is gone, and it lets go soon). Abandoned (it ended without letting go) counts as let go.
  // A form too busy to answer in time still gets the message once it can: it is not asked again.
  const DWORD start = GetTickCount();
  HWND unanswered = nullptr;
  while (GetTickCount() - start < kGiveUpMs) {
    DWORD_PTR answer = 0;
    HWND form = FindWindowW(L"CorvixForm", L"CorvixForm");
    if (form && form != unanswered) {
      if (!SendMessageTimeoutW(form, ShowWelcomeMessage(), 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &answer))
        unanswered = form;
      else if (answer == kWelcomedAgain)
        return;
    }
    if (TakeOver(kStepMs)) {
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
