// Text recognition on the Windows build, under Wine: character accuracy on screen text this program
// renders itself (Chinese, English and mixed lines in the fonts a desktop uses, at 12, 14 and 16 px,
// dark on light and light on dark, one line at a time and as paragraphs), the time an 800 x 400
// region of text takes, the engine's loading time, and the memory before, during and after.
// Prints figures, asserts nothing. `--show` prints every text that was not read exactly.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "desktop_picture.h"
#include "private_memory.h"
#include "reading/text_engine.h"
#include "reading/text_reader.h"

namespace {

using Clock = std::chrono::steady_clock;

const wchar_t* const kChinese[] = {
    L"文件已保存到桌面，请检查后再试。", L"系统找不到指定的路径，请确认文件夹是否存在。",
    L"今天下午三点在二楼会议室开会，请准时参加。", L"网络连接已断开，正在尝试重新连接服务器。",
    L"请输入用户名和密码后点击登录按钮。", L"本月的销售数据已经更新，详情见附件表格。"};
const wchar_t* const kEnglish[] = {
    L"The file could not be saved because the disk is full.", L"Please restart the application to apply the new settings.",
    L"Error 404: the requested page was not found on this server.", L"Meeting moved to Friday at 10:30 in room B.",
    L"Click OK to continue or Cancel to go back.", L"Version 2.4.1 released with 37 bug fixes."};
const wchar_t* const kMixed[] = {
    L"打开 Settings 页面，选择 Display 选项。", L"版本 3.2 已发布，支持 Windows 10 和 Windows 11。",
    L"请把 report.xlsx 发送给 Alice，谢谢！", L"错误代码 0x80070005：拒绝访问。",
    L"下载速度 12.5 MB/s，剩余时间约 3 分钟。", L"使用 Ctrl+C 复制，Ctrl+V 粘贴。"};

struct Kind {
  const char* Name;
  const wchar_t* const* Lines;
  bool Latin;  // set in the Latin face
};
const Kind kKinds[] = {{"Chinese", kChinese, false}, {"English", kEnglish, true}, {"mixed", kMixed, false}};
constexpr int kLinesPerKind = 6;

// The first face of the list the system has.
std::wstring FirstFace(std::initializer_list<const wchar_t*> faces) {
  HDC dc = GetDC(nullptr);
  std::wstring found;
  for (const wchar_t* face : faces) {
    LOGFONTW font{};
    font.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    bool has = false;
    EnumFontFamiliesExW(dc, &font, [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM seen) {
      *reinterpret_cast<bool*>(seen) = true;
      return 0;
    }, reinterpret_cast<LPARAM>(&has), 0);
    if (has) {
      found = face;
      break;
    }
  }
  ReleaseDC(nullptr, dc);
  return found;
}

struct Picture {
  std::vector<uint8_t> Pixels;
  int32_t Width = 0, Height = 0;
};

// The lines drawn as a program draws them, `px` high, 1.6 lines apart, with a margin.
Picture Render(const std::vector<std::wstring>& lines, const std::wstring& face, int px, bool dark, int width = 0) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HFONT font = CreateFontW(-px, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0, face.c_str());
  HGDIOBJ oldFont = SelectObject(dc, font);
  const int margin = 10, step = px * 8 / 5;
  int textWidth = 0;
  for (const std::wstring& line : lines) {
    SIZE size{};
    GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
    textWidth = std::max<int>(textWidth, size.cx);
  }
  Picture picture;
  picture.Width = width ? width : textWidth + 2 * margin;
  picture.Height = static_cast<int32_t>(lines.size()) * step + 2 * margin;
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), picture.Width, -picture.Height, 1, 32, BI_RGB}};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  const COLORREF ground = dark ? RGB(30, 30, 30) : RGB(255, 255, 255), ink = dark ? RGB(230, 230, 230) : RGB(20, 20, 20);
  HBRUSH brush = CreateSolidBrush(ground);
  RECT all{0, 0, picture.Width, picture.Height};
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ink);
  for (size_t i = 0; i < lines.size(); ++i)
    TextOutW(dc, margin, margin + static_cast<int>(i) * step + (step - px) / 2, lines[i].c_str(), static_cast<int>(lines[i].size()));
  GdiFlush();
  picture.Pixels.assign(static_cast<uint8_t*>(bits), static_cast<uint8_t*>(bits) + 4ull * picture.Width * picture.Height);
  SelectObject(dc, oldBitmap);
  SelectObject(dc, oldFont);
  DeleteObject(bitmap);
  DeleteObject(font);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return picture;
}

