// Automatic names and image files: the Windows half of number_picture and image_encoding.
#include <future>
#include <optional>
#include <span>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "common/folders.h"
#include "common/image_encoding.h"
#include "common/number_picture.h"
#include "common/png_encoding.h"
#include "common/paths.h"
#include "common/image_files.h"
#include "toolkit/error.h"
#include "toolkit/handles.h"

namespace {

// Reused from one picture to the next, so a capture allocates nothing once they have grown.
std::vector<uint8_t> pixelBuffer;
std::vector<uint8_t> encodedBuffer;  // the last JPEG or PNG file

std::wstring LocaleText(LCTYPE type, const wchar_t* fallback) {
  wchar_t text[8] = {};
  return GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, text, 8) > 1 ? text : fallback;
}

NumberSeparators SystemSeparators() {
  return {LocaleText(LOCALE_SDECIMAL, L".")[0], LocaleText(LOCALE_STHOUSAND, L",")[0]};
}

// A file or a folder: either takes the name.
bool EntryExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A file name as the file system compares it: without regard to case. ASCII by hand: a search among
// thousands of names makes thousands of these.
std::wstring FileSystemCase(std::wstring name) {
  bool ascii = true;
  for (wchar_t& c : name) {
    if (c >= L'a' && c <= L'z')
      c = static_cast<wchar_t>(c - L'a' + L'A');
    else if (c >= 0x80)
      ascii = false;
  }
  if (!ascii) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return name;
}

// The names in a folder, files and folders alike (a folder takes a name as a file does), from one
// listing; none when the folder does not exist yet.
std::unordered_set<std::wstring> FileNamesIn(const std::wstring& folder) {
  std::unordered_set<std::wstring> names;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    names.insert(FileSystemCase(entry.cFileName));
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  return names;
}

// ReplaceFile, once the file can be opened for deletion as it opens it: a replacement that fails
// midway may leave a file of its own beside the two (Wine's does). Sets the last error on failure.
bool ReplaceWith(const std::wstring& path, const std::wstring& replacement) {
  {
    UniqueFile probe(CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    if (!probe) return false;
  }
  return ReplaceFileW(path.c_str(), replacement.c_str(), nullptr,
                      REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr);
}

[[noreturn]] void CannotCreate(const std::wstring& path, DWORD code) {
  throw Error(L"Cannot create file \"" + path + L"\". " + SysErrorMessage(code));
}

// A BITMAPINFO with room for the largest colour table.
struct DibInfo {
  BITMAPINFOHEADER header;
  uint32_t colors[256];
};

DibInfo DescribeDib(int width, int height, int bitsPerPixel) {
  DibInfo info{};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = width;
  info.header.biHeight = height;  // negative: top-down rows
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bitsPerPixel);
  info.header.biCompression = bitsPerPixel == 16 ? BI_BITFIELDS : BI_RGB;
  return info;
}

// Raises rather than write a file of whatever the buffer held.
void CopyBits(HBITMAP bitmap, DibInfo& info, int height, uint8_t* pixels) {
  WindowDc screen(nullptr);
  if (GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(height), pixels, reinterpret_cast<BITMAPINFO*>(&info),
                DIB_RGB_COLORS) != height)
    throw Error(L"Cannot read the picture's pixels");
}

std::span<const uint8_t> EncodeBmpFile(HBITMAP bitmap, const BITMAP& shape) {
  int bits = shape.bmBitsPixel * shape.bmPlanes;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) bits = 24;
  const size_t headerBytes = BmpHeaderBytes(bits);
  pixelBuffer.resize(headerBytes + BmpRowBytes(shape.bmWidth, bits) * static_cast<size_t>(shape.bmHeight));
  DibInfo info = DescribeDib(shape.bmWidth, shape.bmHeight, bits);
  CopyBits(bitmap, info, shape.bmHeight, pixelBuffer.data() + headerBytes);
  const std::span<const uint32_t> table(info.colors, 256);
  WriteBmpHeaders(pixelBuffer.data(), shape.bmWidth, shape.bmHeight, bits, table.first(3), table);
  return pixelBuffer;
}

