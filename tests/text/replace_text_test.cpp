#include "text/replace_text.h"

#include <gtest/gtest.h>

#include "support/sjis.h"

namespace zorvik {
namespace {

using testing::Sjis;

TEST(ReplaceEveryTest, LeftToRightWithoutCaseAndWithoutRescanning) {
  std::string text = "{$Title} and {$TITLE} and {$title}";
  EXPECT_EQ(ReplaceEvery(text, "{$title}", "T", std::string::npos, TEncoding::kCp932), 3);
  EXPECT_EQ(text, "T and T and T");
  text = "aaaa";
  EXPECT_EQ(ReplaceEvery(text, "aa", "a", std::string::npos, TEncoding::kCp932),
            2);  // replaced text is not searched again
  EXPECT_EQ(text, "aa");
  text = "{$x}";
  EXPECT_EQ(ReplaceEvery(text, "{$x}", "{$x}{$x}", std::string::npos, TEncoding::kCp932), 1);
  EXPECT_EQ(text, "{$x}{$x}");
  text = "abc";
  EXPECT_EQ(ReplaceEvery(text, "", "x", std::string::npos, TEncoding::kCp932), 0);
  EXPECT_EQ(ReplaceEvery(text, "abcd", "x", std::string::npos, TEncoding::kCp932), 0);
  EXPECT_EQ(text, "abc");
}

TEST(ReplaceEveryTest, DoubleByteCharactersCompareExactly) {
  // ア is 0x83 0x41: its second byte must neither fold nor start a match.
  std::string text = Sjis("ア") + "a" + Sjis("ア");
  EXPECT_EQ(ReplaceEvery(text, "A", "x", std::string::npos, TEncoding::kCp932), 1);
  EXPECT_EQ(text, Sjis("アxア"));
  EXPECT_EQ(ReplaceEvery(text, "a", "x", std::string::npos, TEncoding::kCp932), 0);
  text =
      "\x83"
      "a";  // not ア: the trail byte differs in case only
  EXPECT_EQ(ReplaceEvery(text, Sjis("ア"), "x", std::string::npos, TEncoding::kCp932), 0);
  text = Sjis("{$表題}{$表題}");
  EXPECT_EQ(ReplaceEvery(text, Sjis("{$表題}"), "v", std::string::npos, TEncoding::kCp932), 2);
  EXPECT_EQ(text, "vv");
}

TEST(ReplaceEveryTest, OneScanOfLargeTexts) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "<li>{$Item" + std::to_string(i % 100) + "}</li>\r\n";
  EXPECT_EQ(ReplaceEvery(text, "{$ITEM7}", "seven", std::string::npos, TEncoding::kCp932), 200);
  EXPECT_EQ(FindIgnoringCase(text, "{$item7}", 0, TEncoding::kCp932), std::string::npos);
  EXPECT_EQ(FindIgnoringCase(text, "SEVEN", 0, TEncoding::kCp932), text.find("seven"));
}

TEST(ReplaceFirstTest, ExactFirstOccurrenceOnly) {
  std::string text = "<p><P><p>";
  EXPECT_TRUE(ReplaceFirst(text, "<p>", "", TEncoding::kCp932));
  EXPECT_EQ(text, "<P><p>");
  EXPECT_FALSE(ReplaceFirst(text, "<b>", "", TEncoding::kCp932));
  EXPECT_EQ(AsciiLowerCase("TaG" + Sjis("ア")), "tag" + Sjis("ア"));
}

}  // namespace
}  // namespace zorvik
