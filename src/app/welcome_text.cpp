#include "app/welcome_text.h"

#include "common/app_title.h"

std::wstring WelcomeText(const std::wstring& keyScreen, const std::wstring& keyActiveWnd, const std::wstring& keyCustom,
                         const std::array<bool, 3>& taken) {
  const std::wstring indent = L"\r\n      按";  // a new line, six spaces, "press"
  const auto mark = [&](size_t slot) { return taken[slot] ? L"（被其他程序占用）" : L""; };
  return L"欢迎使用" + std::wstring(kAppTitle) + std::wstring(17, L' ') + indent + keyScreen + L"截全屏" + mark(0) +
         indent + keyActiveWnd + L"截活动窗口" + mark(1) + indent + keyCustom + L"自定义截屏" + mark(2);
}
