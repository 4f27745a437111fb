// Automatic names and image files on a real file system under Wine.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/image_files.h"
#include "common/whole_file.h"
#include "support/decode_jpeg.h"
#include "support/decode_png.h"
#include "support/temp_folder.h"
#include "support/test_picture.h"
#include "toolkit/error.h"

namespace {

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void Touch(const std::filesystem::path& path, const std::string& content = "x") {
  std::ofstream(path, std::ios::binary) << content;
}

uint32_t Le32(const uint8_t* at) { return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24; }

// A bottom-up DIB section of the given depth, filled with a gentle picture.
class TestBitmap {
 public:
  TestBitmap(int width, int height, int bits) : width_(width), height_(height), bits_(bits) {
    struct {
      BITMAPINFOHEADER header;
      uint32_t colors[256];
    } info{};
    info.header = {sizeof(BITMAPINFOHEADER), width, height, 1, static_cast<WORD>(bits), BI_RGB};
    if (bits == 16) {
      info.header.biCompression = BI_BITFIELDS;
      info.colors[0] = 0xF800, info.colors[1] = 0x07E0, info.colors[2] = 0x001F;
    }
    if (bits == 8)
      for (uint32_t i = 0; i < 256; ++i) info.colors[i] = (i << 16) | ((255 - i) << 8) | (i / 2);
    void* bits_out = nullptr;
    bitmap_ = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits_out, nullptr, 0);
    pixels_ = static_cast<uint8_t*>(bits_out);
    stride_ = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    if (bits == 24 || bits == 32) {
      const TestPicture picture(width, height, bits);
      std::copy(picture.Pixels(), picture.Pixels() + stride_ * height, pixels_);
    } else {
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          uint8_t* at = pixels_ + y * stride_ + x * bits / 8;
          if (bits == 8) *at = static_cast<uint8_t>(x * 7 + y * 3);
          if (bits == 16) {
            const uint16_t value = static_cast<uint16_t>(((x * 2) & 31) << 11 | ((y * 3) & 63) << 5 | ((x + y) & 31));
            at[0] = static_cast<uint8_t>(value), at[1] = static_cast<uint8_t>(value >> 8);
          }
        }
    }
    GdiFlush();
  }
  ~TestBitmap() { DeleteObject(bitmap_); }
  HBITMAP Handle() const { return bitmap_; }
  // The DIB's rows as they lie in memory: bottom-up, padded, exactly what a BMP file holds.
  std::vector<uint8_t> Rows() const { return {pixels_, pixels_ + stride_ * height_}; }
  // Blue, green, red of a pixel counted from the top.
  const uint8_t* Pixel(int x, int yFromTop) const {
    return pixels_ + (height_ - 1 - yFromTop) * stride_ + x * (bits_ / 8);
  }

 private:
  int width_, height_, bits_;
  HBITMAP bitmap_ = nullptr;
  uint8_t* pixels_ = nullptr;
  size_t stride_ = 0;
};

struct ImageCase {
  int width, height, bits;
};

class ImageFileTest : public testing::TestWithParam<ImageCase> {
 protected:
  TempFolder folder_;
};

TEST_P(ImageFileTest, BmpHoldsTheBitmapsOwnDepthAndExactRows) {
  const ImageCase c = GetParam();
  const TestBitmap bitmap(c.width, c.height, c.bits);
  const std::filesystem::path path = folder_.Path() / L"picture.jpg";  // the format, not the name, decides
  TImageFileWriter().Save(bitmap.Handle(), ImageFormat::Bmp, path.wstring());

  const std::vector<uint8_t> file = ReadFile(path);
  ASSERT_GE(file.size(), 54u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(Le32(&file[2]), file.size());
  EXPECT_EQ(Le32(&file[14]), 40u);
  EXPECT_EQ(file[28], c.bits);
  const size_t offset = Le32(&file[10]);
  const std::vector<uint8_t> rows = bitmap.Rows();
  ASSERT_EQ(file.size() - offset, rows.size());
  EXPECT_TRUE(std::equal(rows.begin(), rows.end(), file.begin() + static_cast<ptrdiff_t>(offset)))
      << "the pixel rows differ";
  if (c.bits == 16) {
    EXPECT_EQ(Le32(&file[30]), static_cast<uint32_t>(BI_BITFIELDS));
    EXPECT_EQ(Le32(&file[54]), 0xF800u);
    EXPECT_EQ(Le32(&file[58]), 0x07E0u);
  }
  if (c.bits == 8) {
    EXPECT_EQ(Le32(&file[54 + 4 * 10]), (10u << 16) | (245u << 8) | 5u) << "colour table";
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()), {}), 1) << "a stray file was left";
}

