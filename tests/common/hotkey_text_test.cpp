#include "common/hotkey_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

inline void PrintTo(const HotKeyRec& rec, std::ostream* out) {
  *out << "(" << rec.Modifiers << ", " << rec.Key << ")";
}

namespace {

constexpr int32_t kF1 = 0x70, kF5 = 0x74, kF10 = 0x79, kF12 = 0x7B, kLeft = 0x25, kUp = 0x26;
constexpr int32_t kSpace = 0x20, kBack = 0x08, kDelete = 0x2E;

KeyHeld HeldSet(const std::vector<int32_t>& keys) {
  return [held = std::set<int32_t>(keys.begin(), keys.end())](int32_t vk) { return held.count(vk) > 0; };
}

struct DecodeCase {
  const wchar_t* text;
  HotKeyRec expected;
};

class TextToHotKeyTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(TextToHotKeyTest, Decodes) {
  EXPECT_EQ(TextToHotKey(GetParam().text), GetParam().expected) << "text: \"" << GetParam().text << '"';
}

// Test names from the case text: letters and digits kept, everything else spelled out.
std::string NameOf(std::wstring_view text) {
  std::string name;
  for (wchar_t c : text) {
    if ((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9'))
      name += static_cast<char>(c);
    else
      name += c == L'+' ? "_" : c == L' ' ? "Blank" : c == L'<' ? "Left" : c == L'>' ? "Right" : "";
  }
  return name.empty() ? "Empty" : name;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextToHotKeyTest,
    testing::Values(
        DecodeCase{L"CTRL+F1", {kModControl, kF1}}, DecodeCase{L"ALT+SHIFT+Z", {kModAlt | kModShift, 'Z'}},
        DecodeCase{L"CTRL+ALT+SHIFT+<-", {7, kLeft}}, DecodeCase{L"F12", {0, kF12}},
        DecodeCase{L"CTRL+F10", {kModControl, kF10}}, DecodeCase{L"SHIFT+->", {kModShift, 0x27}},
        DecodeCase{L"ALT+0", {kModAlt, '0'}}, DecodeCase{L"CTRL+9", {kModControl, '9'}},
        // Nothing or only modifiers.
        DecodeCase{L"", {0, 0}}, DecodeCase{L"CTRL", {kModControl, 0}},
        // Names match exactly: case and blanks count.
        DecodeCase{L"ctrl+f1", {0, 0}}, DecodeCase{L"CTRL + F1", {0, 0}}, DecodeCase{L" CTRL+F1", {0, kF1}},
        DecodeCase{L"Ctrl+F1", {0, kF1}}, DecodeCase{L"F13", {0, 0}}, DecodeCase{L"UP", {0, 0}},
        // Empty tokens are skipped.
        DecodeCase{L"CTRL++F1", {kModControl, kF1}}, DecodeCase{L"CTRL+F1+", {kModControl, kF1}},
        DecodeCase{L"+F1", {0, kF1}}, DecodeCase{L"+", {0, 0}}, DecodeCase{L"+++", {0, 0}},
        // Order does not matter; a repeated modifier counts once; the last key name wins.
        DecodeCase{L"F1+CTRL", {kModControl, kF1}}, DecodeCase{L"CTRL+CTRL+F1", {kModControl, kF1}},
        DecodeCase{L"SHIFT+SHIFT+SHIFT", {kModShift, 0}}, DecodeCase{L"A+B", {0, 'B'}},
        DecodeCase{L"CTRL+F1+F2", {kModControl, 0x71}}, DecodeCase{L"A+junk", {0, 'A'}}),
    [](const testing::TestParamInfo<DecodeCase>& param) {
      return NameOf(param.param.text) + "_" + std::to_string(param.index);
    });

TEST(KeyNameTable, HoldsThreeModifiersThenFiftyKeysEachDecodingToItself) {
  std::set<std::wstring_view> names;
  for (size_t i = 0; i < KeyNameTable.size(); ++i) {
    const KeyName& entry = KeyNameTable[i];
    EXPECT_EQ(entry.Kind, i < 3 ? KeyKind::Modifier : KeyKind::Key) << i;
    EXPECT_TRUE(names.insert(entry.Name).second) << "duplicate name at " << i;
    const HotKeyRec alone =
        entry.Kind == KeyKind::Modifier ? HotKeyRec{entry.Value, 0} : HotKeyRec{0, entry.Value};
    EXPECT_EQ(TextToHotKey(entry.Name), alone);
  }
  EXPECT_EQ(KeyNameTable[5].Name, L"F1");
  EXPECT_EQ(KeyNameTable[17].Name, L"0");
  EXPECT_EQ(KeyNameTable[52].Name, L"Z");
  EXPECT_EQ(TextToHotKey(L"F7").Key, 0x76);
  EXPECT_EQ(TextToHotKey(L"M").Key, 0x4D);
}

TEST(HeldKeysText, ListsEveryHeldTableKeyInTableOrder) {
  EXPECT_EQ(HeldKeysText(HeldSet({})), L"");
  EXPECT_EQ(HeldKeysText(HeldSet({kF5, kVkShift, kVkControl})), L"CTRL+SHIFT+F5");
  EXPECT_EQ(HeldKeysText(HeldSet({kVkShift})), L"SHIFT");
  EXPECT_EQ(HeldKeysText(HeldSet({'B', 'A'})), L"A+B");
  EXPECT_EQ(HeldKeysText(HeldSet({kSpace, kUp, 0x60 /* keypad 0 */})), L"");
  EXPECT_EQ(HeldKeysText(HeldSet({kVkMenu, kLeft, '7'})), L"ALT+<-+7");
}

struct KeyDownCase {
  std::vector<int32_t> held;
  int32_t pressed;
  const wchar_t* expected;
};

class KeyDownTextTest : public testing::TestWithParam<KeyDownCase> {};

TEST_P(KeyDownTextTest, Builds) {
  EXPECT_EQ(KeyDownText(HeldSet(GetParam().held), GetParam().pressed), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Presses, KeyDownTextTest,
    testing::Values(
        // Modifiers come in table order whatever order they went down in.
        KeyDownCase{{kVkShift, kVkControl, kF5}, kF5, L"CTRL+SHIFT+F5"},
        KeyDownCase{{kVkMenu, kVkShift, 'Z'}, 'Z', L"ALT+SHIFT+Z"},
        KeyDownCase{{kVkShift}, kVkShift, L"SHIFT"},
        KeyDownCase{{kVkControl, kVkMenu}, kVkMenu, L"CTRL+ALT"},
        // Keys without a name leave only the modifiers: alone they empty the field.
        KeyDownCase{{kSpace}, kSpace, L""}, KeyDownCase{{kBack}, kBack, L""},
        KeyDownCase{{kDelete}, kDelete, L""}, KeyDownCase{{kVkControl, kSpace}, kSpace, L"CTRL"},
        KeyDownCase{{kUp}, kUp, L""},
        // Only the pressed key is named, even with other table keys still held.
        KeyDownCase{{'A', 'B'}, 'B', L"B"}, KeyDownCase{{kVkControl, kF1, kF5}, kF1, L"CTRL+F1"},
        // The key event's own key counts even when the state has not caught up.
        KeyDownCase{{kVkControl}, kLeft, L"CTRL+<-"}),
    [](const testing::TestParamInfo<KeyDownCase>& param) {
      return NameOf(param.param.expected) + "_" + std::to_string(param.index);
    });

TEST(HotKeyText, EveryBuiltTextDecodesToTheKeysPressed) {
  const int32_t modifierKeys[] = {kVkControl, kVkMenu, kVkShift};
  const int32_t modifierFlags[] = {kModControl, kModAlt, kModShift};
  int checked = 0;
  for (int subset = 0; subset < 8; ++subset) {
    for (const KeyName& entry : KeyNameTable) {
      if (entry.Kind != KeyKind::Key) continue;
      std::set<int32_t> held{entry.Value};
      int32_t flags = 0;
      for (int m = 0; m < 3; ++m)
        if (subset & (1 << m)) {
          held.insert(modifierKeys[m]);
          flags |= modifierFlags[m];
        }
      const KeyHeld isHeld = [&](int32_t vk) { return held.count(vk) > 0; };
      const std::wstring text = KeyDownText(isHeld, entry.Value);
      EXPECT_EQ(text, HeldKeysText(isHeld));
      EXPECT_EQ(TextToHotKey(text), (HotKeyRec{flags, entry.Value})) << std::string(text.begin(), text.end());
      ++checked;
    }
  }
  EXPECT_EQ(checked, 8 * 50);
}

}  // namespace
