// Option.ini as no one should write it, and hot keys another program holds: the real program still
// starts, and every capture either writes its file or shows an error in the program's own words.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "corvix_run.h"

namespace e2e {
namespace {

enum class Outcome { File, Error, FileOrError };

struct HostileCase {
  const char* name;
  std::string (*ini)(const std::filesystem::path& folder);  // Option.ini's bytes for a run folder
  Outcome outcome;
  const wchar_t* balloonHas = nullptr;  // when set: the welcome balloon shows this, cut to its field
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string Lines(const std::string& body) { return "[Default]\r\nAutoSave=1\r\n" + body; }

const HostileCase kCases[] = {
    {"HugeValuesEverywhere",  // 100 KB each; the program reads the first 2047 characters
     [](const std::filesystem::path&) {
       const std::string huge(100 * 1024, '7');
       return Lines("DefaultImage=" + huge + "\r\nAutoRun=" + huge + "\r\nDefaultFormat=" + huge +
                    "\r\nExitHint=" + huge + "\r\n");
     },
     Outcome::Error},  // "Format string too long"
    {"AHugeFolder",
     [](const std::filesystem::path& folder) {
       return Lines("DefaultDir=" + Narrow(folder.wstring()) + "\\" + std::string(100 * 1024, 'd') + "\r\n");
     },
     Outcome::Error},
    {"BinaryGarbage",
     [](const std::filesystem::path&) {
       std::mt19937 random(20261207);
       std::string bytes(64 * 1024, '\0');
       for (char& byte : bytes) byte = static_cast<char>(random());
       return bytes + "\r\n" + Lines("");
     },
     Outcome::File},
    {"BrokenGbk",  // lead bytes with no trail byte, in the pattern and in the folder
     [](const std::filesystem::path& folder) {
       return Lines("DefaultFormat='\x81\xfe'000\x81\r\nDefaultDir=" + Narrow(folder.wstring()) + "\\\xfe\x81\xff\r\n");
     },
     Outcome::FileOrError},
    {"HotKeyTextsHundredsOfCharactersLong",
     [](const std::filesystem::path&) {
       std::string screen, active;
       for (int i = 0; i < 100; ++i) screen += "CTRL+";
       for (int i = 0; i < 150; ++i) active += "SHIFT+";
       return Lines("KeyScreen=" + screen + "F1\r\nKeyActiveWnd=" + active + "F2\r\nKeyCustom=" + std::string(600, 'Q') +
                    "\r\n");
     },
     Outcome::File, L"按CTRL+CTRL+CTRL+"},
    {"AFolderOf400Characters",
     [](const std::filesystem::path& folder) {
       std::string path = Narrow(folder.wstring());
       while (path.size() < 400) path += "\\" + std::string(48, 'p');
       return Lines("DefaultDir=" + path.substr(0, 400) + "\r\n");
     },
     Outcome::FileOrError},
    {"AFolderOutsideTheAnsiCodePage",  // UTF-16 text: Korean and Devanagari have no GBK bytes
     [](const std::filesystem::path& folder) {
       const std::wstring text = L"\xFEFF[Default]\r\nAutoSave=1\r\nDefaultDir=" + folder.wstring() +
                                 L"\\\xD55C\xAD6D\xC5B4_\x0939\x093F\x0928\x094D\x0926\x0940\r\n";
       return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
     },
     Outcome::File},
};

// Every picture file under the run folder.
std::vector<std::wstring> Pictures(const std::filesystem::path& folder) {
  std::vector<std::wstring> found;
  for (const std::wstring& file : FilesUnder(folder.wstring()))
    if (file.ends_with(L".jpg") || file.ends_with(L".bmp")) found.push_back(file);
  return found;
}

bool IsOwnError(const std::wstring& text) {
  return text.starts_with(L"Cannot create file \"") || text == L"Unable to create directory" ||
         text == L"Format string too long";
}

class HostileOptionsTest : public testing::TestWithParam<HostileCase> {};

TEST_P(HostileOptionsTest, StartsAndEachCaptureWritesItsFileOrSaysWhy) {
  CorvixRun corvix;
  corvix.WriteOptionIniBytes(GetParam().ini(corvix.Folder()));
  ASSERT_TRUE(corvix.Start(kCtrlF1)) << "did not start with its screen hot key";
  const std::string iniBefore = FileBytes(corvix.Folder() / L"Option.ini");

  if (const wchar_t* has = GetParam().balloonHas) {
    // The welcome balloon is cut to its field, never overrun.
    const BalloonView balloon = WaitForBalloon([&](const BalloonView& view) {
      return view.Text.starts_with(L"欢迎使用Corvix截屏助手") && view.Text.find(has) != std::wstring::npos;
    });
    EXPECT_NE(balloon.Handle, nullptr) << "no welcome balloon";
    EXPECT_EQ(balloon.Text.size(), 255u);
  }

  for (int press = 1; press <= 2; ++press) {
    Press(kCtrlF1);
    MessageBoxView box;
    std::vector<std::wstring> pictures;
    ASSERT_TRUE(WaitFor([&] {
      pictures = Pictures(corvix.Folder());
      if (pictures.size() == static_cast<size_t>(press)) return true;
      box = WaitForMessageBox(corvix.Pid(), 100ms);
      return box.Handle != nullptr;
    })) << "press " << press << " neither wrote a file nor said why";
    std::printf("press %d: %ls\n", press, box.Handle ? box.Text.c_str() : pictures.back().c_str());
    if (box.Handle) {
      EXPECT_NE(GetParam().outcome, Outcome::File) << testing::PrintToString(box.Text);
      EXPECT_TRUE(IsOwnError(box.Text)) << testing::PrintToString(box.Text);
      Answer(box, IDOK);
      ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.Handle); }));
    } else {
      EXPECT_NE(GetParam().outcome, Outcome::Error) << testing::PrintToString(pictures.back());
      WIN32_FILE_ATTRIBUTE_DATA file{};
      GetFileAttributesExW(pictures.back().c_str(), GetFileExInfoStandard, &file);
      EXPECT_GT(file.nFileSizeLow, 1000u) << "not a whole picture";
    }
  }
  EXPECT_TRUE(corvix.Answers());
  EXPECT_EQ(FileBytes(corvix.Folder() / L"Option.ini"), iniBefore) << "Option.ini was rewritten";
}