class JpegFileTest : public ImageFileTest {};

TEST_P(JpegFileTest, JpegDecodesToTheBitmapWithinJpegTolerance) {
  const ImageCase c = GetParam();
  const TestBitmap bitmap(c.width, c.height, c.bits);
  const std::filesystem::path path = folder_.Path() / L"picture.bmp";
  TImageFileWriter().Save(bitmap.Handle(), ImageFormat::Jpeg, path.wstring());

  const DecodedJpeg jpeg = DecodeJpeg(ReadFile(path));
  ASSERT_EQ(jpeg.width, c.width);
  ASSERT_EQ(jpeg.height, c.height);
  EXPECT_EQ(jpeg.components, 3);
  EXPECT_FALSE(jpeg.progressive);
  double total = 0;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x)
      for (int k = 0; k < 3; ++k)
        total += std::abs(jpeg.rgb[(static_cast<size_t>(y) * c.width + x) * 3 + k] - bitmap.Pixel(x, y)[2 - k]);
  EXPECT_LT(total / (3.0 * c.width * c.height), 3.0) << "top and bottom swapped, or colours off";
}

class PngFileTest : public ImageFileTest {};

TEST_P(PngFileTest, PngDecodesToExactlyTheBitmap) {
  const ImageCase c = GetParam();
  const TestBitmap bitmap(c.width, c.height, c.bits);
  const std::filesystem::path path = folder_.Path() / L"picture.jpg";  // the format, not the name, decides
  TImageFileWriter().Save(bitmap.Handle(), ImageFormat::Png, path.wstring());

  const DecodedPng png = DecodePng(ReadFile(path));
  ASSERT_TRUE(png.ok);
  ASSERT_EQ(png.width, c.width);
  ASSERT_EQ(png.height, c.height);
  int wrong = 0;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x)
      for (int k = 0; k < 3; ++k) wrong += png.rgb[(static_cast<size_t>(y) * c.width + x) * 3 + k] != bitmap.Pixel(x, y)[2 - k];
  EXPECT_EQ(wrong, 0) << "top and bottom swapped, or colours off";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()), {}), 1) << "a stray file was left";
}

std::string ShapeName(const testing::TestParamInfo<ImageCase>& param) {
  return std::to_string(param.param.width) + "x" + std::to_string(param.param.height) + "x" +
         std::to_string(param.param.bits);
}

INSTANTIATE_TEST_SUITE_P(Shapes, ImageFileTest,
                         testing::Values(ImageCase{1, 1, 32}, ImageCase{1, 1, 24}, ImageCase{3, 2, 24},
                                         ImageCase{17, 5, 32}, ImageCase{33, 20, 24}, ImageCase{7, 3, 16},
                                         ImageCase{5, 4, 8}),
                         ShapeName);
// The gentle test picture exists for 24 and 32 bits; other depths reach the encoder as 24-bit copies.
INSTANTIATE_TEST_SUITE_P(Shapes, JpegFileTest,
                         testing::Values(ImageCase{1, 1, 32}, ImageCase{1, 1, 24}, ImageCase{3, 2, 24},
                                         ImageCase{17, 5, 32}, ImageCase{33, 20, 24}),
                         ShapeName);
