// The system's Save dialog as a long-lived component: the name accepted last time is offered again.
#pragma once

#include <windows.h>

#include <string>

class TSaveDialog {
 public:
  // Entries as "text|pattern|text|pattern...".
  explicit TSaveDialog(std::wstring filter) : filter_(std::move(filter)) {}

  int FilterIndex = 1;       // counts from 1
  std::wstring DefaultExt;   // with or without its leading period
  std::wstring InitialDir;
  std::wstring FileName;     // in: offered; out: accepted

  // Shows the dialog owned by `owner`; true with FileName set when the user accepted.
  bool Execute(HWND owner);

 private:
  std::wstring filter_;
};
