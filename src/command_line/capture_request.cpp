#include "command_line/capture_request.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <map>

namespace {

constexpr const wchar_t* kKinds[] = {L"desktop", L"window", L"region", L"last"};

bool IsSecret(const std::wstring& text) {
  return text.size() == 32 && std::all_of(text.begin(), text.end(), [](wchar_t c) {
           return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f');
         });
}

std::optional<int32_t> Number(const std::wstring& text, int32_t low, int32_t high) {
  if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
    return std::nullopt;
  const int32_t value = std::stoi(text);
  if (value < low || value > high) return std::nullopt;
  return value;
}

// No control character nor one that no Windows file name holds (a "\\?\" prefix's "?" apart).
bool NameCharacters(const std::wstring& name) {
  const size_t from = name.starts_with(L"\\\\?\\") ? 4 : 0;
  return std::none_of(name.begin() + static_cast<std::ptrdiff_t>(from), name.end(),
                      [](wchar_t c) { return c < 0x20 || std::wcschr(L"<>\"|?*", c); });
}

std::optional<CaptureKind> KindOf(const std::wstring& text) {
  for (size_t i = 0; i < std::size(kKinds); ++i)
    if (text == kKinds[i]) return static_cast<CaptureKind>(i);
  return std::nullopt;
}

std::map<std::wstring, std::wstring> Lines(const std::wstring& text) {
  std::map<std::wstring, std::wstring> values;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find(L'\n', at);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring line = text.substr(at, end - at);
    const size_t equals = line.find(L'=');
    if (equals != std::wstring::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    at = end + 1;
  }
  return values;
}

}  // namespace

std::optional<ImageFormat> FormatOfName(const std::wstring& name) {
  const size_t dot = name.find_last_of(L".\\/");
  if (dot == std::wstring::npos || name[dot] != L'.') return std::nullopt;
  std::wstring extension = name.substr(dot);
  for (wchar_t& c : extension) c = static_cast<wchar_t>(std::towlower(c));
  if (extension == L".png") return ImageFormat::Png;
  if (extension == L".jpg" || extension == L".jpeg") return ImageFormat::Jpeg;
  if (extension == L".bmp") return ImageFormat::Bmp;
  return std::nullopt;
}

ParsedArguments ParseArguments(const std::vector<std::wstring>& arguments) {
  ParsedArguments parsed;
  const auto bad = [&](std::wstring why) {
    parsed.Verdict = ArgumentsVerdict::Bad;
    parsed.Error = std::move(why);
    return parsed;
  };
  std::vector<std::wstring> seen;
  bool judged = false, help = false, capture = false;
  CaptureRequest& request = parsed.Request;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring& name = arguments[i];
    if (!name.starts_with(L"--")) continue;  // not ours to judge
    judged = true;
    if (std::find(seen.begin(), seen.end(), name) != seen.end()) return bad(L"参数重复：" + name);
    seen.push_back(name);
    const bool takesValue = name == L"--capture" || name == L"--delay" || name == L"--out";
    const std::wstring* value = nullptr;
    if (takesValue) {
      if (i + 1 >= arguments.size() || (arguments[i + 1].starts_with(L"--") && name != L"--out"))
        return bad(name + L" 缺少取值");
      value = &arguments[++i];
    }
    if (name == L"--help") {
      help = true;
    } else if (name == L"--capture") {
      const auto kind = KindOf(*value);
      if (!kind) return bad(L"--capture 的取值应为 desktop、window、region 或 last，而不是“" + *value + L"”");
      request.Kind = *kind;
      capture = true;
    } else if (name == L"--delay") {
      const auto seconds = Number(*value, 0, kMaxDelaySeconds);
      if (!seconds) return bad(L"--delay 的取值应为 0 到 3600 之间的整数秒，而不是“" + *value + L"”");
      request.DelaySeconds = *seconds;
    } else if (name == L"--out") {
      if (value->empty()) return bad(L"--out 缺少文件名");
      if (!NameCharacters(*value)) return bad(L"--out 的文件名含有无效字符：" + *value);
      if (!FormatOfName(*value)) return bad(L"--out 的文件扩展名应为 .png、.jpg、.jpeg 或 .bmp：" + *value);
      request.Out = *value;
    } else if (name == L"--overwrite") {
      request.Overwrite = true;
    } else if (name == L"--clipboard") {
      request.Clipboard = true;
    } else if (name == L"--pin") {
      request.Pin = true;
    } else {
      return bad(L"未知的参数：" + name);
    }
  }
  if (!judged) return parsed;
  if (help) {
    if (seen.size() > 1) return bad(L"--help 不能与其他参数一起使用");
    parsed.Verdict = ArgumentsVerdict::Help;
    return parsed;
  }
  if (!capture) return bad(L"缺少 --capture");
  if (request.Overwrite && request.Out.empty()) return bad(L"--overwrite 只能与 --out 一起使用");
  parsed.Verdict = ArgumentsVerdict::Capture;
  return parsed;
}

