#include "dialogs/folder_picker.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "common/folders.h"
#include "toolkit/forms.h"

namespace {

int CALLBACK SelectFolderCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

// Every other visible, enabled window of this thread is disabled until this goes, and the system
// shows no critical-error boxes (an empty drive) meanwhile.
class ModalForApplication {
 public:
  ModalForApplication() : oldMode_(SetErrorMode(SEM_FAILCRITICALERRORS)) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM list) -> BOOL {
          if (IsWindowVisible(window) && IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&disabled_));
  }
  ~ModalForApplication() {
    SetErrorMode(oldMode_);
    for (HWND window : disabled_)
      if (IsWindow(window)) EnableWindow(window, TRUE);
  }

 private:
  UINT oldMode_;
  std::vector<HWND> disabled_;
};

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

  LPITEMIDLIST chosen = nullptr;
  {
    ModalForApplication modal;
    chosen = SHBrowseForFolderW(&info);
  }
  const bool result = chosen != nullptr;
  if (chosen) {
    SHGetPathFromIDListW(chosen, buffer);
    allocator->Free(chosen);
    folder = buffer;
  }
  if (rootList) allocator->Free(rootList);
  allocator->Free(buffer);
  if (desktop) desktop->Release();
  allocator->Release();
  return result;
}
