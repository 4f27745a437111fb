// Automatic names and image files: the Windows half of number_picture and image_encoding.
#include <optional>
#include <unordered_set>
#include <vector>

#include "common/folders.h"
#include "common/image_encoding.h"
#include "common/number_picture.h"
#include "common/paths.h"
#include "common/uCommand.h"
#include "toolkit/error.h"
#include "toolkit/handles.h"

namespace {

// Reused from one picture to the next, so a capture allocates nothing once they have grown.
std::vector<uint8_t> pixelBuffer;
std::vector<uint8_t> jpegBuffer;

std::wstring LocaleText(LCTYPE type, const wchar_t* fallback) {
  wchar_t text[8] = {};
  return GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, text, 8) > 1 ? text : fallback;
}

NumberSeparators SystemSeparators() {
  return {LocaleText(LOCALE_SDECIMAL, L".")[0], LocaleText(LOCALE_STHOUSAND, L",")[0]};
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A file name as the file system compares it: without regard to case.
std::wstring FileSystemCase(std::wstring name) {
  if (!name.empty()) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return name;
}

// The names of the files in a folder (folders do not count), from one listing; none when the folder
// does not exist yet.
std::unordered_set<std::wstring> FileNamesIn(const std::wstring& folder) {
  std::unordered_set<std::wstring> names;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(FileSystemCase(entry.cFileName));
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  return names;
}

// When a folder's entries last changed; nothing for a folder that does not exist.
std::optional<uint64_t> FolderStamp(const std::wstring& folder) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(folder.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

// The file names of the folder automatic names were last found in. Listing a folder of thousands of
// files takes longer than a capture, so the list is kept as long as the folder's last-write time
// says that nothing changed it but the files written here, which the list takes in as they are
// written. A list the clock cannot vouch for is never trusted with a file: a name it offers that
// exists after all makes the folder listed again.
struct KnownNames {
  std::wstring folder;  // as the file system compares it
  std::optional<uint64_t> stamp;
  std::unordered_set<std::wstring> names;
  std::wstring pattern, extension;  // of the last search, which found
  uint64_t number = 1;              // this number free, and every one below it taken

  bool Current(const std::wstring& key, const std::optional<uint64_t>& now) const {
    return stamp && now && key == folder && *now == *stamp;
  }
  void List(const std::wstring& path, const std::wstring& key) {
    stamp = FolderStamp(path);
    names = FileNamesIn(path);
    folder = key;
    number = 1;
  }
} known;

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

void WriteBmp(HBITMAP bitmap, const BITMAP& shape, const std::wstring& path) {
  int bits = shape.bmBitsPixel * shape.bmPlanes;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) bits = 24;
  const size_t headerBytes = BmpHeaderBytes(bits);
  pixelBuffer.resize(headerBytes + BmpRowBytes(shape.bmWidth, bits) * static_cast<size_t>(shape.bmHeight));
  DibInfo info = DescribeDib(shape.bmWidth, shape.bmHeight, bits);
  CopyBits(bitmap, info, shape.bmHeight, pixelBuffer.data() + headerBytes);
  const std::span<const uint32_t> table(info.colors, 256);
  WriteBmpHeaders(pixelBuffer.data(), shape.bmWidth, shape.bmHeight, bits, table.first(3), table);
  WriteWholeFile(path, pixelBuffer.data(), pixelBuffer.size());
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

void WriteJpeg(HBITMAP bitmap, const BITMAP& shape, const std::wstring& path) {
  PixelView view;
  if (!DibSectionView(bitmap, view)) {
    // One GetDIBits: 32-bit pixels as they are, any other depth as a 24-bit copy, rows from the top.
    const int bits = shape.bmBitsPixel * shape.bmPlanes == 32 ? 32 : 24;
    const size_t stride = BmpRowBytes(shape.bmWidth, bits);
    pixelBuffer.resize(stride * static_cast<size_t>(shape.bmHeight));
    DibInfo info = DescribeDib(shape.bmWidth, -shape.bmHeight, bits);
    info.header.biCompression = BI_RGB;
    CopyBits(bitmap, info, shape.bmHeight, pixelBuffer.data());
    view = {shape.bmWidth, shape.bmHeight, bits, pixelBuffer.data(), stride, true};
  }
  if (const int code = EncodeJpeg(view, jpegBuffer)) throw Error(L"JPEG error #" + std::to_wstring(code));
  WriteWholeFile(path, jpegBuffer.data(), jpegBuffer.size());
}

}  // namespace

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

void WriteWholeFile(const std::wstring& path, const uint8_t* data, size_t size) {
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
  if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD code = GetLastError();
    DeleteFileW(temporary.c_str());
    CannotCreate(path, code);
  }
}

std::wstring GetAutoFileName(const std::wstring& folder, const std::wstring& pattern, const std::wstring& extension) {
  const int ansiBytes = WideCharToMultiByte(CP_ACP, 0, pattern.c_str(), static_cast<int>(pattern.size()), nullptr,
                                            0, nullptr, nullptr);
  if (static_cast<size_t>(ansiBytes) > kMaxPictureBytes) throw Error(L"Format string too long");
  const std::wstring key = FileSystemCase(folder);
  bool listed = !known.Current(key, FolderStamp(folder));
  if (listed) known.List(folder, key);
  for (;;) {
    const uint64_t from = pattern == known.pattern && extension == known.extension ? known.number : 1;
    uint64_t found = 0;
    const std::optional<std::wstring> name = FirstFreeAutoName(
        folder, pattern, extension, SystemSeparators(), known.names.size(),
        [](std::wstring_view title) { return known.names.contains(FileSystemCase(std::wstring(title))); }, from,
        &found);
    if (!name) throw Error(L"No free file name for the pattern \"" + pattern + L"\" in \"" + folder + L"\"");
    if (!listed && FileExists(*name)) {  // changed within the clock's resolution: look again
      known.List(folder, key);
      listed = true;
      continue;
    }
    known.pattern = pattern;
    known.extension = extension;
    known.number = found ? found : 1;
    return *name;
  }
}

void SaveBitmapToFile(HBITMAP bitmap, uint8_t format, const std::wstring& path) {
  const std::wstring_view folder = ExcludeTrailingBackslash(ExtractFilePath(path));
  // A drive root keeps its backslash; a failure to create shows up as the file's own error.
  const std::wstring folderName(folder.size() == 2 && folder[1] == L':' ? ExtractFilePath(path) : folder);
  if (!folderName.empty() && !DirectoryExists(folderName)) ForceDirectories(folderName);

  BITMAP shape{};
  if (!GetObjectW(bitmap, sizeof shape, &shape)) throw Error(L"Cannot read the picture's pixels");
  if (format == 0)
    WriteBmp(bitmap, shape, path);
  else if (format == 1)
    WriteJpeg(bitmap, shape, path);
  else
    return;
  // The kept list of the folder takes in the new file, and the folder's new time with it.
  if (FileSystemCase(folderName) == known.folder && known.stamp) {
    known.names.insert(FileSystemCase(std::wstring(path.substr(path.find_last_of(L"\\:") + 1))));
    known.stamp = FolderStamp(folderName);
  }
}