INSTANTIATE_TEST_SUITE_P(Shapes, PngFileTest,
                         testing::Values(ImageCase{1, 1, 32}, ImageCase{1, 1, 24}, ImageCase{3, 2, 24},
                                         ImageCase{17, 5, 32}, ImageCase{33, 20, 24}, ImageCase{801, 300, 32}),
                         ShapeName);

class SaveTest : public testing::Test {
 protected:
  TempFolder folder_;
  TestBitmap bitmap_{8, 6, 32};
};

TEST_F(SaveTest, TheFolderIsMadeWithItsParentsAndOtherFormatsWriteNothing) {
  const std::filesystem::path deep = folder_.Path() / L"截图" / L"b" / L"c";
  TImageFileWriter().Save(bitmap_.Handle(), ImageFormat::Jpeg, (deep / L"001.jpg").wstring());
  EXPECT_TRUE(std::filesystem::is_regular_file(deep / L"001.jpg"));
  TImageFileWriter().Save(bitmap_.Handle(), ImageFormat{3}, (deep / L"002").wstring());
  EXPECT_FALSE(std::filesystem::exists(deep / L"002"));
}

TEST_F(SaveTest, AScreenCompatibleBitmapComesOutTopSideUp) {
  // Not a DIB section: its pixels come out through GetDIBits.
  const TestPicture picture(41, 23, 32);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 41, 23);
  BITMAPINFOHEADER header{sizeof header, 41, -23, 1, 32, BI_RGB};
  SetDIBits(screen, bitmap, 0, 23, picture.Pixels(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  const std::filesystem::path jpegPath = folder_.Path() / L"ddb.jpg", bmpPath = folder_.Path() / L"ddb.bmp";
  TImageFileWriter().Save(bitmap, ImageFormat::Jpeg, jpegPath.wstring());
  TImageFileWriter().Save(bitmap, ImageFormat::Bmp, bmpPath.wstring());
  DeleteObject(bitmap);

  const DecodedJpeg jpeg = DecodeJpeg(ReadFile(jpegPath));
  ASSERT_EQ(jpeg.width, 41);
  ASSERT_EQ(jpeg.height, 23);
  double total = 0;
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 41; ++x)
      for (int k = 0; k < 3; ++k)
        total += std::abs(jpeg.rgb[(static_cast<size_t>(y) * 41 + x) * 3 + k] - picture.Pixels()[y * picture.Stride() + x * 4 + 2 - k]);
  EXPECT_LT(total / (3.0 * 41 * 23), 3.0);

  // The BMP's last row is the picture's top row.
  const std::vector<uint8_t> bmp = ReadFile(bmpPath);
  ASSERT_EQ(bmp.size(), 54u + 41 * 4 * 23);
  EXPECT_TRUE(std::equal(picture.Pixels(), picture.Pixels() + 41 * 4, bmp.begin() + 54 + 22 * 41 * 4));
}

TEST_F(SaveTest, AnExistingFileIsReplaced) {
  const std::filesystem::path path = folder_.Path() / L"shot.bmp";
  Touch(path, "old content");
  TImageFileWriter().Save(bitmap_.Handle(), ImageFormat::Bmp, path.wstring());
  EXPECT_EQ(ReadFile(path)[0], 'B');
}

void ExpectCannotCreate(const std::function<void()>& save, const std::wstring& path) {
  try {
    save();
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    const std::wstring start = L"Cannot create file \"" + path + L"\". ";
    EXPECT_EQ(error.Message().substr(0, start.size()), start) << testing::PrintToString(error.Message());
    EXPECT_GT(error.Message().size(), start.size()) << "no system error text";
    EXPECT_NE(error.Message().back(), L'.');
  }
}

