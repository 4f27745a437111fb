#include "common/paths.h"

#include <gtest/gtest.h>

namespace {

TEST(Paths, ExcludeTrailingBackslashRemovesOne) {
  EXPECT_EQ(ExcludeTrailingBackslash(L"C:\\Save\\"), L"C:\\Save");
  EXPECT_EQ(ExcludeTrailingBackslash(L"C:\\Save"), L"C:\\Save");
  EXPECT_EQ(ExcludeTrailingBackslash(L"C:\\"), L"C:");
  EXPECT_EQ(ExcludeTrailingBackslash(L""), L"");
}

TEST(Paths, ExtractFilePathKeepsTheSeparator) {
  EXPECT_EQ(ExtractFilePath(L"D:\\Tools\\Corvix.exe"), L"D:\\Tools\\");
  EXPECT_EQ(ExtractFilePath(L"D:\\Corvix.exe"), L"D:\\");
  EXPECT_EQ(ExtractFilePath(L"D:Corvix.exe"), L"D:");
  EXPECT_EQ(ExtractFilePath(L"Corvix.exe"), L"");
  EXPECT_EQ(ExtractFilePath(L"\\\\server\\share\\a"), L"\\\\server\\share\\");
}

}  // namespace