// The pixels of a 24- or 32-bit DIB section, read where they lie: no copy at all. Wine reports a
// top-down section with a positive height, so only the program's own bottom-up sections (and
// top-down ones on Windows) take this road correctly: the capture sources make bottom-up ones.
bool DibSectionView(HBITMAP bitmap, PixelView& view) {
  DIBSECTION dib{};
  if (GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib || !dib.dsBm.bmBits) return false;
  const int bits = dib.dsBmih.biBitCount;
  if ((bits != 24 && bits != 32) || dib.dsBmih.biCompression != BI_RGB) return false;
  GdiFlush();  // drawing still queued for the bitmap lands first
  view = {dib.dsBm.bmWidth, dib.dsBm.bmHeight, bits, static_cast<const uint8_t*>(dib.dsBm.bmBits),
          BmpRowBytes(dib.dsBm.bmWidth, bits), dib.dsBmih.biHeight < 0};
  return true;
}

std::span<const uint8_t> EncodeJpegFile(HBITMAP bitmap) {
  if (const int code = EncodeJpeg(BitmapPixels(bitmap), encodedBuffer))
    throw Error(L"JPEG error #" + std::to_wstring(code));
  return encodedBuffer;
}

std::span<const uint8_t> EncodePngFile(HBITMAP bitmap) {
  if (const int code = EncodePng(BitmapPixels(bitmap), encodedBuffer))
    throw Error(L"PNG error #" + std::to_wstring(code));
  return encodedBuffer;
}

// The bytes of the file for a format: 0 BMP, 1 JPEG, 2 PNG, nothing for any other.
std::optional<std::span<const uint8_t>> EncodeFile(HBITMAP bitmap, uint8_t format) {
  BITMAP shape{};
  if (!GetObjectW(bitmap, sizeof shape, &shape)) throw Error(L"Cannot read the picture's pixels");
  if (format == 0) return EncodeBmpFile(bitmap, shape);
  if (format == 1) return EncodeJpegFile(bitmap);
  if (format == 2) return EncodePngFile(bitmap);
  return std::nullopt;
}

// The folder a file goes into, made with its parents; a drive root keeps its backslash. A failure
// to make it shows up as the file's own error.
void MakeFolderOf(const std::wstring& path) {
  const std::wstring_view folder = ExcludeTrailingBackslash(ExtractFilePath(path));
  const std::wstring folderName(folder.size() == 2 && folder[1] == L':' ? ExtractFilePath(path) : folder);
  if (!folderName.empty() && !DirectoryExists(folderName)) ForceDirectories(folderName);
}

}  // namespace

PixelView BitmapPixels(HBITMAP bitmap) {
  PixelView view;
  if (DibSectionView(bitmap, view)) return view;
  BITMAP shape{};
  if (!GetObjectW(bitmap, sizeof shape, &shape)) throw Error(L"Cannot read the picture's pixels");
  const int bits = shape.bmBitsPixel * shape.bmPlanes == 32 ? 32 : 24;
  const size_t stride = BmpRowBytes(shape.bmWidth, bits);
  pixelBuffer.resize(stride * static_cast<size_t>(shape.bmHeight));
  DibInfo info = DescribeDib(shape.bmWidth, -shape.bmHeight, bits);
  info.header.biCompression = BI_RGB;
  CopyBits(bitmap, info, shape.bmHeight, pixelBuffer.data());
  return {shape.bmWidth, shape.bmHeight, bits, pixelBuffer.data(), stride, true};
}

std::span<const uint8_t> LastEncodedFile() { return encodedBuffer; }

void ReleaseImageBuffers() {
  std::vector<uint8_t>().swap(pixelBuffer);
  std::vector<uint8_t>().swap(encodedBuffer);
}

std::wstring SysErrorMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length && text ? std::wstring(text, length) : L"System error " + std::to_wstring(code);
  LocalFree(text);
  while (!message.empty() && (message.back() <= L' ' || message.back() == L'.')) message.pop_back();
  return message;
}