// A picture that cannot be read gives an error and no file: never a black or empty picture.
TEST_F(SaveTest, APictureWhosePixelsCannotBeReadGivesTheErrorAndWritesNothing) {
  HBITMAP gone = CreateBitmap(8, 6, 1, 32, nullptr);
  DeleteObject(gone);
  for (const ImageFormatRow& format : kImageFormats) {
    const std::filesystem::path path = folder_.Path() / (std::wstring(L"x") + format.Extension);
    try {
      TImageFileWriter().Save(gone, format.Format, path.wstring());
      ADD_FAILURE() << "no error for format " << static_cast<int>(format.Format);
    } catch (const Error& error) {
      EXPECT_EQ(error.Message(), L"Cannot read the picture's pixels");
    }
    EXPECT_FALSE(std::filesystem::exists(path));
  }
}

TEST_F(SaveTest, AFolderThatIsAFileGivesTheErrorAndLeavesNothing) {
  Touch(folder_.Path() / L"notafolder");
  const std::wstring path = (folder_.Path() / L"notafolder" / L"001.jpg").wstring();
  ExpectCannotCreate([&] { TImageFileWriter().Save(bitmap_.Handle(), ImageFormat::Jpeg, path); }, path);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()), {}), 1);
}

TEST_F(SaveTest, AFailedWriteKeepsTheFileThatWasThere) {
  const std::filesystem::path path = folder_.Path() / L"keep.jpg";
  Touch(path, "precious");
  {
    // Another program holds the file open and shares nothing.
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ExpectCannotCreate([&] { TImageFileWriter().Save(bitmap_.Handle(), ImageFormat::Jpeg, path.wstring()); }, path.wstring());
    CloseHandle(held);
  }
  const std::vector<uint8_t> content = ReadFile(path);
  EXPECT_EQ(std::string(content.begin(), content.end()), "precious");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()), {}), 1) << "a temporary file was left";
}

TEST_F(SaveTest, AFolderStandingAtTheNameGivesTheError) {
  const std::filesystem::path path = folder_.Path() / L"001.jpg";
  std::filesystem::create_directory(path);
  EXPECT_EQ(GetAutoFileName(folder_.Path().wstring(), L"000", L".jpg"), (folder_.Path() / L"002.jpg").wstring())
      << "a folder takes the name";
  ExpectCannotCreate([&] { TImageFileWriter().Save(bitmap_.Handle(), ImageFormat::Jpeg, path.wstring()); }, path.wstring());
  EXPECT_TRUE(std::filesystem::is_directory(path));
}

class AutoNameTest : public testing::Test {
 protected:
  std::wstring Next(const std::wstring& pattern, const std::wstring& extension) {
    return GetAutoFileName(folder_.Path().wstring(), pattern, extension);
  }
  TempFolder folder_;
};

TEST_F(AutoNameTest, TheFirstFreeNumberFillsGapsFirst) {
  const std::wstring base = folder_.Path().wstring() + L"\\";
  EXPECT_EQ(Next(L"000", L".bmp"), base + L"001.bmp");
  Touch(folder_.Path() / L"001.jpg");
  Touch(folder_.Path() / L"003.jpg");
  Touch(folder_.Path() / L"002.bmp");  // another extension does not count
  EXPECT_EQ(Next(L"000", L".jpg"), base + L"002.jpg");
  Touch(folder_.Path() / L"002.jpg");
  EXPECT_EQ(Next(L"000", L".jpg"), base + L"004.jpg");
  EXPECT_EQ(Next(L"000", L".bmp"), base + L"001.bmp");
  EXPECT_EQ(Next(L"'IMG'000", L".jpg"), base + L"IMG001.jpg");
}

// Captures in a row take the next names; what another program does to the folder meanwhile counts:
// a file it deletes leaves a gap that is filled, a file it adds is not written over.
TEST_F(AutoNameTest, SavesInARowTakeTheNextNamesAndChangesMadeMeanwhileCount) {
  TestBitmap bitmap(4, 3, 32);
  const std::wstring base = folder_.Path().wstring() + L"\\";
  const auto saveNext = [&] {
    const std::wstring name = Next(L"000", L".jpg");
    TImageFileWriter().Save(bitmap.Handle(), ImageFormat::Jpeg, name);
    return name;
  };
  EXPECT_EQ(saveNext(), base + L"001.jpg");
  EXPECT_EQ(saveNext(), base + L"002.jpg");
  EXPECT_EQ(saveNext(), base + L"003.jpg");
  std::filesystem::remove(folder_.Path() / L"002.jpg");
  EXPECT_EQ(saveNext(), base + L"002.jpg");
  Touch(folder_.Path() / L"004.JPG");
  EXPECT_EQ(saveNext(), base + L"005.jpg");
}

