#include "engine/clock.h"

#include <gtest/gtest.h>

#include "engine/date_tags.h"
#include "support/test_engine.h"

namespace zorvik {
namespace {

TEST(ClockTest, SourceDateEpochMustBeAWholeNumberTheClockCanShow) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  std::string refusal;
  EXPECT_EQ(FixedInstantFromText(nullptr, &refusal), std::nullopt);
  EXPECT_EQ(FixedInstantFromText("", &refusal), std::nullopt);
  EXPECT_TRUE(refusal.empty());
  EXPECT_EQ(FixedInstantFromText("1796634330", &refusal), 1796634330);
  EXPECT_EQ(FixedInstantFromText("-1", &refusal), -1);
  EXPECT_EQ(FixedInstantFromText("253402300799", &refusal), 253402300799);  // 9999-12-31 23:59:59
  EXPECT_TRUE(refusal.empty());
  for (const char* bad : {"253402300800", "6918000000000000", "99999999999999999999", "1.5",
                          "12abc", " 12", "+12", "-", "0x10", "-99999999999999"}) {
    refusal.clear();
    EXPECT_EQ(FixedInstantFromText(bad, &refusal), std::nullopt) << bad;
    EXPECT_NE(refusal.find("SOURCE_DATE_EPOCH"), std::string::npos) << bad;
  }
}

TEST(ClockTest, TheYearHasFourDigits) {
  class TYear68 : public testing::TFakeClock {
   public:
    std::tm Now() const override {
      std::tm t = TFakeClock::Now();
      t.tm_year = 68 - 1900;
      return t;
    }
  } clock;
  std::string text = "{$Year4}/{$Year2}";
  ReplaceDateTags(text, clock, TEncoding::kCp932);
  EXPECT_EQ(text, "0068/68");
}

}  // namespace
}  // namespace zorvik
