// The command line: any words are judged without a crash; a capture they ask for travels to the
// running Corvix and back whole; any text the running Corvix receives is read or refused.
#include "command_line/capture_request.h"
#include "fuzz_support.h"

#include <vector>

const std::wstring kSecret = L"00112233445566778899aabbccddeeff";

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  static const wchar_t* const kWords[] = {L"--capture", L"desktop", L"window", L"region", L"last", L"--delay", L"5",
                                          L"--out", L"a.png", L"b.JPG", L"--overwrite", L"--clipboard", L"--pin",
                                          L"--help", L"-x", L"word"};
  std::vector<std::wstring> words;
  const size_t count = data.ConsumeIntegralInRange<size_t>(0, 8);
  for (size_t i = 0; i < count; ++i)
    words.push_back(data.ConsumeBool() ? std::wstring(kWords[data.ConsumeIntegralInRange<size_t>(0, std::size(kWords) - 1)])
                                       : FuzzText(data, 12));
  const ParsedArguments parsed = ParseArguments(words);
  FUZZ_CHECK(parsed.Verdict != ArgumentsVerdict::Bad || !parsed.Error.empty());  // a refusal without its reason
  if (parsed.Verdict == ArgumentsVerdict::Capture) {
    FUZZ_CHECK(parsed.Request.DelaySeconds >= 0 && parsed.Request.DelaySeconds <= kMaxDelaySeconds);
    FUZZ_CHECK(parsed.Request.Out.empty() || FormatOfName(parsed.Request.Out));  // a file of no format
    // As the later start sends it: the file's path made absolute.
    CaptureRequest sent = parsed.Request;
    if (!sent.Out.empty()) sent.Out = L"C:\\" + sent.Out;
    uint64_t reply = 0;
    std::wstring secret;
    const auto back = RequestFromText(RequestText(sent, 42, kSecret), reply, secret);
    FUZZ_CHECK(back && *back == sent && reply == 42 && secret == kSecret);  // a request changed on its way
  }
  uint64_t reply = 0;
  std::wstring secret;
  RequestFromText(FuzzText(data, 200), reply, secret);
  const CaptureAnswer answer{data.ConsumeIntegralInRange<int32_t>(kWritten, kFailed), FuzzText(data, 50)};
  FUZZ_CHECK(AnswerFromText(AnswerText(answer, kSecret), kSecret) == answer);  // an answer changed on its way
  // Any other text is an answer only with the secret at its head.
  const std::wstring forged = FuzzText(data, 80);
  FUZZ_CHECK(!AnswerFromText(forged, kSecret) || forged.starts_with(kSecret));
  return 0;
}
