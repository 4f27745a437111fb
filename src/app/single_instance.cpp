#include "app/single_instance.h"

namespace {

// Per session ("Local\"), and the same for every copy of the program.
constexpr wchar_t kMutexName[] = L"Local\\Corvix.ScreenCapture.Running";
constexpr DWORD kWaitMs = 5000;

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
  // Two starts close together: the first may not have made its main form yet.
  for (DWORD waited = 0; waited < kWaitMs; waited += 50) {
    if (HWND form = FindWindowW(L"CorvixForm", L"CorvixForm")) {
      PostMessageW(form, ShowWelcomeMessage(), 0, 0);
      return;
    }
    Sleep(50);
  }
  // No form: the running one is ending. Abandoned (it ended without letting go) counts as let go.
  const DWORD taken = WaitForSingleObject(mutex_, kWaitMs);
  first_ = taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED;
}

void TSingleInstance::Release() {
  if (!mutex_) return;
  if (first_) ReleaseMutex(mutex_);
  CloseHandle(mutex_);
  mutex_ = nullptr;
}
