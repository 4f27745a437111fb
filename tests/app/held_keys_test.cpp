#include "app/held_keys.h"

#include <gtest/gtest.h>

namespace {

constexpr HotKeyRec kCtrlF1{2, 0x70}, kCtrlF3{2, 0x72};
constexpr uint32_t kLate = kLongestRepeatGapMs + 1;

TEST(THeldKeys, RepeatsTakeNothingUntilTheKeyIsUpOrNoRepeatCouldComeSoLate) {
  THeldKeys held;
  EXPECT_TRUE(held.Press(kCtrlF1, 1000));
  held.Hold(kCtrlF1, 5000);  // a long capture: the repeats queued meanwhile are handled after it
  EXPECT_FALSE(held.Press(kCtrlF1, 1700));
  EXPECT_FALSE(held.Press(kCtrlF1, 5600));
  EXPECT_TRUE(held.Press(kCtrlF1, 5600 + kLate)) << "a release nobody saw left the key dead";
  held.Hold(kCtrlF1, 9000);
  held.Released(0x70);
  EXPECT_TRUE(held.Press(kCtrlF1, 9010));
  held.Hold(kCtrlF1, 0xFFFFFF80u);  // message times wrap
  held.Hold(kCtrlF3, 0xFFFFFF90u);  // two held, each latched, each let go by its own key
  EXPECT_FALSE(held.Press(kCtrlF1, 0x100u));
  held.Released(0x72);
  EXPECT_TRUE(held.Press(kCtrlF3, 0x100u));
  EXPECT_TRUE(held.Press(kCtrlF1, 0x100u + kLate));
}

}  // namespace
