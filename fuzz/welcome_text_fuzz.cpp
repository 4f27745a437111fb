// The welcome balloon: hot-key texts of any length and content give a text that fits the
// balloon's field once cut, and the cut never splits a character.
#include "app/welcome_text.h"
#include "fuzz_support.h"
#include "tray/shell_text.h"

namespace {
bool IsHigh(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  const std::wstring screen = FuzzText(data, 400), active = FuzzText(data, 400), custom = FuzzText(data, 400);
  const size_t field = data.ConsumeBool() ? kBalloonTextChars : data.ConsumeIntegralInRange<size_t>(0, 300);

  const std::wstring text = WelcomeText(screen, active, custom);
  FUZZ_CHECK(text.find(screen) != std::wstring::npos);
  const std::wstring cut = FitText(text, field);
  FUZZ_CHECK(cut.size() <= field);
  FUZZ_CHECK(text.starts_with(cut));
  // Whole when it fits; otherwise one unit short only where the cut would end on a high surrogate
  // (half of a pair, or a lone one that shows as nothing).
  if (text.size() <= field) FUZZ_CHECK(cut == text);
  else FUZZ_CHECK(cut.size() == field || (cut.size() + 1 == field && IsHigh(text[field - 1])));
  return 0;
}
