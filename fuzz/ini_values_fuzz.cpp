// Option.ini values: any text reads as an integer or as nothing, without harm, and every integer
// the program or a user writes reads back as itself.
#include "config/ini_values.h"
#include "fuzz_support.h"

#include <cwchar>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  const int32_t value = data.ConsumeIntegral<int32_t>();
  const int32_t fallback = data.ConsumeIntegral<int32_t>();
  const std::wstring text = data.ConsumeBool() ? FuzzText(data, 64) : FuzzTextOf(data, L"0123456789$xX-+ ", 24);

  const std::optional<int32_t> read = IniToInt(text);
  FUZZ_CHECK(IniToIntDef(text, fallback) == (read ? *read : fallback));
  FUZZ_CHECK(IniToBool(text, fallback != 0) == (read ? *read != 0 : fallback != 0));

  wchar_t written[32];
  std::swprintf(written, 32, L"%d", value);
  FUZZ_CHECK(IniToInt(written) == value);
  std::swprintf(written, 32, L"$%X", static_cast<uint32_t>(value));
  FUZZ_CHECK(IniToInt(written) == value);
  std::swprintf(written, 32, L"0x%x", static_cast<uint32_t>(value));
  FUZZ_CHECK(IniToInt(written) == value);
  return 0;
}
