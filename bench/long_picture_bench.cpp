// The scrolling capture's stitching, on the Windows build: how long one 1920 x 1080 read takes to
// be placed against a long picture 20,000 rows tall (the screen gives a read every 16.7 ms at
// 60 Hz; the target is 8 ms, half of it, on one core), how long a read that did not move takes and
// one at rest with a block that changes by itself, and the program's private memory before, while
// it holds the picture and after. Prints figures and ratios, asserts nothing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "private_memory.h"
#include "support/scrolled_document.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int32_t kWidth = 1920, kView = 1080, kTall = 20000, kStep = 60, kRuns = 60;

// How Linux names this process (cut at 15 characters).
constexpr char kProcess[] = "corvix_long_pic";

void Row(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  std::printf("%-44s %7.2f ms (min %.2f, max %.2f)  %.2fx the 8 ms target\n", what, median, times.front(), times.back(),
              median / 8.0);
}

}  // namespace

int main() {
  // Text-like lines over the whole width: a document as tall as the picture and the runs after it.
  const ScrolledDocument document = MakeDocument(kWidth, kTall + kView + kStep * kRuns, 0, 0, kView, 42);
  const double before = PrivateMb(kProcess);
  {
    TLongPicture picture(kWidth, kView, TLongPicture::MaxRowsFor(kWidth));
    int32_t offset = 0;
    AddRead(picture, document.Read(0));
    while (picture.Height() < kTall) AddRead(picture, document.Read(offset += 500));
    std::vector<double> placed, still, animated;
    for (int32_t run = 0; run < kRuns; ++run) {
      std::vector<uint32_t> read = document.Read(offset += kStep);
      auto start = Clock::now();
      const ReadResult result = AddRead(picture, read);
      placed.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      if (result != ReadResult::Grew) std::printf("run %d was not placed\n", run);
      start = Clock::now();
      AddRead(picture, read);
      still.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      // At rest, a 200 x 60 block of the read changes by itself, as a video does.
      for (int32_t y = 500; y < 560; ++y) std::fill_n(read.begin() + y * kWidth + 800, 200, 0x102030u * uint32_t(run + 1));
      start = Clock::now();
      AddRead(picture, read);
      animated.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::printf("Long picture of %d x %d rows, reads of %d x %d, %d runs:\n", kWidth, picture.Height(), kWidth, kView, kRuns);
    Row("a read 60 rows on, placed and added", placed);
    Row("a read that did not move", still);
    Row("a read at rest, a 200 x 60 block changed", animated);
    std::printf("%-44s %7.1f MB (%.1f MB for its pixels)\n", "private memory while it is held",
                PrivateMb(kProcess) - before, double(picture.Height()) * kWidth * 4 / 1048576.0);
    // What the window part does at 完成: the rows move into the saved picture's memory.
    std::vector<uint32_t> saved(static_cast<size_t>(picture.Height()) * kWidth);
    picture.MoveTo(saved.data(), kWidth);
    std::printf("%-44s %7.1f MB (the saved picture alone: %.1f MB)\n", "private memory once moved out",
                PrivateMb(kProcess) - before, saved.size() * 4 / 1048576.0);
  }
  std::printf("%-44s %7.1f MB\n", "private memory once it is gone", PrivateMb(kProcess) - before);
  return 0;
}
