#include "dialogs/folder_picker.h"

#include <windows.h>
#include <shlobj.h>

#include "common/folders.h"
#include "toolkit/error.h"
#include "toolkit/forms.h"
#include "toolkit/scope_exit.h"

namespace {

int CALLBACK SelectFolderCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

}  // namespace

bool SelectFolder(const std::wstring& title, const std::wstring& root, std::wstring& folder) {
  if (!DirectoryExists(folder)) folder.clear();
  IMalloc* allocator = nullptr;
  if (SHGetMalloc(&allocator) != S_OK || !allocator) return false;
  auto* buffer = static_cast<wchar_t*>(allocator->Alloc(MAX_PATH * sizeof(wchar_t)));

  LPITEMIDLIST rootList = nullptr;
  IShellFolder* desktop = nullptr;
  if (!root.empty() && SUCCEEDED(SHGetDesktopFolder(&desktop))) {
    std::wstring name = root;
    if (FAILED(desktop->ParseDisplayName(Application.Handle(), nullptr, name.data(), nullptr, &rootList, nullptr)))
      rootList = nullptr;
  }

  BROWSEINFOW info{};
  info.hwndOwner = Application.Handle();
  info.pidlRoot = rootList;
  info.pszDisplayName = buffer;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  if (!folder.empty()) {
    info.lpfn = SelectFolderCallback;
    info.lParam = reinterpret_cast<LPARAM>(folder.c_str());
  }

  const ScopeExit release([&] {
    if (rootList) allocator->Free(rootList);
    allocator->Free(buffer);
    if (desktop) desktop->Release();
    allocator->Release();
  });
  LPITEMIDLIST chosen = nullptr;
  {
    // No critical-error boxes from the system (an empty drive) while the dialog is up.
    const ScopeExit quiet([mode = SetErrorMode(SEM_FAILCRITICALERRORS)] { SetErrorMode(mode); });
    const DisabledThreadWindows modal;
    chosen = SHBrowseForFolderW(&info);
  }
  if (!chosen) return false;
  // Only a folder of the file system has a path; anything else is refused, not taken by its name.
  const bool isFolder = SHGetPathFromIDListW(chosen, buffer);
  allocator->Free(chosen);
  if (!isFolder) throw Error(L"The chosen item is not a folder of the file system");
  folder = buffer;
  return true;
}