// An automatic save never replaces a file, even one that came after the folder was listed.
TEST_F(AutoNameTest, AnAutomaticSaveNeverReplacesAFile) {
  const std::filesystem::path path = folder_.Path() / L"001.jpg";
  Touch(path, "precious");
  const uint8_t bytes[] = {1, 2, 3};
  EXPECT_FALSE(WriteWholeFile(path.wstring(), bytes, sizeof bytes, false));
  const std::vector<uint8_t> kept = ReadFile(path);
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "precious");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()), {}), 1) << "a temporary file was left";
  TestBitmap bitmap(4, 3, 32);
  TAutoNameSearch search(folder_.Path().wstring(), L"000", L".jpg");
  EXPECT_EQ(TImageFileWriter().SaveAuto(bitmap.Handle(), ImageFormat::Jpeg, search),
            (folder_.Path() / L"002.jpg").wstring());
}

TEST_F(AutoNameTest, AMissingFolderGivesTheFirstNumber) {
  EXPECT_EQ(GetAutoFileName(folder_.Path().wstring() + L"\\new\\deeper", L"000", L".jpg"),
            folder_.Path().wstring() + L"\\new\\deeper\\001.jpg");
}

TEST_F(AutoNameTest, APictureWithoutNumberAppendsOneInsteadOfOverwriting) {
  const std::wstring base = folder_.Path().wstring() + L"\\";
  EXPECT_EQ(Next(L"shot", L".jpg"), base + L"shot.jpg");
  Touch(folder_.Path() / L"shot.jpg");
  EXPECT_EQ(Next(L"shot", L".jpg"), base + L"shot2.jpg");
  Touch(folder_.Path() / L"shot2.jpg");
  EXPECT_EQ(Next(L"shot", L".jpg"), base + L"shot3.jpg");
}

// The search runs beside the encoding: a file that comes while it runs is still never replaced
// (whether the listing saw it or the write found it taken), and the search's error is the save's.
TEST_F(AutoNameTest, TheSearchBesideTheEncodingKeepsALaterFileAndRaisesItsError) {
  TestBitmap bitmap(4, 3, 32);
  TAutoNameSearch search(folder_.Path().wstring(), L"000", L".jpg");
  Touch(folder_.Path() / L"001.jpg", "came meanwhile");
  EXPECT_EQ(TImageFileWriter().SaveAuto(bitmap.Handle(), ImageFormat::Jpeg, search), (folder_.Path() / L"002.jpg").wstring());
  const std::vector<uint8_t> kept = ReadFile(folder_.Path() / L"001.jpg");
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "came meanwhile");

  TAutoNameSearch tooLong(folder_.Path().wstring(), std::wstring(225, L'0'), L".jpg");
  try {
    TImageFileWriter().SaveAuto(bitmap.Handle(), ImageFormat::Jpeg, tooLong);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.Message(), L"Format string too long");
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()), {}), 2);
}

TEST_F(AutoNameTest, APictureOver224AnsiBytesIsRefused) {
  // 截 takes two bytes in code page 936: 112 of them make 224 bytes, 113 make 226.
  EXPECT_NO_THROW(Next(std::wstring(112, L'截'), L".jpg"));
  try {
    Next(std::wstring(113, L'截'), L".jpg");
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.Message(), L"Format string too long");
  }
  EXPECT_NO_THROW(Next(std::wstring(224, L'0'), L".jpg"));
  EXPECT_THROW(Next(std::wstring(225, L'0'), L".jpg"), Error);
}

}  // namespace
