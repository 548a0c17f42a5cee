#include "text/blocks.h"

#include <gtest/gtest.h>

#include "support/sjis.h"

namespace zorvik {
namespace {

TEST(ExtractBlockTest, CutsTheBlockAndLeavesThePlaceholder) {
  std::string text = "x[a]y[b]z";
  EXPECT_EQ(ExtractBlock(text, "[a]", "[b]", "P", TEncoding::kCp932), "y");
  EXPECT_EQ(text, "xPz");

  text = "x[a][b]z";
  EXPECT_EQ(ExtractBlock(text, "[a]", "[b]", "", TEncoding::kCp932), "");
  EXPECT_EQ(text, "xz");

  text = "x[b]y[a]z";
  EXPECT_EQ(ExtractBlock(text, "[a]", "[b]", "P", TEncoding::kCp932), "");
  EXPECT_EQ(text, "x[b]y[a]z");

  text = "[a]\r\n\r\nline\r\n[b]";
  EXPECT_EQ(ExtractBlock(text, "[a]", "[b]", "", TEncoding::kCp932), "line");
  EXPECT_EQ(text, "");

  text = "abc";
  EXPECT_EQ(ExtractBlock(text, "", "c", "P", TEncoding::kCp932), "");
  EXPECT_EQ(text, "abc");
}

TEST(ExtractBlockTest, CountsDoubleByteCharactersAsOne) {
  using testing::Sjis;
  std::string text = Sjis("前[本文]中身[/本文]後");
  EXPECT_EQ(ExtractBlock(text, Sjis("[本文]"), Sjis("[/本文]"), "#", TEncoding::kCp932),
            Sjis("中身"));
  EXPECT_EQ(text, Sjis("前#後"));
}

TEST(CommentBlockTest, RoundTripsAndCutsOnlyWhenAsked) {
  const std::string block = WrapCommentBlock("Tags", "one\r\ntwo");
  EXPECT_EQ(block, "<!--Tags-->one\r\ntwo<!--/Tags-->");
  std::string text = "head" + block + "tail";
  EXPECT_EQ(ExtractCommentBlock(text, "Tags", false, TEncoding::kCp932), "one\r\ntwo");
  EXPECT_EQ(text, "head" + block + "tail");
  EXPECT_EQ(ExtractCommentBlock(text, "Tags", true, TEncoding::kCp932), "one\r\ntwo");
  EXPECT_EQ(text, "headtail");
  EXPECT_EQ(ExtractCommentBlock(text, "Tags", true, TEncoding::kCp932), "");
}

}  // namespace
}  // namespace zorvik
