#include "app/single_instance.h"

namespace {

// Per session ("Local\"), and the same for every copy of the program.
constexpr wchar_t kMutexName[] = L"Local\\Corvix.ScreenCapture.Running";

}  // namespace

UINT ShowWelcomeMessage() {
  static const UINT message = RegisterWindowMessageW(L"Corvix.ShowWelcome");
  return message;
}

TSingleInstance::TSingleInstance() {
  mutex_ = CreateMutexW(nullptr, FALSE, kMutexName);
  // A mutex that cannot be made (no rights to the name, say) stops no one from starting.
  first_ = !mutex_ || GetLastError() != ERROR_ALREADY_EXISTS;
}

TSingleInstance::~TSingleInstance() {
  if (mutex_) CloseHandle(mutex_);
}

void TSingleInstance::WakeFirst() const {
  // Two starts close together: the first may not have made its main form yet.
  for (int waited = 0; waited < 5000; waited += 50) {
    if (HWND form = FindWindowW(L"CorvixForm", L"CorvixForm")) {
      PostMessageW(form, ShowWelcomeMessage(), 0, 0);
      return;
    }
    Sleep(50);
  }
}
