// Hot-key texts: any text decodes without harm, and what a key press writes into a hot-key field
// decodes back to exactly the keys that were pressed.
#include "common/hotkey_text.h"
#include "fuzz_support.h"

#include <array>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  const bool grammar = data.ConsumeBool();
  const std::wstring text = grammar ? FuzzTextOf(data, L"CTRL+SHIFT+ALT+F12+A+Z+0+9+UP+", 200)
                                    : FuzzText(data, 200);
  const HotKeyRec decoded = TextToHotKey(text);
  FUZZ_CHECK((decoded.Modifiers & ~(kModAlt | kModControl | kModShift)) == 0);

  // A keyboard state: which table entries are held, and the key of the event.
  const uint64_t heldMask = data.ConsumeIntegral<uint64_t>();
  const int32_t pressed = data.ConsumeIntegralInRange<int32_t>(0, 0xFF);
  // Entry i of the table is held when bit i is set; a key shared by entries goes by the first.
  std::array<bool, 256> heldKeys{};
  for (size_t i = KeyNameTable.size(); i-- > 0;) {
    const int32_t key = KeyNameTable[i].TestKey;
    FUZZ_CHECK(key >= 0 && key < 256);
    heldKeys[static_cast<size_t>(key)] = ((heldMask >> i) & 1) != 0;
  }
  const KeyHeld held = [&](int32_t virtualKey) {
    return virtualKey >= 0 && virtualKey < 256 && heldKeys[static_cast<size_t>(virtualKey)];
  };
  int32_t heldModifiers = 0;
  for (const KeyName& name : KeyNameTable)
    if (name.Kind == KeyKind::Modifier && held(name.TestKey)) heldModifiers |= name.Value;
  bool pressedIsKey = false;
  for (const KeyName& name : KeyNameTable)
    if (name.Kind == KeyKind::Key && name.Value == pressed) pressedIsKey = true;

  const HotKeyRec typed = TextToHotKey(KeyDownText(held, pressed));
  FUZZ_CHECK(typed.Modifiers == heldModifiers);
  FUZZ_CHECK(typed.Key == (pressedIsKey ? pressed : 0));
  // The held-keys text names every held entry once; decoding it gives the held modifiers.
  FUZZ_CHECK(TextToHotKey(HeldKeysText(held)).Modifiers == heldModifiers);
  return 0;
}
