// The dialogs' image lists, made once at start-up.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>

class TDm {
 public:
  TDm();
  ~TDm();
  TDm(const TDm&) = delete;
  TDm& operator=(const TDm&) = delete;
  HIMAGELIST IL16 = nullptr, IL24 = nullptr, IL32 = nullptr;  // IL24 image 0: wrench and screwdriver
};

extern std::unique_ptr<TDm> Dm;
