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

TEST(Paths, AbsoluteFolderPutsRelativeFoldersInTheProgramFolder) {
  const struct {
    const wchar_t *folder, *absolute;
  } cases[] = {
      {L"shots", L"D:\\Tools\\shots"},         {L"..\\shots", L"D:\\Tools\\..\\shots"},
      {L"", L"D:\\Tools"},                      {L"\\shots", L"D:\\shots"},
      {L"C:\\Shots", L"C:\\Shots"},             {L"c:/Shots", L"c:/Shots"},
      {L"\\\\server\\share", L"\\\\server\\share"},
  };
  for (const auto& c : cases) EXPECT_EQ(AbsoluteFolder(c.folder, L"D:\\Tools\\"), c.absolute) << c.folder;
  EXPECT_EQ(AbsoluteFolder(L"\\shots", L"\\\\server\\app\\"), L"\\shots");
}

}  // namespace
