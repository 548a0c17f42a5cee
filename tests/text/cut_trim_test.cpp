#include "text/cut_trim.h"

#include <gtest/gtest.h>

#include "support/sjis.h"

namespace zorvik {
namespace {

using testing::Sjis;

TEST(CutTokenTest, CutsAtTheFirstSeparatorByte) {
  std::string text = "a b";
  EXPECT_EQ(CutToken(text, " ", TEncoding::kCp932), "a");
  EXPECT_EQ(text, "b");
  text = " b";
  EXPECT_EQ(CutToken(text, " ", TEncoding::kCp932), "");
  EXPECT_EQ(text, "b");
  text = "ab";
  EXPECT_EQ(CutToken(text, " ", TEncoding::kCp932), "ab");
  EXPECT_EQ(text, "");
  text = "a,b;c";
  EXPECT_EQ(CutToken(text, ";,", TEncoding::kCp932),
            "a");  // any one of the bytes, not the sequence
  EXPECT_EQ(text, "b;c");
  text = "abc";
  EXPECT_EQ(CutToken(text, "", TEncoding::kCp932), "abc");
  EXPECT_EQ(text, "");
  text = "";
  EXPECT_EQ(CutToken(text, " ", TEncoding::kCp932), "");
}

TEST(CutTokenTest, NeverCutsAtATrailByte) {
  std::string text = Sjis("表\\x");  // 表 = 0x95 0x5C
  EXPECT_EQ(CutToken(text, "\\", TEncoding::kCp932), Sjis("表"));
  EXPECT_EQ(text, "x");
  text = Sjis("ア@b");  // ア = 0x83 0x41; '@' is 0x40, also a trail value
  EXPECT_EQ(CutToken(text, "A@", TEncoding::kCp932), Sjis("ア"));
  EXPECT_EQ(text, "b");
}

TEST(CutTokenTest, StaysLinearOnLongRunsOfLeadByteValues) {
  // 0x81 0x81 ... pairs: a backwards trail-byte test per byte would be quadratic here.
  std::string text(4u << 20, '\x81');
  text += ' ';
  text += "rest";
  const std::string head = CutToken(text, " ", TEncoding::kCp932);
  EXPECT_EQ(head.size(), 4u << 20);
  EXPECT_EQ(text, "rest");
}

TEST(CutLineTest, TakesTheFirstLine) {
  std::string text = "one\r\ntwo\r\n";
  EXPECT_EQ(CutLine(text, TEncoding::kCp932), "one");
  EXPECT_EQ(text, "two\r\n");
  text = "a\nb\rc";  // LF alone does not end the line
  EXPECT_EQ(CutLine(text, TEncoding::kCp932), "a\nb");
  EXPECT_EQ(text, "c");
  text = "x\ry\r\nz";  // a lone CR ends the line without taking the next one along
  EXPECT_EQ(CutLine(text, TEncoding::kCp932), "x");
  EXPECT_EQ(CutLine(text, TEncoding::kCp932), "y");
  EXPECT_EQ(text, "z");
}

TEST(TrimSpacesTest, StripsAsciiAndFullWidthSpacesButNotTabs) {
  EXPECT_EQ(TrimSpaces(Sjis("　a "), TEncoding::kCp932), "a");
  EXPECT_EQ(TrimSpaces("\ta\t", TEncoding::kCp932), "\ta\t");
  EXPECT_EQ(TrimSpaces("", TEncoding::kCp932), "");
  EXPECT_EQ(TrimSpaces(Sjis(" 　 "), TEncoding::kCp932), "");
  std::string text = Sjis("a　 　");
  TrimTrailingSpaces(text, TEncoding::kCp932);
  EXPECT_EQ(text, "a");
  // 0x81 0x81 0x40: the 0x81 0x40 at the end is not a full-width space.
  text = "\x81\x81\x40";
  TrimTrailingSpaces(text, TEncoding::kCp932);
  EXPECT_EQ(text, "\x81\x81\x40");
  text = "\x81 ";  // a lead byte and a space: one double-byte character
  TrimTrailingSpaces(text, TEncoding::kCp932);
  EXPECT_EQ(text, "\x81 ");
}

TEST(TrimBlankLinesTest, RemovesCrLfPairsOnly) {
  EXPECT_EQ(TrimBlankLines("\r\n \r\nA\r\n\r\n", TEncoding::kCp932), " \r\nA");
  EXPECT_EQ(TrimBlankLines("\r\n\r\n", TEncoding::kCp932), "");
  EXPECT_EQ(TrimBlankLines("a\n", TEncoding::kCp932), "a\n");
  EXPECT_EQ(TrimBlankLines("\r\n", TEncoding::kCp932), "");
  EXPECT_EQ(TrimTrailingBlankLines("a\r", TEncoding::kCp932), "a\r");
  EXPECT_EQ(TrimLeadingBlankLines("\n\r\na"), "\n\r\na");
  // The CR here is the second byte of the character 0x81 0x0D.
  EXPECT_EQ(TrimTrailingBlankLines("\x81\r\n", TEncoding::kCp932), "\x81\r\n");
}

}  // namespace
}  // namespace zorvik
