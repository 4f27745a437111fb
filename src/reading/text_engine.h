// The recogniser: Tesseract's LSTM engine with one model, held in memory. Reads a picture made
// ready by reading_input, strip by strip, and lays the result out as text. One engine belongs to
// one thread at a time; it is made (the model loaded) and freed whole.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace tesseract {
class TessBaseAPI;
}

class TTextEngine {
 public:
  // `model` is a whole .traineddata file, or one gzipped (borrowed only while this runs). Throws
  // std::runtime_error when the engine cannot take it.
  TTextEngine(std::span<const uint8_t> model, const char* language);
  ~TTextEngine();
  TTextEngine(const TTextEngine&) = delete;
  TTextEngine& operator=(const TTextEngine&) = delete;

  // The text in 32-bit BGRX pixels (top-down rows `stride` bytes apart): an empty text when none was
  // found; nothing once `cancelled` is set (it is looked at between words and strips).
  std::optional<std::wstring> Read(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
                                   const std::atomic<bool>& cancelled);

 private:
  std::unique_ptr<tesseract::TessBaseAPI> api_;
};
