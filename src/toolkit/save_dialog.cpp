#include "toolkit/save_dialog.h"

#include <commdlg.h>

#include <vector>

bool TSaveDialog::Execute(HWND owner) {
  std::wstring filter = filter_ + L'|';
  for (wchar_t& c : filter)
    if (c == L'|') c = L'\0';
  // The system wants the extension without its period ("jpg"), and appends it to a bare name.
  const std::wstring extension = !DefaultExt.empty() && DefaultExt.front() == L'.' ? DefaultExt.substr(1) : DefaultExt;
  std::vector<wchar_t> name(32768, L'\0');
  FileName.copy(name.data(), name.size() - 1);

  OPENFILENAMEW dialog{sizeof dialog};
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = static_cast<DWORD>(FilterIndex);
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  // The working folder stays as it is: relative names elsewhere do not follow the user around.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameW(&dialog)) return false;
  FileName = name.data();
  FilterIndex = static_cast<int>(dialog.nFilterIndex);
  return true;
}
