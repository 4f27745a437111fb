#include "reading/text_engine.h"

#include <zlib.h>

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cwctype>
#include <stdexcept>
#include <vector>

#include "reading/reading_input.h"
#include "reading/text_layout.h"

namespace {

// A line whose every word the engine is less sure of than this (of 100) is taken for stray marks
// (an icon's edges, a rule), and so is a word of such marks alone. A real word can score as low at
// the end of a line: a word with a letter or a character in it is kept.
constexpr float kLeastConfidence = 20.0f;

bool HasLetter(const std::wstring& text) { return std::any_of(text.begin(), text.end(), IsLetterOrCharacter); }

bool Cancelled(void* flag, int) { return static_cast<const std::atomic<bool>*>(flag)->load(); }

// The symbols of a strip's lines, in the source's enlarged rows.
void CollectLines(tesseract::TessBaseAPI& api, const ReadingStrip& strip, std::vector<ReadLine>& lines) {
  std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
  if (!it) return;
  const int32_t top = strip.Top, margin = strip.Margin;
  const auto shift = [&](int l, int t, int r, int b) { return Rect{l - margin, t - margin + top, r - margin, b - margin + top}; };
  const size_t first = lines.size();
  std::vector<float> surest;  // per line: its surest word's confidence
  std::vector<ReadSymbol> word;
  float confidence = 0;
  const auto endWord = [&] {
    if (!word.empty() && (confidence >= kLeastConfidence || std::any_of(word.begin(), word.end(), [](const ReadSymbol& s) { return HasLetter(s.Text); })))
      lines.back().Symbols.insert(lines.back().Symbols.end(), word.begin(), word.end());
    word.clear();
  };
  do {
    int l = 0, t = 0, r = 0, b = 0;
    if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE) || lines.size() == first) {
      endWord();
      lines.emplace_back();
      surest.push_back(0);
      if (it->BoundingBox(tesseract::RIL_TEXTLINE, &l, &t, &r, &b)) {
        lines.back().Box = shift(l, t, r, b);
        for (auto [from, to] : BlankColumns(strip.Picture, {l, t, r, b})) lines.back().Blanks.emplace_back(from - margin, to - margin);
      }
    }
    const bool wordStart = it->IsAtBeginningOf(tesseract::RIL_WORD);
    if (wordStart) {
      endWord();
      confidence = it->Confidence(tesseract::RIL_WORD);
      surest.back() = std::max(surest.back(), confidence);
    }
    const std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_SYMBOL));
    if (!text || !text[0] || !it->BoundingBox(tesseract::RIL_SYMBOL, &l, &t, &r, &b)) continue;
    word.push_back({Utf16FromUtf8(text.get()), shift(l, t, r, b), wordStart});
  } while (it->Next(tesseract::RIL_SYMBOL));
  endWord();
  for (size_t line = lines.size(); line-- > first;)
    if (surest[line - first] < kLeastConfidence) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(line));
}

// A gzip stream inflated whole; empty when it is broken.
std::vector<uint8_t> Inflated(std::span<const uint8_t> packed) {
  z_stream stream{};
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return {};
  std::vector<uint8_t> out(packed.size() * 2);
  stream.next_in = const_cast<Bytef*>(packed.data());
  stream.avail_in = static_cast<uInt>(packed.size());
  int status = Z_OK;
  while (status == Z_OK) {
    if (stream.total_out == out.size()) out.resize(out.size() * 2);
    stream.next_out = out.data() + stream.total_out;
    stream.avail_out = static_cast<uInt>(out.size() - stream.total_out);
    status = inflate(&stream, Z_NO_FLUSH);
  }
  out.resize(status == Z_STREAM_END ? stream.total_out : 0);
  inflateEnd(&stream);
  return out;
}

}  // namespace

TTextEngine::TTextEngine(std::span<const uint8_t> packed, const char* language)
    : api_(std::make_unique<tesseract::TessBaseAPI>()) {
  setMsgSeverity(L_SEVERITY_NONE);  // Leptonica, built without image libraries, would say so
  // The program carries the model gzipped (a third smaller); the engine copies what it is given.
  std::vector<uint8_t> inflated;
  if (packed.size() >= 2 && packed[0] == 0x1F && packed[1] == 0x8B) inflated = Inflated(packed);
  const std::span<const uint8_t> model = inflated.empty() ? packed : inflated;
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
    api_->SetSourceResolution(static_cast<int>(96 * source.Scale));
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
    CollectLines(*api_, strip, lines);
    api_->Clear();
  }
  return LayOutText(std::move(lines));
}
