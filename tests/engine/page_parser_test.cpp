#include "engine/page_parser.h"

#include <gtest/gtest.h>

#include "support/test_engine.h"

namespace zorvik {
namespace {

using testing::Page;
using testing::Stamped;
using testing::TTestEngine;

class PageParserTest : public ::testing::Test {
 protected:
  // Parses page against a working text (both UTF-8, LF line ends).
  void Parse(const std::string& working, const std::string& page) {
    engine_.state.WorkingText = Page(working);
    ParsePageSource(engine_.context, Page(page));
  }
  TTestEngine engine_;
};

TEST_F(PageParserTest, BlankLinesAndCommentsDoNothing) {
  Parse("{$a}", "");
  Parse("{$a}", "\n// comment\n   \n　　\n//$a x\n");
  EXPECT_EQ(engine_.Text(), "{$a}");
  EXPECT_TRUE(engine_.log.Entries().empty());
}

TEST_F(PageParserTest, SyntaxErrorsNameTheLineAndGoOn) {
  Parse("{$a}", "x\n\t\n＠Template t\n［a］\n$a v");
  EXPECT_EQ(engine_.Log(), (std::vector<std::string>{
                               Stamped("(エラー)構文エラーです(0): x"),
                               Stamped("(エラー)構文エラーです(1): \t"),
                               Stamped("(エラー)構文エラーです(2): ＠Template t"),
                               Stamped("(エラー)構文エラーです(3): ［a］"),
                           }));
  EXPECT_EQ(engine_.state.ErrorCount, 4);
  EXPECT_EQ(engine_.Text(), "v");
}

TEST_F(PageParserTest, ConversionLinesSplitAtTheFirstHalfWidthSpace) {
  Parse("[{$a}][{$b}][{$c}][{$d}][{$}][{$e　f}]",
        "$a\n$b value here\n$c  two\n  $d trimmed line  \n$ empty name\n$e　f x");
  EXPECT_EQ(engine_.Text(), "[][value here][ two][trimmed line][empty name][x]");
  // A full-width space does not separate: the name runs to the first half-width space.
  Parse("[{$e　f}]", "$e　f");
  EXPECT_EQ(engine_.Text(), "[]");
}

TEST_F(PageParserTest, TagsMatchWithoutCaseAndTheFirstValueWins) {
  Parse("{$TITLE} {$Title} {$title}", "$title first\n$Title second");
  EXPECT_EQ(engine_.Text(), "first first first");
  // A value may hold tags that later lines fill.
  Parse("{$a}", "$a <{$b}>\n$b inner");
  EXPECT_EQ(engine_.Text(), "<inner>");
}

TEST_F(PageParserTest, BlocksCollectTheirLinesAsTheyAre) {
  Parse("[{$Body}]",
        "[Body] ignored\n\n  keep spaces  \n// not a comment\n@Template x\n$Body y\n\n[/Body] also "
        "ignored\n$Body z");
  EXPECT_EQ(engine_.Text(), "[  keep spaces  \n// not a comment\n@Template x\n$Body y]");
  EXPECT_TRUE(engine_.log.Entries().empty());
  Parse("{$one}", "[ one ]\nsingle\n[/one]");
  EXPECT_EQ(engine_.Text(), "single");
  Parse("{$e}", "[e]\n\n\n[/e]");
  EXPECT_EQ(engine_.Text(), "");
}

TEST_F(PageParserTest, UnclosedBlockEndsTheParse) {
  // Other letter case or an indented end line does not close the block.
  Parse("{$a}{$b}", "$b set\n[body]\ntext\n[/BODY]\n  [/body]\n$a never");
  EXPECT_EQ(engine_.Log(), (std::vector<std::string>{Stamped(
                               "(エラー)複数行ブロックの終了マークがありません(1): body")}));
  EXPECT_EQ(engine_.Text(), "{$a}set");
}

TEST_F(PageParserTest, LineNumbersCountOnThroughBlocks) {
  Parse("", "[b]\nx\n\n[/b]\nbad");
  EXPECT_EQ(engine_.Log(), (std::vector<std::string>{Stamped("(エラー)構文エラーです(4): bad")}));
}

TEST_F(PageParserTest, ImportedTextsAreNumberedOnTheirOwn) {
  engine_.files.Add("/s/common.dat", "\n\noops\n$a from import\n");
  Parse("{$a}{$b}", "@Import /s/common.dat\n$b page");
  ParseImportList(engine_.context, &GenerationState::Imports);
  EXPECT_EQ(engine_.Log(), (std::vector<std::string>{Stamped("(エラー)構文エラーです(2): oops")}));
  EXPECT_EQ(engine_.Text(), "from importpage");
}

TEST_F(PageParserTest, APageThatImportsItselfIsReadOnce) {
  engine_.files.Add("/s/self.dat", "@Import /s/self.dat\n$a x\n");
  Parse("{$a}", "@Import /s/self.dat");
  ParseImportList(engine_.context, &GenerationState::Imports);
  EXPECT_EQ(engine_.state.Imports.size(), 1u);
  EXPECT_EQ(engine_.Text(), "x");
}

TEST_F(PageParserTest, ValuesThatWouldGrowTheTextWithoutBoundAreRefused) {
  // Each line doubles the text; without a bound forty lines would need a terabyte.
  std::string page;
  for (int i = 0; i < 40; ++i) {
    page += "$t" + std::to_string(i) + " {$t" + std::to_string(i + 1) + "}{$t" +
            std::to_string(i + 1) + "}\n";
  }
  engine_.state.WorkingText = "{$t0}";
  ParsePageSource(engine_.context, Page(page));
  EXPECT_LE(engine_.state.WorkingText.size(), kMaxWorkingTextBytes);
  ASSERT_GT(engine_.state.ErrorCount, 0);
  EXPECT_EQ(engine_.Log()[0].substr(24), "(エラー)変換結果が大きすぎます(25):t25");
}

TEST_F(PageParserTest, LinesOfMegabytes) {
  const std::string value(8u << 20, 'v');
  engine_.state.WorkingText = "[{$a}][{$b}]";
  ParsePageSource(engine_.context, "$a " + value + "\r\n[b]\r\n" + value + "\r\n[/b]");
  EXPECT_EQ(engine_.state.WorkingText, "[" + value + "][" + value + "]");
}

TEST_F(PageParserTest, LeadByteAtTheEndAndNulBytes) {
  engine_.state.WorkingText = "{$a}";
  ParsePageSource(engine_.context, "$a x\x81");
  EXPECT_EQ(engine_.state.WorkingText, "x\x81");
  engine_.state.WorkingText = "{$a}";
  ParsePageSource(engine_.context, std::string("$a x\0y", 6));
  EXPECT_EQ(engine_.state.WorkingText, std::string("x\0y", 3));
}

}  // namespace
}  // namespace zorvik
