// The Yes/No question, against Wine's real user32.
#include "common/yes_no_question.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "common/app_title.h"
#include "support/windows.h"

namespace {

class AskYesNoTest : public testing::TestWithParam<int> {};

TEST_P(AskYesNoTest, ShowsTheQuestionWithYesAndNoAndReturnsTheAnswer) {
  const int button = GetParam();
  testsupport::MessageBoxView seen;
  std::thread helper([&] {
    seen = testsupport::WaitForMessageBox(GetCurrentProcessId());
    if (seen.Handle) testsupport::Answer(seen, button);
  });
  const bool answer = AskYesNo(nullptr, L"要退出Corvix截屏助手吗？");
  helper.join();

  ASSERT_NE(seen.Handle, nullptr) << "no message box appeared";
  EXPECT_EQ(seen.Caption, kAppTitle);
  EXPECT_EQ(seen.Text, L"要退出Corvix截屏助手吗？");
  EXPECT_TRUE(seen.Yes);
  EXPECT_TRUE(seen.No);
  EXPECT_FALSE(seen.Cancel);
  EXPECT_FALSE(seen.Ok);
  EXPECT_TRUE(seen.Icon) << "the question icon is missing";
  EXPECT_EQ(answer, button == IDYES);
}

INSTANTIATE_TEST_SUITE_P(Answers, AskYesNoTest, testing::Values(IDYES, IDNO),
                         [](const testing::TestParamInfo<int>& param) {
                           return param.param == IDYES ? std::string("Yes") : std::string("No");
                         });

}  // namespace
