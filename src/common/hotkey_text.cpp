#include "common/hotkey_text.h"

namespace {

constexpr KeyName Mod(std::wstring_view name, int32_t flag, int32_t testKey) {
  return {name, KeyKind::Modifier, flag, testKey};
}
constexpr KeyName Key(std::wstring_view name, int32_t vk) { return {name, KeyKind::Key, vk, vk}; }

constexpr wchar_t kSeparator = L'+';

void Append(std::wstring& text, std::wstring_view name) {
  if (!text.empty()) text += kSeparator;
  text += name;
}

}  // namespace

const std::array<KeyName, 53> KeyNameTable = {{
    Mod(L"CTRL", kModControl, kVkControl), Mod(L"ALT", kModAlt, kVkMenu),
    Mod(L"SHIFT", kModShift, kVkShift),
    Key(L"<-", 0x25), Key(L"->", 0x27),
    Key(L"F1", 0x70), Key(L"F2", 0x71), Key(L"F3", 0x72), Key(L"F4", 0x73), Key(L"F5", 0x74),
    Key(L"F6", 0x75), Key(L"F7", 0x76), Key(L"F8", 0x77), Key(L"F9", 0x78), Key(L"F10", 0x79),
    Key(L"F11", 0x7A), Key(L"F12", 0x7B),
    Key(L"0", '0'), Key(L"1", '1'), Key(L"2", '2'), Key(L"3", '3'), Key(L"4", '4'),
    Key(L"5", '5'), Key(L"6", '6'), Key(L"7", '7'), Key(L"8", '8'), Key(L"9", '9'),
    Key(L"A", 'A'), Key(L"B", 'B'), Key(L"C", 'C'), Key(L"D", 'D'), Key(L"E", 'E'),
    Key(L"F", 'F'), Key(L"G", 'G'), Key(L"H", 'H'), Key(L"I", 'I'), Key(L"J", 'J'),
    Key(L"K", 'K'), Key(L"L", 'L'), Key(L"M", 'M'), Key(L"N", 'N'), Key(L"O", 'O'),
    Key(L"P", 'P'), Key(L"Q", 'Q'), Key(L"R", 'R'), Key(L"S", 'S'), Key(L"T", 'T'),
    Key(L"U", 'U'), Key(L"V", 'V'), Key(L"W", 'W'), Key(L"X", 'X'), Key(L"Y", 'Y'),
    Key(L"Z", 'Z'),
}};

HotKeyRec TextToHotKey(std::wstring_view text) {
  HotKeyRec result;
  while (!text.empty()) {
    const size_t plus = text.find(kSeparator);
    const std::wstring_view token = text.substr(0, plus);
    text = plus == std::wstring_view::npos ? std::wstring_view{} : text.substr(plus + 1);
    for (const KeyName& entry : KeyNameTable) {
      if (entry.Name != token) continue;
      if (entry.Kind == KeyKind::Modifier)
        result.Modifiers |= entry.Value;
      else
        result.Key = entry.Value;
      break;
    }
  }
  return result;
}

std::wstring HeldKeysText(const KeyHeld& held) {
  std::wstring text;
  for (const KeyName& entry : KeyNameTable)
    if (held(entry.TestKey)) Append(text, entry.Name);
  return text;
}

std::wstring KeyDownText(const KeyHeld& held, int32_t pressedKey) {
  std::wstring text;
  for (const KeyName& entry : KeyNameTable) {
    const bool wanted = entry.Kind == KeyKind::Modifier ? held(entry.TestKey)
                                                        : entry.Value == pressedKey;
    if (wanted) Append(text, entry.Name);
  }
  return text;
}
