#include "text/light_strings.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/sjis.h"

namespace zorvik {
namespace {

TEST(LightStringsTest, NamesAndValues) {
  TLightStrings list("=");
  EXPECT_EQ(list.Add("Left=10"), 0);
  EXPECT_EQ(list.Add("no separator"), 1);
  EXPECT_EQ(list.Add("Top=20=x"), 2);
  EXPECT_EQ(list.IndexOfName("left"), 0);
  EXPECT_EQ(list.IndexOfName("TOP"), 2);
  EXPECT_EQ(list.IndexOfName("no separator"), -1);
  EXPECT_EQ(list.ValueOf("top"), "20=x");
  EXPECT_EQ(list.ValueOf("missing"), "");
  list.SetValue("LEFT", "1\r\n2");
  EXPECT_EQ(list.Get(0), "LEFT=12");
  list.SetValue("Width", "5");
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.GetText(), "LEFT=12\r\nno separator\r\nTop=20=x\r\nWidth=5\r\n");
}

TEST(LightStringsTest, IndexErrorsAndCapacity) {
  TLightStrings list("=");
  for (int i = 0; i < 33; ++i) list.Add("x");
  EXPECT_EQ(list.Capacity(), 64);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 32);
  try {
    list.Get(32);
    FAIL();
  } catch (const std::out_of_range& e) {
    EXPECT_EQ(testing::Utf8(e.what()), "インデックスがリストの範囲を超えています");
  }
  EXPECT_THROW(list.Put(-1, "y"), std::out_of_range);
  EXPECT_THROW(list.Delete(40), std::out_of_range);
}

TEST(LightStringsTest, SetTextSplitsOnEveryLineEnd) {
  TLightStrings list("=");
  list.SetText("a\r\nb\rc\nd\r\n");
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Get(3), "d");
  list.SetText("");
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Get(0), "");
  list.SetText(std::string("a\r\nb\0c", 6));
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(1), "b");
}

}  // namespace
}  // namespace zorvik
