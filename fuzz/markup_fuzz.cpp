// Random shapes and changes through the markup history: undo and redo walk the states back and
// forth exactly, a change drops what was undone, a picture drawn again only where each step changed
// it is byte for byte the picture drawn whole (texts and steps' numbers too, in this system's
// fonts), and every state draws onto a small picture with the pixels outside it untouched (the
// sanitizers watch the drawing).
#include "fuzz_support.h"
#include "markup/history.h"
#include "markup/render.h"
#include "support/markup_redraw.h"

#include <vector>

#ifndef _WIN32
// fontconfig keeps its fonts for the life of the process, which LeakSanitizer would count as leaked.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  TMarkupHistory history;
  std::vector<ShapeList> seen{history.Shapes()};  // the states in order, up to the current one
  size_t current = 0;
  // The picture as the overlay keeps it: drawn again only round each step's damage.
  constexpr int kWidth = 64, kHeight = 48;
  const PointF origin{-8, -6};
  std::vector<uint8_t> under(static_cast<size_t>(kWidth) * kHeight * 4);
  for (size_t i = 0; i < under.size(); ++i) under[i] = static_cast<uint8_t>(i * 37 % 251);
  std::vector<uint8_t> shown = under;
  ShapeList drawn;
  const auto follow = [&] {
    RedrawChange(shown, under, kWidth, kHeight, drawn, history.Shapes(), 7, origin);
    drawn = history.Shapes();
    std::vector<uint8_t> whole = under;
    DrawShapes(whole.data(), kWidth, kHeight, kWidth * 4, drawn, 7, origin);
    FUZZ_CHECK(whole == shown);
  };
  while (data.remaining_bytes() > 0) {
    const uint8_t op = data.ConsumeIntegralInRange<uint8_t>(0, 5);
    const size_t count = history.Shapes().size();
    if (op == 0 || count == 0) {
      Shape shape;
      shape.Kind = static_cast<ShapeKind>(data.ConsumeIntegralInRange<uint8_t>(0, 8));
      const size_t points = data.ConsumeIntegralInRange<size_t>(1, 12);
      for (size_t i = 0; i < points; ++i)
        shape.Points.push_back({data.ConsumeFloatingPointInRange<double>(-50, 110),
                                data.ConsumeFloatingPointInRange<double>(-50, 110)});
      shape.Width = data.ConsumeFloatingPointInRange<double>(0, 40);
      shape.Number = data.ConsumeIntegralInRange<int32_t>(0, 1000);
      shape.Text = FuzzTextOf(data, L"ab\n中", 8);
      history.Add(shape);
    } else if (op == 1) {
      Shape moved = *history.Shapes()[data.ConsumeIntegralInRange<size_t>(0, count - 1)];
      MoveShape(moved, data.ConsumeFloatingPointInRange<double>(-30, 30), data.ConsumeFloatingPointInRange<double>(-30, 30));
      history.Replace(data.ConsumeIntegralInRange<size_t>(0, count), moved);
    } else if (op == 2) {
      history.Remove(data.ConsumeIntegralInRange<size_t>(0, count));
    } else if (op == 3) {
      FUZZ_CHECK(history.Undo() == (current > 0));
      if (current > 0) --current;
      FUZZ_CHECK(history.Shapes() == seen[current]);
      follow();
      continue;
    } else if (op == 4) {
      FUZZ_CHECK(history.Redo() == (current + 1 < seen.size()));
      if (current + 1 < seen.size()) ++current;
      FUZZ_CHECK(history.Shapes() == seen[current]);
      follow();
      continue;
    } else {
      history.ShapeAt({data.ConsumeFloatingPointInRange<double>(-60, 120), data.ConsumeFloatingPointInRange<double>(-60, 120)}, 3);
      continue;
    }
    // A change, when it changed anything, is the newest state and leaves nothing to redo; one that
    // changed nothing (an index out of range, a shape replaced by its equal) leaves the history alone.
    if (history.Shapes() != seen[current]) {
      seen.resize(current + 1);
      seen.push_back(history.Shapes());
      ++current;
      FUZZ_CHECK(!history.CanRedo());
    }
    FUZZ_CHECK(history.CanRedo() == (current + 1 < seen.size()));
    follow();
  }
  // The picture sits inside a larger buffer whose margin must stay as it was.
  constexpr int kStride = 80 * 4, kRows = 52;
  std::vector<uint8_t> buffer(static_cast<size_t>(kStride) * kRows, 0x5A);
  DrawShapes(buffer.data() + 2 * kStride, kWidth, kHeight, kStride, history.Shapes(), 10);
  for (int row = 0; row < kRows; ++row)
    for (int x = row < 2 || row >= 2 + kHeight ? 0 : kWidth * 4; x < kStride; ++x)
      FUZZ_CHECK(buffer[static_cast<size_t>(row) * kStride + x] == 0x5A);
  return 0;
}
