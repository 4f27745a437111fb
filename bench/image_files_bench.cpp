// How long writing a capture costs, against the floor measured in the same run:
//   JPEG: TImageFileWriter::Save against libjpeg-turbo alone encoding the same pixels in memory;
//   PNG:  TImageFileWriter::Save against libpng at its defaults encoding the same pixels in memory, and
//         the file's size against libpng's;
//   BMP:  TImageFileWriter::Save against a plain copy of the file's bytes plus writing them.
// The pictures are realistic desktops (text, flat areas, a photo), from CORVIX_DESKTOPS (default:
// the shared data folder beside the repository); a synthetic picture stands in when they are missing.
// Prints Google Benchmark's table, then the ratios.
#include <windows.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "common/image_encoding.h"
#include "common/image_files.h"
#include "desktop_picture.h"
#include "support/test_picture.h"

namespace {

struct Screen {
  int width, height;
};
constexpr Screen kScreens[] = {{1920, 1080}, {3840, 2160}};

std::filesystem::path Folder() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  const std::filesystem::path folder = std::filesystem::path(base) / L"corvix-bench";
  std::filesystem::create_directories(folder);
  return folder;
}

// A picture as a capture source holds it: a screen-compatible bitmap, and a 32-bit DIB section.
struct Capture {
  HBITMAP bitmap = nullptr;
  HBITMAP section = nullptr;
  TestPicture picture;
  bool desktop = false;
  Capture(int width, int height) : picture(width, height, 32) {
    std::string source;
    desktop = LoadDesktopPicture(width, height, picture.Pixels(), picture.Stride(), source);
    HDC screen = GetDC(nullptr);
    bitmap = CreateCompatibleBitmap(screen, width, height);
    BITMAPINFOHEADER header{sizeof header, width, -height, 1, 32, BI_RGB};
    SetDIBits(screen, bitmap, 0, static_cast<UINT>(height), picture.Pixels(), reinterpret_cast<BITMAPINFO*>(&header),
              DIB_RGB_COLORS);
    void* bits = nullptr;
    BITMAPINFOHEADER bottomUp{sizeof header, width, height, 1, 32, BI_RGB};  // as the capture sources make it
    section = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&bottomUp), DIB_RGB_COLORS, &bits, nullptr, 0);
    for (int y = 0; y < height; ++y)
      std::memcpy(static_cast<uint8_t*>(bits) + (height - 1 - y) * picture.Stride(),
                  picture.Pixels() + y * picture.Stride(), picture.Stride());
    ReleaseDC(nullptr, screen);
  }
  ~Capture() {
    DeleteObject(bitmap);
    DeleteObject(section);
  }
};

Capture& CaptureFor(int width, int height) {
  static std::map<int, std::unique_ptr<Capture>> captures;
  auto& capture = captures[width];
  if (!capture) capture = std::make_unique<Capture>(width, height);
  return *capture;
}

void SaveJpeg(benchmark::State& state) {
  Capture& capture = CaptureFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const std::wstring path = (Folder() / L"bench.jpg").wstring();
  TImageFileWriter writer;  // its memory reused from one picture to the next, as a capture run keeps it
  for (auto _ : state) writer.Save(capture.bitmap, ImageFormat::Jpeg, path);
}

void SaveJpegFromDibSection(benchmark::State& state) {
  Capture& capture = CaptureFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const std::wstring path = (Folder() / L"bench.jpg").wstring();
  TImageFileWriter writer;  // its memory reused from one picture to the next, as a capture run keeps it
  for (auto _ : state) writer.Save(capture.section, ImageFormat::Jpeg, path);
}

// libjpeg-turbo by itself: the same pixels, already in memory, into the library's memory target.
void LibjpegAlone(benchmark::State& state) {
  Capture& capture = CaptureFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const TestPicture& picture = capture.picture;
  for (auto _ : state) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(picture.Width());
    info.image_height = static_cast<JDIMENSION>(picture.Height());
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kJpegQuality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
      JSAMPROW row = const_cast<JSAMPROW>(picture.Pixels() + info.next_scanline * picture.Stride());
      jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    benchmark::DoNotOptimize(size);
    free(out);
  }
}

void SavePng(benchmark::State& state) {
  Capture& capture = CaptureFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const std::filesystem::path path = Folder() / L"bench.png";
  TImageFileWriter writer;  // its memory reused from one picture to the next, as a capture run keeps it
  for (auto _ : state) writer.Save(capture.section, ImageFormat::Png, path.wstring());
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

void AppendBytes(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}
void NoFlush(png_structp) {}

// libpng at its defaults (zlib level 6, adaptive filters), the same pixels into memory.
void LibpngDefault(benchmark::State& state) {
  Capture& capture = CaptureFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const TestPicture& picture = capture.picture;
  std::vector<uint8_t> out;
  for (auto _ : state) {
    out.clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, AppendBytes, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.Width()), static_cast<png_uint_32>(picture.Height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < picture.Height(); ++y)
      png_write_row(png, const_cast<png_bytep>(picture.Pixels() + y * picture.Stride()));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
  }
  state.counters["bytes"] = static_cast<double>(out.size());
}

