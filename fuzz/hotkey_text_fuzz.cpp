// Hot-key texts: any text decodes without harm, and what a key press writes into a hot-key field
// decodes back to exactly the keys that were pressed.
#include "common/hotkey_text.h"
#include "fuzz_support.h"

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
  const KeyHeld held = [&](int32_t virtualKey) {
    for (size_t i = 0; i < KeyNameTable.size(); ++i)
      if (KeyNameTable[i].TestKey == virtualKey) return ((heldMask >> i) & 1) != 0;
    return false;
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
