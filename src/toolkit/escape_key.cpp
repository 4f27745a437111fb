#include "toolkit/escape_key.h"

#include <algorithm>
#include <vector>

namespace {

// The owners, the one that holds Esc last; and whether its hot key is held.
std::vector<TEscapeOwner*> owners;
bool registered = false;
HWND registeredWindow = nullptr;
int registeredId = 0;

void Release() {
  if (registered) UnregisterHotKey(registeredWindow, registeredId);
  registered = false;
}

void Take(HWND window, int id) {
  if (!window) return;
  registered = RegisterHotKey(window, id, MOD_NOREPEAT, VK_ESCAPE) != FALSE;
  registeredWindow = window, registeredId = id;
}

}  // namespace

TEscapeOwner::TEscapeOwner(HWND window, int id, Place place) : window_(window), id_(id) {
  if (place == Place::Behind && !owners.empty()) {
    owners.insert(owners.begin(), this);
    return;
  }
  Release();
  owners.push_back(this);
  Take(window_, id_);
}

TEscapeOwner::~TEscapeOwner() {
  const bool held = Holds();
  owners.erase(std::remove(owners.begin(), owners.end(), this), owners.end());
  if (!held) return;
  Release();
  if (!owners.empty()) Take(owners.back()->window_, owners.back()->id_);
}

bool TEscapeOwner::Holds() const { return !owners.empty() && owners.back() == this; }
