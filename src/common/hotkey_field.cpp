#include "common/hotkey_field.h"

#include "common/hotkey_text.h"

namespace {

// GetKeyState answers for the moment the current message was posted.
bool IsHeld(int32_t virtualKey) { return (GetKeyState(virtualKey) & 0x80) != 0; }

}  // namespace

std::wstring PressedKeysText() { return HeldKeysText(IsHeld); }

void ShowPressedKeys(HWND edit, WPARAM pressedKey) {
  const std::wstring text = KeyDownText(IsHeld, static_cast<int32_t>(pressedKey));
  SetWindowTextW(edit, text.c_str());
}
