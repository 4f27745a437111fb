// Random presses, drags, releases, typing, styles, deletes, undos and redos through the drawing
// tools: nothing they do breaks the history, undoing everything gives the blank picture back and
// redoing everything the same shapes, and every state draws (the sanitizers watch).
#include "fuzz_support.h"
#include "markup/editor.h"
#include "markup/render.h"

#include <vector>

#ifndef _WIN32
// fontconfig keeps its fonts for the life of the process, which LeakSanitizer would count as leaked.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  TMarkupEditor editor(data.ConsumeFloatingPointInRange<double>(1, 3));
  const auto point = [&] {
    return PointF{data.ConsumeFloatingPointInRange<double>(-20, 100), data.ConsumeFloatingPointInRange<double>(-20, 80)};
  };
  while (data.remaining_bytes() > 0) {
    switch (data.ConsumeIntegralInRange<uint8_t>(0, 10)) {
      case 0: {
        const uint8_t tool = data.ConsumeIntegralInRange<uint8_t>(0, 9);
        editor.ChooseTool(tool == 9 ? std::nullopt : std::optional<ShapeKind>(static_cast<ShapeKind>(tool)));
        break;
      }
      case 1: editor.Press(point(), data.ConsumeBool()); break;
      case 2: editor.Drag(point(), data.ConsumeBool()); break;
      case 3: editor.Release(); break;
      case 4: editor.DoubleClick(point()); break;
      case 5: editor.Type(static_cast<wchar_t>(data.ConsumeIntegralInRange<uint16_t>(0, 0xFFFF))); break;
      case 6: editor.EndTyping(); break;
      case 7:
        editor.SetStyle({data.ConsumeIntegralInRange<int32_t>(-1, 3), data.ConsumeIntegralInRange<int32_t>(-1, 10),
                         data.ConsumeIntegralInRange<int32_t>(-1, 3)});
        break;
      case 8: editor.DeleteChosen(); break;
      case 9: editor.Undo(); break;
      default: editor.Redo(); break;
    }
    editor.ChosenGrips();
    FUZZ_CHECK(editor.Shapes().size() <= editor.History().Shapes().size() + 1);
  }
  constexpr int kWidth = 48, kHeight = 32;
  std::vector<uint8_t> pixels(kWidth * kHeight * 4, 0x5A);
  DrawShapes(pixels.data(), kWidth, kHeight, kWidth * 4, editor.Shapes(), editor.BlockSize(), {-10, -10});
  editor.EndTyping();
  const ShapeList last = editor.History().Shapes();
  int steps = 0;
  while (editor.Undo()) ++steps;
  FUZZ_CHECK(editor.History().Shapes().empty());
  while (steps-- > 0) FUZZ_CHECK(editor.Redo());
  FUZZ_CHECK(editor.History().Shapes() == last);
  return 0;
}