void SaveBmp(benchmark::State& state) {
  Capture& capture = CaptureFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const std::wstring path = (Folder() / L"bench.bmp").wstring();
  TImageFileWriter writer;  // its memory reused from one picture to the next, as a capture run keeps it
  for (auto _ : state) writer.Save(capture.bitmap, ImageFormat::Bmp, path);
}

// A plain copy of a BMP's bytes in memory plus writing them to a file: the floor for BMP.
void CopyAndWrite(benchmark::State& state) {
  Capture& capture = CaptureFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const size_t bytes = 54 + capture.picture.Stride() * capture.picture.Height();
  std::vector<uint8_t> source(bytes, 1), copy(bytes);
  std::memcpy(source.data() + 54, capture.picture.Pixels(), bytes - 54);
  const std::wstring path = (Folder() / L"floor.bmp").wstring();
  for (auto _ : state) {
    std::memcpy(copy.data(), source.data(), bytes);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, copy.data(), static_cast<DWORD>(bytes), &written, nullptr);
    CloseHandle(file);
  }
}

void Register() {
  for (const Screen& screen : kScreens) {
    using Function = void (*)(benchmark::State&);
    const std::pair<const char*, Function> benchmarks[] = {
        {"SaveJpeg", SaveJpeg}, {"SaveJpegFromDibSection", SaveJpegFromDibSection}, {"LibjpegAlone", LibjpegAlone},
        {"SavePng", SavePng},   {"LibpngDefault", LibpngDefault},
        {"SaveBmp", SaveBmp},   {"CopyAndWrite", CopyAndWrite}};
    for (auto [name, function] : benchmarks) {
      benchmark::RegisterBenchmark(name, function)
          ->Args({screen.width, screen.height})
          ->Unit(benchmark::kMillisecond)
          ->Repetitions(15)
          ->ReportAggregatesOnly(true)
          ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
    }
  }
}

// Keeps the median of every benchmark, to print the ratios after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
      if (run.aggregate_name == "median") {
        const std::string key = run.run_name.function_name + "/" + run.run_name.args;
        medians[key] = run.GetAdjustedRealTime();
        if (const auto bytes = run.counters.find("bytes"); bytes != run.counters.end()) sizes[key] = bytes->second;
      }
  }
  std::map<std::string, double> medians, sizes;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Register();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\nMedians of 15 runs (real time):\n");
  std::printf("%-10s %10s %7s %12s %7s %10s   %10s %11s %7s\n", "screen", "JPEG file", "ratio", "JPEG (DIB)",
              "ratio", "libjpeg", "BMP file", "copy+write", "ratio");
  for (const Screen& screen : kScreens) {
    const std::string size = std::to_string(screen.width) + "/" + std::to_string(screen.height);
    const auto median = [&](const char* name) { return reporter.medians[std::string(name) + "/" + size]; };
    const double jpeg = median("SaveJpeg"), dib = median("SaveJpegFromDibSection"), library = median("LibjpegAlone");
    const double bmp = median("SaveBmp"), floor = median("CopyAndWrite");
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("%-10s %7.2f ms %6.2fx %9.2f ms %6.2fx %7.2f ms   %7.2f ms %8.2f ms %6.2fx\n",
                (std::to_string(screen.width) + "x" + std::to_string(screen.height)).c_str(), jpeg,
                ratio(jpeg, library), dib, ratio(dib, library), library, bmp, floor, ratio(bmp, floor));
  }
  std::printf("\nPNG against libpng at its defaults (targets: time at most 0.25x, size at most 1.10x):\n");
  std::printf("%-10s %10s %12s %7s %12s %12s %7s  %s\n", "screen", "PNG file", "libpng", "ratio", "PNG bytes",
              "libpng bytes", "ratio", "picture");
  for (const Screen& screen : kScreens) {
    const std::string size = std::to_string(screen.width) + "/" + std::to_string(screen.height);
    const double png = reporter.medians["SavePng/" + size], library = reporter.medians["LibpngDefault/" + size];
    const double bytes = reporter.sizes["SavePng/" + size], libraryBytes = reporter.sizes["LibpngDefault/" + size];
    const double timeRatio = library > 0 ? png / library : 0, sizeRatio = libraryBytes > 0 ? bytes / libraryBytes : 0;
    std::printf("%-10s %7.2f ms %9.2f ms %6.2fx %12.0f %12.0f %6.2fx  %s%s\n",
                (std::to_string(screen.width) + "x" + std::to_string(screen.height)).c_str(), png, library, timeRatio,
                bytes, libraryBytes, sizeRatio,
                CaptureFor(screen.width, screen.height).desktop ? "desktop" : "synthetic (no desktop picture found)",
                timeRatio > 0.25 || sizeRatio > 1.10 ? "  OVER TARGET" : "");
  }
  std::filesystem::remove_all(Folder());
  return 0;
}
