#include <gtest/gtest.h>

#include "platform/DateTime.h"

// Other tests build their expected names and log lines with these two, so they are pinned here.
TEST(DateTime, GeneralDateIsTheUsFormAndFileNameStampsFollowTheirPattern) {
  EXPECT_EQ(platform::GeneralDate({2026, 12, 5, 14, 5, 17}), "12/5/2026 2:05:17 PM");
  EXPECT_EQ(platform::GeneralDate({2026, 1, 9, 0, 0, 1}), "1/9/2026 12:00:01 AM");
  EXPECT_EQ(platform::GeneralDate({2026, 1, 9, 12, 30, 0}), "1/9/2026 12:30:00 PM");
  EXPECT_EQ(platform::GeneralDate({2026, 1, 9, 0, 0, 0}), "1/9/2026");  // midnight: date only
  platform::DateTime t{2026, 12, 4, 13, 5, 9};
  EXPECT_EQ(platform::FormatDate(t, "dd_mm_yyyy_hh_mm_ss"), "04_12_2026_13_05_09");
  EXPECT_EQ(platform::FormatDate(t, "mm_dd_yyyy_hh_mm_ss"), "12_04_2026_13_05_09");
  EXPECT_EQ(platform::FormatDate(t, "MM_DD_YYYY_hh_mm_s"), "12_04_2026_13_05_9");
}