bool WriteWholeFile(const std::wstring& path, const uint8_t* data, size_t size, bool replace) {
  const std::wstring temporary = path + L".corvix-tmp";
  {
    UniqueFile file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) CannotCreate(path, GetLastError());
    while (size > 0) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      DWORD written = 0;
      if (!WriteFile(file.get(), data, chunk, &written, nullptr) || written != chunk) {
        const DWORD code = GetLastError();
        file.reset();
        DeleteFileW(temporary.c_str());
        CannotCreate(path, code ? code : ERROR_DISK_FULL);
      }
      data += chunk;
      size -= chunk;
    }
  }
  // A file replaced keeps its attributes and security, which ReplaceFile carries over; a folder
  // is never replaced.
  const bool replaced = replace && FileExists(path);
  if (replaced ? !ReplaceWith(path, temporary)
               : !MoveFileExW(temporary.c_str(), path.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
    const DWORD code = GetLastError();
    // A replacement that failed once the old file was gone leaves the new one only under its
    // temporary name: it is moved into place, or kept there.
    if (replaced && (code == ERROR_UNABLE_TO_MOVE_REPLACEMENT || code == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)) {
      if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
      CannotCreate(path, GetLastError());
    }
    DeleteFileW(temporary.c_str());
    if (!replace && (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS || code == ERROR_ACCESS_DENIED) &&
        EntryExists(path))
      return false;
    CannotCreate(path, code);
  }
  return true;
}

std::wstring GetAutoFileName(const std::wstring& folder, const std::wstring& pattern, const std::wstring& extension) {
  const int ansiBytes = WideCharToMultiByte(CP_ACP, 0, pattern.c_str(), static_cast<int>(pattern.size()), nullptr,
                                            0, nullptr, nullptr);
  if (static_cast<size_t>(ansiBytes) > kMaxPictureBytes) throw Error(L"Format string too long");
  const std::unordered_set<std::wstring> taken = FileNamesIn(folder);
  const std::optional<std::wstring> name =
      FirstFreeAutoName(folder, pattern, extension, SystemSeparators(), taken.size(),
                        [&](std::wstring_view title) { return taken.contains(FileSystemCase(std::wstring(title))); });
  if (!name) throw Error(L"No free file name for the pattern \"" + pattern + L"\" in \"" + folder + L"\"");
  return *name;
}

std::wstring ImageExtension(uint8_t format) {
  static constexpr const wchar_t* kExtensions[] = {L".bmp", L".jpg", L".png"};
  return format < std::size(kExtensions) ? kExtensions[format] : L"";
}

void SaveBitmapToFile(HBITMAP bitmap, uint8_t format, const std::wstring& path) {
  MakeFolderOf(path);
  const std::optional<std::span<const uint8_t>> bytes = EncodeFile(bitmap, format);
  if (bytes) WriteWholeFile(path, bytes->data(), bytes->size());
}

AutoNameSearch::AutoNameSearch(std::wstring folder, std::wstring pattern, std::wstring extension)
    : folder_(std::move(folder)), pattern_(std::move(pattern)), extension_(std::move(extension)) {
  const auto search = [this] { return Again(); };
  try {
    found_ = std::async(std::launch::async, search);
  } catch (const std::system_error&) {
    found_ = std::async(std::launch::deferred, search);  // no thread to be had: searched when asked
  }
}

std::wstring SaveBitmapToAutoFile(HBITMAP bitmap, uint8_t format, AutoNameSearch& search) {
  const std::optional<std::span<const uint8_t>> bytes = EncodeFile(bitmap, format);  // while the search runs
  std::wstring path = search.Name();
  MakeFolderOf(path);
  if (!bytes) return path;
  // A name another program took since the folder was listed is looked for again, once.
  for (int look = 1; !WriteWholeFile(path, bytes->data(), bytes->size(), false); ++look) {
    if (look == 2) CannotCreate(path, ERROR_FILE_EXISTS);
    path = search.Again();
  }
  return path;
}
