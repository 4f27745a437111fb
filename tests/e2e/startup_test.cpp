// The real program, started as a user would start it.
#include <gtest/gtest.h>

#include "corvix_run.h"

namespace {

TEST(Startup, RunsWithoutAVisibleWindowAndWritesNothing) {
  e2e::CorvixRun corvix;
  HWND application = corvix.ApplicationWindow();
  ASSERT_NE(application, nullptr) << "no window titled Corvix截屏助手 appeared";
  EXPECT_FALSE(IsWindowVisible(application));

  // Still there a moment later: it waits in its message loop.
  Sleep(1000);
  EXPECT_TRUE(corvix.IsRunning());

  // Starting writes no settings and makes no folders: the program folder holds the program alone.
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corvix.Folder())) {
    EXPECT_EQ(entry.path().filename(), L"Corvix.exe");
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

}  // namespace
