#include "app/welcome_text.h"

#include "common/app_title.h"

std::wstring WelcomeText(const std::wstring& keyScreen, const std::wstring& keyActiveWnd, const std::wstring& keyCustom) {
  const std::wstring indent = L"\r\n      按";  // a new line, six spaces, "press"
  return L"欢迎使用" + std::wstring(kAppTitle) + std::wstring(17, L' ') + indent + keyScreen + L"截全屏" + indent +
         keyActiveWnd + L"截活动窗口" + indent + keyCustom + L"自定义截屏";
}
