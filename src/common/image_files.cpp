#include "common/image_files.h"

#include <system_error>
#include <unordered_set>

#include "common/bitmap_pixels.h"
#include "common/folders.h"
#include "common/image_encoding.h"
#include "common/number_picture.h"
#include "common/paths.h"
#include "common/png_encoding.h"
#include "common/whole_file.h"
#include "toolkit/error.h"

namespace {

std::wstring LocaleText(LCTYPE type, const wchar_t* fallback) {
  wchar_t text[8] = {};
  return GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, text, 8) > 1 ? text : fallback;
}

NumberSeparators SystemSeparators() {
  return {LocaleText(LOCALE_SDECIMAL, L".")[0], LocaleText(LOCALE_STHOUSAND, L",")[0]};
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

// The folder a file goes into, made with its parents; a drive root keeps its backslash. A failure
// to make it shows up as the file's own error.
void MakeFolderOf(const std::wstring& path) {
  const std::wstring_view folder = ExcludeTrailingBackslash(ExtractFilePath(path));
  const std::wstring folderName(folder.size() == 2 && folder[1] == L':' ? ExtractFilePath(path) : folder);
  if (!folderName.empty() && !DirectoryExists(folderName)) ForceDirectories(folderName);
}

}  // namespace

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

TAutoNameSearch::TAutoNameSearch(std::wstring folder, std::wstring pattern, std::wstring extension)
    : folder_(std::move(folder)), pattern_(std::move(pattern)), extension_(std::move(extension)) {
  const auto search = [this] { return Again(); };
  try {
    found_ = std::async(std::launch::async, search);
  } catch (const std::system_error&) {
    found_ = std::async(std::launch::deferred, search);  // no thread to be had: searched when asked
  }
}

bool TImageFileWriter::Encode(HBITMAP bitmap, ImageFormat format) {
  switch (format) {
    case ImageFormat::Bmp:
      BitmapBmpFile(bitmap, file_);
      return true;
    case ImageFormat::Jpeg:
      if (const int code = EncodeJpeg(BitmapPixels(bitmap, pixels_), file_))
        throw Error(L"JPEG error #" + std::to_wstring(code));
      return true;
    case ImageFormat::Png:
      if (const int code = EncodePng(BitmapPixels(bitmap, pixels_), file_))
        throw Error(L"PNG error #" + std::to_wstring(code));
      return true;
  }
  // Outside the table: the bitmap is still checked, as every format reads it.
  BITMAP shape{};
  if (!GetObjectW(bitmap, sizeof shape, &shape)) throw Error(L"Cannot read the picture's pixels");
  return false;
}

bool TImageFileWriter::Save(HBITMAP bitmap, ImageFormat format, const std::wstring& path, bool replace) {
  MakeFolderOf(path);
  return !Encode(bitmap, format) || WriteWholeFile(path, file_.data(), file_.size(), replace);
}

std::wstring TImageFileWriter::SaveAuto(HBITMAP bitmap, ImageFormat format, TAutoNameSearch& search) {
  const bool encoded = Encode(bitmap, format);  // while the search runs
  std::wstring path = search.Name();
  MakeFolderOf(path);
  if (!encoded) return path;
  // A name another program took since the folder was listed is looked for again, once.
  for (int look = 1; !WriteWholeFile(path, file_.data(), file_.size(), false); ++look) {
    if (look == 2) throw CannotCreateFile(path, ERROR_FILE_EXISTS);
    path = search.Again();
  }
  return path;
}

void TImageFileWriter::Release() {
  std::vector<uint8_t>().swap(pixels_);
  std::vector<uint8_t>().swap(file_);
}
