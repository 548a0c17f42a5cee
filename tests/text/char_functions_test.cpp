#include "text/char_functions.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/sjis.h"

namespace zorvik {
namespace {

using testing::Sjis;

TEST(CharPosTest, CountsCharactersAndNeverStartsOnATrailByte) {
  EXPECT_EQ(CharPos("B", Sjis("あB"), TEncoding::kCp932), 2);
  EXPECT_EQ(CharPos("A", Sjis("ア"), TEncoding::kCp932), 0);  // ア is 0x83 0x41
  EXPECT_EQ(CharPos(Sjis("い"), Sjis("あいう"), TEncoding::kCp932), 2);
  EXPECT_EQ(CharPos("\\", Sjis("表\\"), TEncoding::kCp932), 2);  // 表 ends in 0x5C
  EXPECT_EQ(CharPos("", "abc", TEncoding::kCp932), 0);
  EXPECT_EQ(CharPos("a", "", TEncoding::kCp932), 0);
  EXPECT_EQ(CharPos("abcd", "abc", TEncoding::kCp932), 0);
  EXPECT_EQ(CharPos("c", "abc", TEncoding::kCp932), 3);
}

TEST(CharPosTest, FindAtCharStartSkipsMatchesInsideCharacters) {
  const std::string text = Sjis("ャア");  // 0x83 0x83 0x83 0x41
  EXPECT_EQ(FindAtCharStart(text, Sjis("ア"), TEncoding::kCp932), 2u);
  EXPECT_EQ(FindAtCharStart(Sjis("ャA"), Sjis("ア"), TEncoding::kCp932), std::string::npos);
  EXPECT_EQ(FindAtCharStart("abc", "", TEncoding::kCp932), std::string::npos);
}

TEST(CharCopyTest, CopiesWholeCharacters) {
  EXPECT_EQ(CharLength(Sjis("あいう"), TEncoding::kCp932), 3);
  EXPECT_EQ(CharLength("", TEncoding::kCp932), 0);
  EXPECT_EQ(CharLength("a\x81", TEncoding::kCp932), 2);  // a lead byte at the end is one character
  EXPECT_EQ(CharCopy(Sjis("あいう"), 2, 1, TEncoding::kCp932), Sjis("い"));
  EXPECT_EQ(CharCopy(Sjis("あいう"), 2, 9, TEncoding::kCp932), Sjis("いう"));
  EXPECT_EQ(CharCopy("abc", 1, 0, TEncoding::kCp932), "");
  EXPECT_EQ(CharCopy("abc", 4, 1, TEncoding::kCp932), "");
  EXPECT_EQ(CharCopy("abc", 0, 2, TEncoding::kCp932), "a");  // up to counter index + count - 1
  EXPECT_EQ(CharCopy("abc", -3, 3, TEncoding::kCp932), "");
}

TEST(CharInsertDeleteTest, EditByCharacterPosition) {
  std::string text = "ab";
  CharInsert("x", text, 3, TEncoding::kCp932);
  EXPECT_EQ(text, "abx");
  text = Sjis("あい");
  CharInsert("x", text, 2, TEncoding::kCp932);
  EXPECT_EQ(text, Sjis("あxい"));
  CharInsert("y", text, -5, TEncoding::kCp932);
  EXPECT_EQ(text, Sjis("yあxい"));
  CharInsert("z", text, 99, TEncoding::kCp932);
  EXPECT_EQ(text, Sjis("yあxいz"));

  text = Sjis("あいう");
  CharDelete(text, 2, 5, TEncoding::kCp932);
  EXPECT_EQ(text, Sjis("あ"));
  text = Sjis("あいう");
  CharDelete(text, 0, 1, TEncoding::kCp932);
  EXPECT_EQ(text, Sjis("いう"));
  CharDelete(text, 5, 1, TEncoding::kCp932);
  CharDelete(text, 1, 0, TEncoding::kCp932);
  EXPECT_EQ(text, Sjis("いう"));
}

TEST(IsTrailByteTest, FollowsTheCharacterStructureFromTheStart) {
  const std::string text =
      "\x81\x81\x40"
      "a\x82\xA0";  // (81 81) 40 a (82 A0)
  EXPECT_FALSE(IsTrailByte(text, 1));
  EXPECT_TRUE(IsTrailByte(text, 2));
  EXPECT_FALSE(IsTrailByte(text, 3));
  EXPECT_FALSE(IsTrailByte(text, 5));
  EXPECT_TRUE(IsTrailByte(text, 6));
  EXPECT_THROW(IsTrailByte(text, 0), std::out_of_range);
  EXPECT_THROW(IsTrailByte(text, 7), std::out_of_range);
  try {
    IsTrailByte("", 1);
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Illegal Index");
  }
}

TEST(SameTextTest, IgnoresAsciiCaseOnly) {
  EXPECT_TRUE(SameTextIgnoringCase("Template", "tEMPLATE"));
  EXPECT_FALSE(SameTextIgnoringCase("abc", "abd"));
  EXPECT_FALSE(SameTextIgnoringCase("abc", "ab"));
  // The trail byte 0x41 of ア must not compare equal to 0x61.
  EXPECT_FALSE(SameTextIgnoringCase(Sjis("ア"),
                                    "\x83"
                                    "a"));
  EXPECT_TRUE(SameTextIgnoringCase(Sjis("ア") + "X", Sjis("ア") + "x"));
}

}  // namespace
}  // namespace zorvik