INSTANTIATE_TEST_SUITE_P(Files, HostileOptionsTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<HostileCase>& param) { return param.param.name; });

TEST(HotKeyTaken, AKeyAnotherProgramHoldsIsLeftToItAndTheOtherTwoWork) {
  ASSERT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL, VK_F2)) << "Ctrl+F2 is already taken";
  struct Release {
    ~Release() { UnregisterHotKey(nullptr, 1); }
  } release;
  CorvixRun corvix;
  corvix.WriteOptionIni(L"[Default]\r\nAutoSave=1\r\n");
  ASSERT_TRUE(corvix.Start(kCtrlF1));
  EXPECT_TRUE(IsHotKeyTaken(MOD_CONTROL, VK_F3));

  Press(kCtrlF1);
  EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(corvix.Folder() / L"Save" / L"001.jpg"); }));
  Press(kCtrlF3);
  HWND overlay = corvix.WaitForOverlay();
  ASSERT_NE(overlay, nullptr) << "the region key did not work";
  WaitFor([&] { return GetForegroundWindow() == overlay; }, 3s);
  Sleep(200);
  PressKeys(0, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(overlay); }));

  // Ctrl+F2 still reaches the program that holds it, and Corvix captures nothing for it.
  Press(kCtrlF2);
  MSG message{};
  EXPECT_TRUE(WaitFor([&] { return PeekMessageW(&message, nullptr, WM_HOTKEY, WM_HOTKEY, PM_REMOVE) != 0; }, 3s));
  Sleep(500);
  EXPECT_FALSE(std::filesystem::exists(corvix.Folder() / L"Save" / L"002.jpg"));
  EXPECT_TRUE(corvix.Answers());
}

}  // namespace
}  // namespace e2e
