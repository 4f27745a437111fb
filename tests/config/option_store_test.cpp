// The option store against real Option.ini files and Wine's profile API (ANSI code page 936).
#include "config/option_store.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "support/temp_folder.h"
#include "toolkit/error.h"

namespace {

std::string ToAnsi(const std::wstring& text) {
  const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string ansi(length, '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi.data(), length, nullptr, nullptr);
  ansi.resize(length - 1);
  return ansi;
}

std::wstring FromAnsi(const std::string& text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(length, L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
  wide.resize(length - 1);
  return wide;
}

class OptionStoreTest : public testing::Test {
 protected:
  void SetUp() override { AppPath = folder_.WithBackslash(); }
  void TearDown() override { AppPath.clear(); }

  std::filesystem::path IniPath() const { return folder_.Path() / L"Option.ini"; }

  // Writes Option.ini as a user's editor would: ANSI (GBK) text with CR LF line ends.
  void WriteIni(const std::wstring& text) const {
    std::ofstream(IniPath(), std::ios::binary) << ToAnsi(text);
  }
  std::string IniBytes() const {
    std::ifstream file(IniPath(), std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
  }
  // The file's lines, decoded from the ANSI code page.
  std::vector<std::wstring> IniLines() const {
    std::vector<std::wstring> lines;
    std::wstringstream text(FromAnsi(IniBytes()));
    for (std::wstring line; std::getline(text, line);) {
      if (!line.empty() && line.back() == L'\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }

  TempFolder folder_;
};

TEST_F(OptionStoreTest, WithoutAFileTakesTheDefaultsAndCreatesNothing) {
  TOptionStore store;
  EXPECT_EQ(store.Option, DefaultOptions(AppPath));
  EXPECT_EQ(store.Option.DefaultDir, AppPath + L"Save");
  EXPECT_EQ(store.HotKeys[0], (HotKeyRec{2, 112}));
  EXPECT_EQ(store.HotKeys[1], (HotKeyRec{2, 113}));
  EXPECT_EQ(store.HotKeys[2], (HotKeyRec{2, 114}));
  EXPECT_TRUE(std::filesystem::is_empty(folder_.Path()));
}

struct ReadCase {
  std::wstring lines;  // what follows the section header
  std::function<bool(const TOptionStore&)> holds;
  const char* what;
};

class OptionReadTest : public OptionStoreTest, public testing::WithParamInterface<ReadCase> {};

TEST_P(OptionReadTest, Reads) {
  WriteIni(std::wstring(L"[Default]\r\n") + GetParam().lines + L"\r\n");
  TOptionStore store;
  EXPECT_TRUE(GetParam().holds(store)) << GetParam().what;
}

const std::wstring kLong(3000, L'x');

INSTANTIATE_TEST_SUITE_P(
    Values, OptionReadTest,
    testing::Values(
        ReadCase{L"AutoRun=yes", [](auto& s) { return !s.Option.AutoRun; }, "not an integer: default false"},
        ReadCase{L"AutoRun=0x10", [](auto& s) { return s.Option.AutoRun; }, "0x10 is true"},
        ReadCase{L"AutoRun=$A", [](auto& s) { return s.Option.AutoRun; }, "$A is true"},
        ReadCase{L"autorun=1", [](auto& s) { return s.Option.AutoRun; }, "names ignore case"},
        ReadCase{L"AutoSave=-5", [](auto& s) { return s.Option.AutoSave; }, "any non-zero is true"},
        ReadCase{L"Minimize=0", [](auto& s) { return !s.Option.Minimize; }, "Minimize=0 is false"},
        ReadCase{L"ExitHint=", [](auto& s) { return s.Option.ExitHint; }, "empty boolean: default true"},
        ReadCase{L"ExitHint=0", [](auto& s) { return !s.Option.ExitHint; }, "ExitHint=0 is false"},
        ReadCase{L"DefaultImage=257", [](auto& s) { return s.Option.DefaultImage == ImageFormat{1}; }, "low 8 bits of 257"},
        ReadCase{L"DefaultImage=-1", [](auto& s) { return s.Option.DefaultImage == ImageFormat{255}; }, "low 8 bits of -1"},
        ReadCase{L"DefaultImage=0", [](auto& s) { return s.Option.DefaultImage == ImageFormat{0}; }, "BMP"},
        ReadCase{L"DefaultImage=jpeg", [](auto& s) { return s.Option.DefaultImage == ImageFormat{1}; }, "default JPEG"},
        ReadCase{L"DefaultImage=2", [](auto& s) { return s.Option.DefaultImage == ImageFormat{2}; }, "PNG"},
        ReadCase{L"AutoRun=0", [](auto& s) { return !s.Option.CopyToClipboard && s.Option.SavedTip; },
                 "no clipboard and the saved tip by default"},
        ReadCase{L"CopyToClipboard=1\r\nSavedTip=0", [](auto& s) { return s.Option.CopyToClipboard && !s.Option.SavedTip; },
                 "both read"},
        ReadCase{L"KeyScreen=", [](auto& s) { return s.Option.KeyScreen.empty() && s.HotKeys[0] == HotKeyRec{}; },
                 "present empty text is empty and decodes to (0, 0)"},
        ReadCase{L"KeyScreen=ctrl+f1", [](auto& s) { return s.HotKeys[0] == HotKeyRec{}; },
                 "key names match exactly"},
        ReadCase{L"KeyCustom=ALT+SHIFT+Z", [](auto& s) { return s.HotKeys[2] == HotKeyRec{5, 'Z'}; },
                 "custom combination decoded"},
        ReadCase{L"KeyActiveWnd =  \"CTRL+F9\"  ",
                 [](auto& s) { return s.Option.KeyActiveWnd == L"CTRL+F9" && s.HotKeys[1] == HotKeyRec{2, 0x78}; },
                 "blanks and one pair of quotes removed"},
        ReadCase{L"DefaultDir=", [](auto& s) { return s.Option.DefaultDir.empty(); }, "empty folder is empty"},
        ReadCase{L"DefaultDir=D:\\截图\\每日", [](auto& s) { return s.Option.DefaultDir == L"D:\\截图\\每日"; },
                 "Chinese folder read from GBK"},
        ReadCase{L"DefaultFormat='IMG'000", [](auto& s) { return s.Option.DefaultFormat == L"'IMG'000"; },
                 "inner quotes stay"},
        ReadCase{L"DefaultFormat=" + kLong,
                 [](auto& s) { return s.Option.DefaultFormat == kLong.substr(0, 2047); }, "texts cut at 2047"}));

TEST_F(OptionStoreTest, ASectionOfAnotherCaseIsTheSameSection) {
  WriteIni(L"[default]\r\nAUTORUN=1\r\nkeyscreen=F5\r\n");
  TOptionStore store;
  EXPECT_TRUE(store.Option.AutoRun);
  EXPECT_EQ(store.HotKeys[0], (HotKeyRec{0, 0x74}));
}

TEST_F(OptionStoreTest, AFirstSaveWritesTheTwelveKeysInOrder) {
  TOptionStore store;
  store.Save();
  const std::vector<std::wstring> expected = {
      L"[Default]",        L"AutoRun=0",          L"Minimize=1",         L"AutoSave=0",
      L"ExitHint=1",       L"DefaultDir=" + AppPath + L"Save", L"DefaultFormat=000", L"DefaultImage=1",
      L"KeyScreen=CTRL+F1", L"KeyActiveWnd=CTRL+F2", L"KeyCustom=CTRL+F3", L"CopyToClipboard=0", L"SavedTip=1"};
  std::vector<std::wstring> lines = IniLines();
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  EXPECT_EQ(lines, expected);
  EXPECT_TRUE(std::filesystem::is_directory(folder_.Path() / L"Save"));
}

TEST_F(OptionStoreTest, SaveChangesOnlyTheTenKeys) {
  WriteIni(
      L"; written by hand\r\n"
      L"[Default]\r\n"
      L"Mine=keep me\r\n"
      L"KeyScreen=F5\r\n"
      L"; inside the section\r\n"
      L"\r\n"
      L"[Other]\r\n"
      L"Key=value\r\n");
  TOptionStore store;
  store.Option.KeyScreen = L"ALT+F6";
  store.Save();

  const std::vector<std::wstring> lines = IniLines();
  const auto at = [&](const std::wstring& line) {
    return std::find(lines.begin(), lines.end(), line) - lines.begin();
  };
  for (const wchar_t* kept : {L"; written by hand", L"Mine=keep me", L"; inside the section", L"[Other]", L"Key=value"})
    EXPECT_LT(at(kept), static_cast<long>(lines.size())) << "lost: " << testing::PrintToString(std::wstring(kept));
  EXPECT_LT(at(L"KeyScreen=ALT+F6"), static_cast<long>(lines.size()));
  EXPECT_EQ(at(L"KeyScreen=F5"), static_cast<long>(lines.size())) << "old value still there";
  // Keys that were missing join the end of their section, before the next one.
  EXPECT_LT(at(L"KeyCustom=CTRL+F3"), at(L"[Other]"));
  EXPECT_GT(at(L"AutoRun=0"), at(L"Mine=keep me"));
}

TEST_F(OptionStoreTest, SaveThenLoadGivesTheSameRecordWithChineseTextInGbk) {
  TOptionStore store;
  DefaultOptionRec option = store.Option;
  option.AutoRun = true;
  option.Minimize = false;
  option.AutoSave = true;
  option.ExitHint = false;
  option.DefaultDir = (folder_.Path() / L"截图" / L"每日").wstring();
  option.DefaultFormat = L"'图'000";
  option.DefaultImage = ImageFormat::Bmp;
  option.KeyScreen = L"ALT+SHIFT+Z";
  option.KeyActiveWnd = L"CTRL+<-";
  option.KeyCustom = std::wstring(2047, L'k');
  store.SetOptions(option);
  EXPECT_EQ(store.HotKeys[0], (HotKeyRec{5, 'Z'}));
  EXPECT_FALSE(std::filesystem::exists(IniPath())) << "SetOptions writes nothing";
  store.Save();

  TOptionStore again;
  EXPECT_EQ(again.Option, option);
  EXPECT_EQ(again.HotKeys, store.HotKeys);
  // The file is ANSI: 截图 is GBK bytes, not UTF-8 or UTF-16.
  EXPECT_NE(IniBytes().find("\xBD\xD8\xCD\xBC"), std::string::npos);
  EXPECT_EQ(IniBytes().find("\xE6\x88\xAA"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(option.DefaultDir));
}

TEST_F(OptionStoreTest, SaveCreatesTheDefaultFolderWithEveryMissingParent) {
  TOptionStore store;
  const std::filesystem::path deep = folder_.Path() / L"a" / L"b" / L"c";
  store.Option.DefaultDir = deep.wstring() + L"\\";
  store.Save();
  EXPECT_TRUE(std::filesystem::is_directory(deep));
}

TEST_F(OptionStoreTest, AFileThatCannotBeWrittenRaisesUnableToWrite) {
  std::filesystem::create_directory(IniPath());  // a folder stands where the file should be
  TOptionStore store;
  store.Option.AutoSave = true;
  try {
    store.Save();
    FAIL() << "Save did not raise";
  } catch (const Error& error) {
    EXPECT_EQ(error.Message(), L"Unable to write to " + AppPath + L"Option.ini");
  }
  EXPECT_TRUE(store.Option.AutoSave) << "the record keeps the new values";
  EXPECT_FALSE(std::filesystem::exists(folder_.Path() / L"Save")) << "no folder after a failed write";
}

TEST_F(OptionStoreTest, AnEmptyDefaultFolderIsWrittenThenRaisesUnableToCreateDirectory) {
  TOptionStore store;
  store.Option.DefaultDir.clear();
  try {
    store.Save();
    FAIL() << "Save did not raise";
  } catch (const Error& error) {
    EXPECT_EQ(error.Message(), L"Unable to create directory");
  }
  const std::vector<std::wstring> lines = IniLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), L"DefaultDir="), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), L"KeyCustom=CTRL+F3"), lines.end());
}

}  // namespace
