// A capture asked for on the command line: its arguments, and the request and answer a later start
// and the running Corvix exchange. Window-free.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/image_format.h"

enum class CaptureKind : uint8_t { Desktop, Window, Region, Last };

struct CaptureRequest {
  CaptureKind Kind = CaptureKind::Desktop;
  int32_t DelaySeconds = 0;
  std::wstring Out;  // empty: where a hot key's picture goes
  bool Overwrite = false, Clipboard = false, Pin = false;
  bool operator==(const CaptureRequest&) const = default;
};

// What the arguments ask for: nothing (none begins with "--": a start as ever), the usage, a
// capture, or nothing sensible (Error says why).
enum class ArgumentsVerdict : uint8_t { Start, Help, Capture, Bad };
struct ParsedArguments {
  ArgumentsVerdict Verdict = ArgumentsVerdict::Start;
  CaptureRequest Request;
  std::wstring Error;
};

inline constexpr int32_t kMaxDelaySeconds = 3600;

// Only arguments that begin with "--" are judged, with the value each takes; other words are
// left alone, as a shortcut's or an old Run entry's.
ParsedArguments ParseArguments(const std::vector<std::wstring>& arguments);

// The usage, as --help prints it.
const wchar_t* UsageText();

// The format a file name's extension asks for: .png, .jpg or .jpeg, .bmp, in any case.
std::optional<ImageFormat> FormatOfName(const std::wstring& name);

// The exit codes, and what a running Corvix answers.
inline constexpr int32_t kWritten = 0, kCancelled = 1, kFailed = 2;
struct CaptureAnswer {
  int32_t Code = kFailed;
  std::wstring Text;  // the path written, or why nothing was
  bool operator==(const CaptureAnswer&) const = default;
};

// As they travel between the processes: lines of "key=value"; a text that does not read as one
// gives nothing. The request carries the window its answer goes to and a secret of the later
// start's (32 hexadecimal digits) that the answer carries back: an answer without it comes from
// another program, whatever window it claims to come from, and reads as nothing.
std::wstring RequestText(const CaptureRequest& request, uint64_t replyWindow, const std::wstring& secret);
std::optional<CaptureRequest> RequestFromText(const std::wstring& text, uint64_t& replyWindow, std::wstring& secret);
std::wstring AnswerText(const CaptureAnswer& answer, const std::wstring& secret);
std::optional<CaptureAnswer> AnswerFromText(const std::wstring& text, const std::wstring& secret);
