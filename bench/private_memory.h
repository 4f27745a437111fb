// The benchmark's own private memory, as Linux reports it (Wine gives no private figures).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// Anonymous resident memory in MB of the one process whose name begins with `name` (Linux cuts it
// at 15 characters; the Wine server opens the files, so /proc/self would be its own).
inline double PrivateMb(const char* name) {
  static std::filesystem::path status;
  const auto read = [](const std::filesystem::path& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  if (status.empty()) {
    std::error_code error;
    const std::string wanted = std::string("Name:\t") + name;
    for (const auto& entry : std::filesystem::directory_iterator(L"Z:\\proc", error))
      if (read(entry.path() / L"status").rfind(wanted, 0) == 0) status = entry.path() / L"status";
  }
  const std::string text = read(status);
  const size_t at = text.find("RssAnon:");
  return at == std::string::npos ? 0 : std::strtod(text.c_str() + at + 8, nullptr) / 1024;
}