size_t Distance(const std::wstring& a, const std::wstring& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::wstring WithoutSpaces(std::wstring text) {
  std::erase_if(text, [](wchar_t c) { return c == L' ' || c == L'\r' || c == L'\n'; });
  return text;
}

std::string Narrow(const std::wstring& text) {
  std::string out(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
  out.pop_back();
  return out;
}

// How Linux names this process (cut at 15 characters).
constexpr char kProcess[] = "corvix_text_rea";

std::vector<uint8_t> ReadModel() {
  std::ifstream in(CORVIX_TEXT_MODEL, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct Tally {
  size_t Errors = 0, Chars = 0, BareErrors = 0, BareChars = 0, Spaces = 0, SpacesRead = 0;
  void Add(const std::wstring& expected, const std::wstring& got) {
    Errors += Distance(expected, got);
    Chars += expected.size();
    const std::wstring bareExpected = WithoutSpaces(expected), bareGot = WithoutSpaces(got);
    BareErrors += Distance(bareExpected, bareGot);
    BareChars += bareExpected.size();
    Spaces += static_cast<size_t>(std::count(expected.begin(), expected.end(), L' '));
    SpacesRead += static_cast<size_t>(std::count(got.begin(), got.end(), L' '));
  }
  double Accuracy() const { return Chars ? 100.0 * (1.0 - static_cast<double>(Errors) / Chars) : 0; }
  double BareAccuracy() const { return BareChars ? 100.0 * (1.0 - static_cast<double>(BareErrors) / BareChars) : 0; }
};

}  // namespace

int main(int argc, char** argv) {
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  const bool show = argc > 1 && std::string(argv[1]) == "--show";
  const std::vector<uint8_t> model = ReadModel();
  const std::wstring chineseFace = FirstFace({L"Microsoft YaHei", L"微软雅黑", L"WenQuanYi Micro Hei", L"SimSun"});
  const std::wstring latinFace = FirstFace({L"Segoe UI", L"Tahoma", L"DejaVu Sans", L"Arial"});
  std::printf("Faces: Chinese and mixed text in \"%s\", English in \"%s\"; model %.2f MB\n", Narrow(chineseFace).c_str(),
              Narrow(latinFace).c_str(), model.size() / 1048576.0);
  const double before = PrivateMb(kProcess);
  // The program's reader first, as the program runs it: the engine loaded for a reading (an
  // 800 x 400 region of text) and freed once idle (after 30 s in the program, 0.5 s here).
  std::vector<std::wstring> region;
  for (int i = 0; region.size() < 18; ++i) region.push_back(std::wstring(kMixed[i % kLinesPerKind]) + L" " + kChinese[i % kLinesPerKind]);
  const Picture regionPicture = Render(region, chineseFace, 14, false, 800);  // 416 rows: 400 are read
  double readerPeak = 0;
  {
    std::atomic<int> done{0};
    TTextReader reader(model, "chi_sim", std::chrono::milliseconds(500), [&](TextReadResult) { ++done; });
    reader.Read({regionPicture.Pixels.begin(), regionPicture.Pixels.begin() + 800 * 400 * 4}, 800, 400);
    while (done == 0) {
      readerPeak = std::max(readerPeak, PrivateMb(kProcess));
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    while (reader.EngineLoaded()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::printf("Private memory: %.1f MB before, %.1f MB at the peak of a reading, %.1f MB once idle (the engine freed)\n",
              before, readerPeak, PrivateMb(kProcess));
  const auto loadStart = Clock::now();
  auto held = std::make_unique<TTextEngine>(model, "chi_sim");
  TTextEngine& engine = *held;
  const double loadMs = std::chrono::duration<double, std::milli>(Clock::now() - loadStart).count();
  const double loaded = PrivateMb(kProcess);
  std::printf("An engine of the bench's own: %.1f MB with it loaded\n", loaded);
  const std::atomic<bool> never{false};

  std::printf("\nCharacter accuracy (edit distance; spaces and line breaks counted, then left out):\n");
  std::printf("%-6s %-14s %-10s %9s %9s %14s\n", "size", "polarity", "layout", "accuracy", "no spaces", "spaces (read)");
  double peak = loaded;
  for (const int px : {12, 14, 16}) {
    for (const bool dark : {false, true}) {
      for (const bool paragraph : {false, true}) {
        Tally tally;
        for (const Kind& kind : kKinds) {
          const std::wstring& face = kind.Latin ? latinFace : chineseFace;
          std::vector<std::vector<std::wstring>> pictures;
          if (paragraph) {
            pictures.emplace_back(kind.Lines, kind.Lines + kLinesPerKind);
          } else {
            for (int i = 0; i < kLinesPerKind; ++i) pictures.push_back({kind.Lines[i]});
          }
          for (const auto& lines : pictures) {
            const Picture picture = Render(lines, face, px, dark);
            const std::wstring got = engine.Read(picture.Pixels.data(), picture.Width, picture.Height, picture.Width * 4, never).value_or(L"");
            peak = std::max(peak, PrivateMb(kProcess));
            std::wstring expected;
            for (const std::wstring& line : lines) expected += (expected.empty() ? L"" : L"\r\n") + line;
            tally.Add(expected, got);
            if (show && got != expected)
              std::printf("  %d px %s %s:\n    want %s\n    read %s\n", px, dark ? "dark" : "light", kind.Name,
                          Narrow(expected).c_str(), Narrow(got).c_str());
          }
        }
        std::printf("%-6d %-14s %-10s %8.2f%% %8.2f%% %8zu (%zu)\n", px, dark ? "light on dark" : "dark on light",
                    paragraph ? "paragraph" : "line", tally.Accuracy(), tally.BareAccuracy(), tally.Spaces, tally.SpacesRead);
      }
    }
  }

  // An 800 x 400 region of 14 px text: the mixed and Chinese paragraphs, as many lines as fit.
  std::vector<double> times;
  for (int run = 0; run < 5; ++run) {
    const auto start = Clock::now();
    engine.Read(regionPicture.Pixels.data(), regionPicture.Width, std::min(regionPicture.Height, 400), regionPicture.Width * 4, never);
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    peak = std::max(peak, PrivateMb(kProcess));
  }
  std::sort(times.begin(), times.end());
  std::printf("\nAn 800 x 400 region of 14 px text (%d lines): %.0f ms median (min %.0f, max %.0f), %.2fx the 1 s target\n",
              (400 - 10) / (14 * 8 / 5), times[2], times[0], times[4], times[2] / 1000.0);
  std::printf("Loading the engine and its model: %.0f ms\n", loadMs);

  // The realistic desktop: the whole of it, and its photo alone (no text: nothing should be read).
  std::vector<uint8_t> desktop(1920 * 1080 * 4);
  std::string source;
  if (LoadDesktopPicture(1920, 1080, desktop.data(), 0, source)) {
    const auto start = Clock::now();
    const std::wstring all = engine.Read(desktop.data(), 1920, 1080, 1920 * 4, never).value_or(L"");
    const double wholeMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    peak = std::max(peak, PrivateMb(kProcess));
    const size_t photoAt = (80 * 1920 + 1000) * 4;  // the photo of the desktop picture, inside its frame
    const std::wstring photo = engine.Read(desktop.data() + photoAt, 860, 290, 1920 * 4, never).value_or(L"");
    std::printf("The whole 1920 x 1080 desktop: %zu characters in %.0f ms; its photo (860 x 290): %zu characters%s\n",
                WithoutSpaces(all).size(), wholeMs, WithoutSpaces(photo).size(), photo.empty() ? " (未识别到文字)" : "");
  }
  std::printf("The bench's own engine: %.1f MB at the peak of all its readings (the whole desktop among them)\n", peak);
  return 0;
}
