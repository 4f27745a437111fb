// The option store: the settings record in memory, kept in Option.ini in the program folder.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "common/hotkey_text.h"
#include "config/ini_file.h"
#include "config/option_record.h"
#include "history/history_store.h"
#include "markup/markup_style.h"

// The program's own folder with its trailing backslash; set at start-up, cleared at exit.
extern std::wstring AppPath;
void SetAppPath();

// A store bound to one INI file in the program folder.
class TIniStore {
 public:
  explicit TIniStore(const std::wstring& fileName);
  virtual ~TIniStore() = default;
  virtual void Load() = 0;

 protected:
  std::unique_ptr<TIniFile> iniFile_;
};

// The region overlay's drawing style, in its own section of Option.ini, apart from the options
// dialog's keys: a file without it gives the defaults, and a key is written only when it changes.
class TDrawingStyleStore {
 public:
  explicit TDrawingStyleStore(TIniFile& ini) : ini_(ini) {}
  MarkupStyle Load() const;
  // Raises "Unable to write to <file>" when a changed key cannot be written.
  void Save(const MarkupStyle& style);

 private:
  TIniFile& ini_;
};

class TOptionStore : public TIniStore {
 public:
  // Binds Option.ini, loads it (or the defaults) and decodes the hot keys.
  TOptionStore();

  DefaultOptionRec Option;
  // Decoded hot keys: 0 whole screen (KeyScreen), 1 active window (KeyActiveWnd), 2 region (KeyCustom).
  std::array<HotKeyRec, 3> HotKeys{};

  void Load() override;
  // Takes a new record and decodes its hot keys; writes nothing.
  void SetOptions(const DefaultOptionRec& option);
  void DecodeHotKeys();
  // Writes the twelve keys (Option.ini turns UTF-16 while a value does not fit the ANSI code page),
  // then makes sure the default folder exists. Raises "Unable to write to <file>" for a read-only
  // file (before anything is written) and at the first key that cannot be written, and "Unable to
  // create directory" for an empty default folder.
  void Save();

  // The drawing style the region overlay starts with; the overlay's last choice is saved here.
  TDrawingStyleStore DrawingStyle{*iniFile_};
  // What the program remembers of its use: the last regions and pictures, the last delay.
  THistoryStore History{*iniFile_};
};

extern std::unique_ptr<TOptionStore> OptionStore;
