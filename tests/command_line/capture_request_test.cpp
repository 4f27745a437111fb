// The command line's arguments as Corvix judges them, and the request and answer as they travel
// between a later start and the running Corvix.
#include "command_line/capture_request.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Verdict = ArgumentsVerdict;

std::vector<std::wstring> Words(const std::wstring& line) {
  std::vector<std::wstring> words;
  size_t at = 0;
  while (at < line.size()) {
    const size_t end = std::min(line.find(L' ', at), line.size());
    if (end > at) words.push_back(line.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

TEST(CaptureArguments, WordsWithoutTwoDashesStartCorvixAndTheRestIsJudged) {
  struct Case {
    const wchar_t* line;
    Verdict verdict;
    CaptureRequest request;
  };
  const Case cases[] = {
      {L"", Verdict::Start, {}},
      {L"/minimized -autorun from-a-shortcut", Verdict::Start, {}},
      {L"--help", Verdict::Help, {}},
      {L"--capture desktop", Verdict::Capture, {CaptureKind::Desktop}},
      {L"--capture window --delay 5", Verdict::Capture, {CaptureKind::Window, 5}},
      {L"--capture region --out C:\\a\\b.PNG --overwrite --clipboard --pin", Verdict::Capture,
       {CaptureKind::Region, 0, L"C:\\a\\b.PNG", true, true, true}},
      {L"--out x.jpeg --capture last --delay 3600", Verdict::Capture, {CaptureKind::Last, 3600, L"x.jpeg"}},
      {L"shortcut-word --capture desktop", Verdict::Capture, {CaptureKind::Desktop}},
      {L"--out --odd-name.bmp --capture desktop", Verdict::Capture, {CaptureKind::Desktop, 0, L"--odd-name.bmp"}},
  };
  for (const Case& c : cases) {
    const ParsedArguments parsed = ParseArguments(Words(c.line));
    EXPECT_EQ(parsed.Verdict, c.verdict) << std::string(c.line, c.line + wcslen(c.line));
    if (c.verdict == Verdict::Capture) {
      EXPECT_TRUE(parsed.Request == c.request) << std::string(c.line, c.line + wcslen(c.line));
    }
  }
}

TEST(CaptureArguments, AnythingElseIsRefusedWithItsReason) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"--capture screen", L"screen"},
      {L"--capture", L"缺少取值"},
      {L"--capture --delay 3", L"缺少取值"},
      {L"--delay 3", L"缺少 --capture"},
      {L"--capture desktop --delay -1", L"-1"},
      {L"--capture desktop --delay 3601", L"3601"},
      {L"--capture desktop --delay 2.5", L"2.5"},
      {L"--capture desktop --out a.gif", L"a.gif"},
      {L"--capture desktop --out noextension", L"noextension"},
      {L"--capture desktop --out a|b.png", L"无效字符"},
      {L"--capture desktop --overwrite", L"--overwrite"},
      {L"--capture desktop --capture window", L"重复"},
      {L"--capture desktop --frobnicate", L"--frobnicate"},
      {L"--help --capture desktop", L"--help"},
      {L"--CAPTURE desktop", L"--CAPTURE"},
  };
  for (const auto& [line, reason] : cases) {
    const ParsedArguments parsed = ParseArguments(Words(line));
    EXPECT_EQ(parsed.Verdict, Verdict::Bad) << std::string(line, line + wcslen(line));
    EXPECT_NE(parsed.Error.find(reason), std::wstring::npos) << std::string(line, line + wcslen(line));
  }
}

TEST(CaptureArguments, TheFileFormatFollowsTheExtensionInAnyCase) {
  EXPECT_EQ(FormatOfName(L"a.png"), ImageFormat::Png);
  EXPECT_EQ(FormatOfName(L"C:\\x.y\\a.JPG"), ImageFormat::Jpeg);
  EXPECT_EQ(FormatOfName(L"a.Jpeg"), ImageFormat::Jpeg);
  EXPECT_EQ(FormatOfName(L"a.bmp"), ImageFormat::Bmp);
  for (const wchar_t* name : {L"a.gif", L"a", L"C:\\dir.png\\a", L"a.png.txt", L"a."}) EXPECT_FALSE(FormatOfName(name));
}

TEST(CaptureRequestText, RequestsAndAnswersTravelWholeAndBrokenTextsAreRefused) {
  const CaptureRequest request{CaptureKind::Region, 10, L"C:\\截图\\a b=c.png", true, false, true};
  const std::wstring secret = L"0123456789abcdef0123456789abcdef", other = L"f123456789abcdef0123456789abcdef";
  uint64_t reply = 0;
  std::wstring carried;
  EXPECT_EQ(RequestFromText(RequestText(request, 0x12345678ABCDULL, secret), reply, carried), request);
  EXPECT_EQ(reply, 0x12345678ABCDULL);
  EXPECT_EQ(carried, secret);
  const std::wstring with = L"reply=1\nsecret=" + secret + L"\n";
  for (const std::wstring& broken : std::vector<std::wstring>{
           L"", with + L"kind=region", with + L"kind=screen\ndelay=0", L"reply=x\nsecret=" + secret + L"\nkind=desktop\ndelay=0",
           with + L"kind=desktop\ndelay=9999", with + L"kind=desktop\ndelay=0\nout=C:\\a.gif", with + L"kind=desktop\ndelay=0\nout=a.png",
           with + L"kind=desktop\ndelay=0\nout=C:\\a|b.png", L"reply=1\nsecret=0123\nkind=desktop\ndelay=0",
           L"reply=1\nkind=desktop\ndelay=0"})
    EXPECT_FALSE(RequestFromText(broken, reply, carried)) << std::string(broken.begin(), broken.end());

  for (const CaptureAnswer& answer : {CaptureAnswer{kWritten, L"C:\\a.png"}, CaptureAnswer{kCancelled, L"已取消"},
                                     CaptureAnswer{kFailed, L"两行\n文字"}}) {
    EXPECT_EQ(AnswerFromText(AnswerText(answer, secret), secret), answer);
    EXPECT_FALSE(AnswerFromText(AnswerText(answer, other), secret)) << "an answer without the request's secret";
  }
  for (const std::wstring& broken : std::vector<std::wstring>{L"", secret, secret + L"\n3\nx", secret + L"\n-1\nx", L"0\nC:\\a.png"})
    EXPECT_FALSE(AnswerFromText(broken, secret));
}

}  // namespace
