// The text form of a global hot key ("CTRL+F1"): names of modifiers and one key joined by "+".
// Window-free: the caller supplies the keyboard state.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Modifier flags and virtual-key codes as RegisterHotKey and WM_HOTKEY carry them.
inline constexpr int32_t kModAlt = 0x0001;
inline constexpr int32_t kModControl = 0x0002;
inline constexpr int32_t kModShift = 0x0004;

inline constexpr int32_t kVkShift = 0x10;
inline constexpr int32_t kVkControl = 0x11;
inline constexpr int32_t kVkMenu = 0x12;  // Alt

// One decoded hot key: the two numbers RegisterHotKey takes.
struct HotKeyRec {
  int32_t Modifiers = 0;
  int32_t Key = 0;  // 0 when the text names no known key
  bool operator==(const HotKeyRec&) const = default;
};

enum class KeyKind { Modifier, Key };

struct KeyName {
  std::wstring_view Name;
  KeyKind Kind;
  int32_t Value;    // modifier flag, or the key's virtual-key code
  int32_t TestKey;  // the virtual key whose state says the entry is held
};

// The 53 names, in the order built texts list them: modifiers, arrows, F1-F12, digits, letters.
extern const std::array<KeyName, 53> KeyNameTable;

// Decodes a hot-key text. Names match exactly (case, no trimming); unknown and empty tokens are
// skipped. A repeated modifier counts once; of several key names the last one wins.
HotKeyRec TextToHotKey(std::wstring_view text);

// Says whether a virtual key is held down at the moment of the key event being handled.
using KeyHeld = std::function<bool(int32_t virtualKey)>;

// The names of every held table entry, in table order ("CTRL+SHIFT+F5"; "A+B" when both are held).
std::wstring HeldKeysText(const KeyHeld& held);

// The text for a key-down event in a hot-key field: the held modifiers in table order, then the
// pressed key's name when the table names it. Never more than one key name, so the text always
// decodes to the keys the user pressed.
std::wstring KeyDownText(const KeyHeld& held, int32_t pressedKey);