const wchar_t* UsageText() {
  return L"用法：Corvix.exe --capture desktop|window|region|last [--delay 秒数]\r\n"
         L"                 [--out 文件 [--overwrite]] [--clipboard] [--pin]\r\n"
         L"      Corvix.exe --help\r\n"
         L"\r\n"
         L"  --capture desktop  截取整个桌面\r\n"
         L"  --capture window   截取截图那一刻的前台窗口。从命令行窗口启动时，前台窗口就是这个\r\n"
         L"                     命令行窗口本身；要截取别的窗口，请用 --delay 留出切换的时间\r\n"
         L"  --capture region   打开选区界面，由你框选区域（Esc 取消）\r\n"
         L"  --capture last     截取上次的区域\r\n"
         L"  --delay 秒数       先等待这么多秒（0 到 3600），其间光标旁显示倒计时，Esc 取消\r\n"
         L"  --out 文件         写入这个文件，格式由扩展名决定：.png、.jpg 或 .jpeg、.bmp；\r\n"
         L"                     不会覆盖已有的文件。不加 --out 时，图片按选项设置保存\r\n"
         L"  --overwrite        允许 --out 覆盖已有的文件\r\n"
         L"  --clipboard        同时复制到剪贴板\r\n"
         L"  --pin              同时贴在屏幕上（需要 Corvix 正在运行）\r\n"
         L"\r\n"
         L"Corvix 正在运行时，截图由它完成；否则由这次启动完成后退出。\r\n"
         L"写入的文件路径输出到标准输出。退出码：0 已写入，1 已取消，2 失败（原因输出到标准错误）。\r\n"
         L"在脚本中等待截图完成：start /wait Corvix.exe --capture region --out a.png\r\n"
         L"或 PowerShell：Start-Process Corvix.exe -ArgumentList '--capture','region' -Wait\r\n";
}

std::wstring RequestText(const CaptureRequest& request, uint64_t replyWindow, const std::wstring& secret) {
  return L"reply=" + std::to_wstring(replyWindow) + L"\nsecret=" + secret + L"\nkind=" + kKinds[static_cast<size_t>(request.Kind)] +
         L"\ndelay=" + std::to_wstring(request.DelaySeconds) + L"\noverwrite=" + (request.Overwrite ? L"1" : L"0") +
         L"\nclipboard=" + (request.Clipboard ? L"1" : L"0") + L"\npin=" + (request.Pin ? L"1" : L"0") +
         L"\nout=" + request.Out;
}

std::optional<CaptureRequest> RequestFromText(const std::wstring& text, uint64_t& replyWindow, std::wstring& secret) {
  auto values = Lines(text);
  const auto kind = KindOf(values[L"kind"]);
  const auto delay = Number(values[L"delay"], 0, kMaxDelaySeconds);
  const std::wstring& reply = values[L"reply"];
  if (!kind || !delay || reply.empty() || reply.size() > 19 ||
      !std::all_of(reply.begin(), reply.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }) || !IsSecret(values[L"secret"]))
    return std::nullopt;
  secret = values[L"secret"];
  // The later start made the path absolute and checked it: anything else is no request of its.
  const std::wstring& out = values[L"out"];
  const bool absolute =
      out.size() > 2 && ((out[1] == L':' && (out[2] == L'\\' || out[2] == L'/')) || out.starts_with(L"\\\\"));
  if (!out.empty() && (!absolute || !FormatOfName(out) || !NameCharacters(out))) return std::nullopt;
  replyWindow = std::stoull(reply);
  CaptureRequest request;
  request.Kind = *kind;
  request.DelaySeconds = *delay;
  request.Out = out;
  request.Overwrite = values[L"overwrite"] == L"1";
  request.Clipboard = values[L"clipboard"] == L"1";
  request.Pin = values[L"pin"] == L"1";
  return request;
}

std::wstring AnswerText(const CaptureAnswer& answer, const std::wstring& secret) {
  return secret + L"\n" + std::to_wstring(answer.Code) + L"\n" + answer.Text;
}

std::optional<CaptureAnswer> AnswerFromText(const std::wstring& text, const std::wstring& secret) {
  if (!IsSecret(secret) || !text.starts_with(secret + L"\n")) return std::nullopt;
  const size_t from = secret.size() + 1, line = text.find(L'\n', from);
  if (line == std::wstring::npos) return std::nullopt;
  const auto code = Number(text.substr(from, line - from), kWritten, kFailed);
  if (!code) return std::nullopt;
  return CaptureAnswer{*code, text.substr(line + 1)};
}
