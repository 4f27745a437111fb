// Reading the text of a picture (a region's, a pin's) for the user: the recogniser runs off this
// thread; the result window beside the picture waits with it and shows the text, which goes on the
// clipboard as soon as it is there. One reading at a time: a new one replaces the last.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "common/rect.h"
#include "reading/text_reader.h"
#include "reading/text_result_window.h"
#include "toolkit/forms.h"
#include "toolkit/escape_key.h"

class TTextReading : private TWinControl {
 public:
  TTextReading();
  ~TTextReading() override;

  // Reads the picture whose pixels stood at `place` on the screen. Raises when its pixels cannot be
  // read.
  void Read(HBITMAP picture, const Rect& place);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Finished(const TextReadResult& result);
  void ShowWaiting();
  // Ends the reading the window waits for (cancelled) and lets the window go.
  void CloseWindow();

  std::unique_ptr<TTextReader> reader_;  // made on first use
  std::unique_ptr<TTextResultWindow> window_;
  std::vector<std::unique_ptr<TTextResultWindow>> closed_;  // hidden, freed once their message is over
  uint64_t job_ = 0;  // the reading the window waits for; 0 once it has its text
  // Esc while the window waits, unless a count or a capture holds it (关闭 still cancels it then).
  std::optional<TEscapeOwner> escape_;
  std::mutex resultsLock_;
  std::vector<TextReadResult> results_;  // from the worker, until this window's thread takes them
};
