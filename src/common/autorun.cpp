#include "common/autorun.h"

#include <string>

#include "common/app_title.h"
#include "common/folders.h"
#include "toolkit/error.h"
#include "toolkit/handles.h"

namespace {

// Without a leading backslash: RegOpenKeyEx refuses one.
constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

UniqueRegKey OpenRunKey(HKEY root) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, kRunKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return UniqueRegKey();
  return UniqueRegKey(key);
}

bool ValueExists(HKEY key) { return RegQueryValueExW(key, kAppTitle, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; }

}  // namespace

std::wstring AutoRunCommand() { return L"\"" + ProgramFileName() + L"\""; }

void AddAutoRunUnder(std::initializer_list<HKEY> roots) {
  for (HKEY root : roots) {
    const UniqueRegKey key = OpenRunKey(root);
    if (!key || ValueExists(key.get())) continue;
    const std::wstring command = AutoRunCommand();
    if (RegSetValueExW(key.get(), kAppTitle, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
      throw Error(std::wstring(L"Failed to set data for '") + kAppTitle + L"'");
  }
}

void RemoveAutoRunUnder(std::initializer_list<HKEY> roots) {
  for (HKEY root : roots) {
    const UniqueRegKey key = OpenRunKey(root);
    if (key && ValueExists(key.get())) RegDeleteValueW(key.get(), kAppTitle);
  }
}

void AddAutoRun() { AddAutoRunUnder({HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}); }
void RemoveAutoRun() { RemoveAutoRunUnder({HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}); }
