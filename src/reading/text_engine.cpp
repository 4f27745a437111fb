#include "reading/text_engine.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <stdexcept>
#include <vector>

#include "reading/reading_input.h"
#include "reading/text_layout.h"

namespace {

// The enlarged screen's resolution: 96 DPI times the 1.5 of reading_input. The engine sizes some of
// its page analysis by it.
constexpr int kReadingDpi = 144;

// Characters below this confidence (of 100) in a word that is all of them are taken for a stray
// mark (an icon's edge, a rule) rather than text.
constexpr float kLeastConfidence = 20.0f;

bool Cancelled(void* flag, int) { return static_cast<const std::atomic<bool>*>(flag)->load(); }

// The symbols of a strip's lines, in the source's enlarged rows.
void CollectLines(tesseract::TessBaseAPI& api, int32_t top, int32_t margin, std::vector<ReadLine>& lines) {
  std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
  if (!it) return;
  const auto shift = [&](int l, int t, int r, int b) { return Rect{l - margin, t - margin + top, r - margin, b - margin + top}; };
  bool keepWord = true;
  do {
    int l = 0, t = 0, r = 0, b = 0;
    if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE) || lines.empty()) {
      lines.emplace_back();
      if (it->BoundingBox(tesseract::RIL_TEXTLINE, &l, &t, &r, &b)) lines.back().Box = shift(l, t, r, b);
    }
    const bool wordStart = it->IsAtBeginningOf(tesseract::RIL_WORD);
    if (wordStart) keepWord = it->Confidence(tesseract::RIL_WORD) >= kLeastConfidence;
    const std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_SYMBOL));
    if (!keepWord || !text || !text[0] || !it->BoundingBox(tesseract::RIL_SYMBOL, &l, &t, &r, &b)) continue;
    lines.back().Symbols.push_back({Utf16FromUtf8(text.get()), shift(l, t, r, b), wordStart});
  } while (it->Next(tesseract::RIL_SYMBOL));
}

}  // namespace

TTextEngine::TTextEngine(std::span<const uint8_t> model, const char* language)
    : api_(std::make_unique<tesseract::TessBaseAPI>()) {
  setMsgSeverity(L_SEVERITY_NONE);  // Leptonica, built without image libraries, would say so
  if (model.empty() ||
      api_->Init(reinterpret_cast<const char*>(model.data()), static_cast<int>(model.size()), language,
                 tesseract::OEM_LSTM_ONLY, nullptr, 0, nullptr, nullptr, false, nullptr) != 0)
    throw std::runtime_error("the text recognition model cannot be loaded");
  api_->SetPageSegMode(tesseract::PSM_AUTO);
  api_->SetVariable("debug_file", "NUL");  // the engine's notes would go to the standard error
  // The picture is turned light before (reading_input): the engine's second try of each line
  // inverted would only cost time.
  api_->SetVariable("tessedit_do_invert", "0");
}

TTextEngine::~TTextEngine() {
  if (api_) api_->End();
}

std::optional<std::wstring> TTextEngine::Read(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
                                              const std::atomic<bool>& cancelled) {
  const ReadingSource source = PrepareForReading(pixels, width, height, stride);
  std::vector<ReadLine> lines;
  for (const auto& [first, end] : StripRows(source)) {
    if (cancelled) return std::nullopt;
    const ReadingStrip strip = MakeStrip(source, first, end);
    api_->SetImage(strip.Picture.Pixels.data(), strip.Picture.Width, strip.Picture.Height, 1, strip.Picture.Width);
    api_->SetSourceResolution(kReadingDpi);
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = Cancelled;
    monitor.cancel_this = const_cast<std::atomic<bool>*>(&cancelled);
    const int failed = api_->Recognize(&monitor);
    if (cancelled) {
      api_->Clear();
      return std::nullopt;
    }
    if (failed != 0) {
      api_->Clear();
      throw std::runtime_error("the text recogniser failed on the picture");
    }
    CollectLines(*api_, strip.Top, strip.Margin, lines);
    api_->Clear();
  }
  return LayOutText(std::move(lines));
}
