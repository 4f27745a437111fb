#include "config/option_store.h"

#include <windows.h>

#include "common/folders.h"
#include "common/paths.h"
#include "toolkit/error.h"

std::wstring AppPath;
std::unique_ptr<TOptionStore> OptionStore;

void SetAppPath() { AppPath = ExtractFilePath(ProgramFileName()); }

TIniStore::TIniStore(const std::wstring& fileName)
    : iniFile_(std::make_unique<TIniFile>(AppPath + fileName)) {}

TOptionStore::TOptionStore() : TIniStore(L"Option.ini") {
  // The base cannot call the derived Load; the order stays: bind the file, load, decode.
  Load();
  DecodeHotKeys();
}

void TOptionStore::Load() {
  namespace K = OptionKeys;
  const DefaultOptionRec defaults = DefaultOptions(AppPath);
  const TIniFile& ini = *iniFile_;
  Option.AutoRun = ini.ReadBool(K::Section, K::AutoRun, defaults.AutoRun);
  Option.Minimize = ini.ReadBool(K::Section, K::Minimize, defaults.Minimize);
  Option.AutoSave = ini.ReadBool(K::Section, K::AutoSave, defaults.AutoSave);
  Option.ExitHint = ini.ReadBool(K::Section, K::ExitHint, defaults.ExitHint);
  Option.DefaultDir = ini.ReadString(K::Section, K::DefaultDir, defaults.DefaultDir);
  Option.DefaultFormat = ini.ReadString(K::Section, K::DefaultFormat, defaults.DefaultFormat);
  // Only the low 8 bits count: 257 reads as 1, -1 as 255.
  Option.DefaultImage = static_cast<ImageFormat>(
      ini.ReadInteger(K::Section, K::DefaultImage, static_cast<int>(defaults.DefaultImage)) & 0xFF);
  Option.KeyScreen = ini.ReadString(K::Section, K::KeyScreen, defaults.KeyScreen);
  Option.KeyActiveWnd = ini.ReadString(K::Section, K::KeyActiveWnd, defaults.KeyActiveWnd);
  Option.KeyCustom = ini.ReadString(K::Section, K::KeyCustom, defaults.KeyCustom);
  Option.CopyToClipboard = ini.ReadBool(K::Section, K::CopyToClipboard, defaults.CopyToClipboard);
  Option.SavedTip = ini.ReadBool(K::Section, K::SavedTip, defaults.SavedTip);
}

void TOptionStore::SetOptions(const DefaultOptionRec& option) {
  Option = option;
  DecodeHotKeys();
}

void TOptionStore::DecodeHotKeys() {
  HotKeys[0] = TextToHotKey(Option.KeyScreen);
  HotKeys[1] = TextToHotKey(Option.KeyActiveWnd);
  HotKeys[2] = TextToHotKey(Option.KeyCustom);
}

void TOptionStore::Save() {
  namespace K = OptionKeys;
  TIniFile& ini = *iniFile_;
  // A file the user marked read-only stays exactly as it is.
  if (ini.ReadOnly()) throw Error(L"Unable to write to " + ini.FileName());
  // Nothing the user sets is lost: a folder name outside the ANSI code page makes the file Unicode
  // before it is written; once every value fits again, the file goes back to ANSI after.
  const bool unicode = !FitsAnsiCodePage(Option.DefaultDir + Option.DefaultFormat + Option.KeyScreen +
                                         Option.KeyActiveWnd + Option.KeyCustom);
  if (unicode) ini.MatchEncoding(true);
  ini.WriteBool(K::Section, K::AutoRun, Option.AutoRun);
  ini.WriteBool(K::Section, K::Minimize, Option.Minimize);
  ini.WriteBool(K::Section, K::AutoSave, Option.AutoSave);
  ini.WriteBool(K::Section, K::ExitHint, Option.ExitHint);
  ini.WriteString(K::Section, K::DefaultDir, Option.DefaultDir);
  ini.WriteString(K::Section, K::DefaultFormat, Option.DefaultFormat);
  ini.WriteInteger(K::Section, K::DefaultImage, static_cast<int>(Option.DefaultImage));
  ini.WriteString(K::Section, K::KeyScreen, Option.KeyScreen);
  ini.WriteString(K::Section, K::KeyActiveWnd, Option.KeyActiveWnd);
  ini.WriteString(K::Section, K::KeyCustom, Option.KeyCustom);
  ini.WriteBool(K::Section, K::CopyToClipboard, Option.CopyToClipboard);
  ini.WriteBool(K::Section, K::SavedTip, Option.SavedTip);
  // The values are saved by now: a file that cannot go back to ANSI (another program holds it)
  // stays UTF-16, which reads the same, and goes back at a later save.
  if (!unicode) {
    try {
      ini.MatchEncoding(false);
    } catch (const Error&) {
    }
  }
  // A relative folder is the program folder's; an empty one raises, as it always did.
  const std::wstring folder = Option.DefaultDir.empty() ? Option.DefaultDir : AbsoluteFolder(Option.DefaultDir, AppPath);
  if (!DirectoryExists(folder)) ForceDirectories(folder);
}

namespace {

constexpr wchar_t kDrawingSection[] = L"Markup";
constexpr wchar_t kLineWidthKey[] = L"LineWidth", kColourKey[] = L"Colour", kTextSizeKey[] = L"TextSize";

}  // namespace

MarkupStyle TDrawingStyleStore::Load() const {
  const MarkupStyle defaults;
  // Out-of-range values are brought into range where the style is used.
  return {ini_.ReadInteger(kDrawingSection, kLineWidthKey, defaults.Width),
          ini_.ReadInteger(kDrawingSection, kColourKey, defaults.Ink),
          ini_.ReadInteger(kDrawingSection, kTextSizeKey, defaults.TextSize)};
}

void TDrawingStyleStore::Save(const MarkupStyle& style) {
  const MarkupStyle stored = Load();
  if (stored == style) return;
  if (ini_.ReadOnly()) throw Error(L"Unable to write to " + ini_.FileName());
  if (style.Width != stored.Width) ini_.WriteInteger(kDrawingSection, kLineWidthKey, style.Width);
  if (style.Ink != stored.Ink) ini_.WriteInteger(kDrawingSection, kColourKey, style.Ink);
  if (style.TextSize != stored.TextSize) ini_.WriteInteger(kDrawingSection, kTextSizeKey, style.TextSize);
}
