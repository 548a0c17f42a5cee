#include "engine/loop_expansion.h"

#include <gtest/gtest.h>

#include "engine/page_parser.h"
#include "support/test_engine.h"

namespace zorvik {
namespace {

using testing::Page;
using testing::Stamped;
using testing::TTestEngine;

class LoopExpansionTest : public ::testing::Test {
 protected:
  void Run(const std::string& working, const std::string& page) {
    engine_.state.WorkingText = Page(working);
    ParsePageSource(engine_.context, Page(page));
  }
  TTestEngine engine_;
};

TEST_F(LoopExpansionTest, CopiesTheBodyWithNumbers) {
  Run("<ol>\n{#items}\n<li>{$Item{$Count}} {$count:items}</li>\n{/#items}\n</ol>",
      "@LoopTag items 3\n$Item1 one\n$Item2 two\n$ITEM3 three");
  EXPECT_EQ(engine_.Text(), "<ol>\n<li>one 1</li>\n<li>two 2</li>\n<li>three 3</li>\n</ol>");
  EXPECT_TRUE(engine_.log.Entries().empty());
}

TEST_F(LoopExpansionTest, SecondTagFormAndCounts) {
  Run("[{#n{$Count:n}}x{/#n{$Count:n}}]", "@LoopTag n $3");
  EXPECT_EQ(engine_.Text(), "[x\nx\nx]");
  Run("[{#n}x{/#n}]", "@LoopTag n   0x2  ");
  EXPECT_EQ(engine_.Text(), "[x\nx]");
  // Two spaces after the command: the name is empty and the rest is the count.
  Run("[{#n}x{/#n}]", "@LoopTag  n 2");
  EXPECT_EQ(engine_.Log().back(),
            Stamped("(エラー)ループカウンタを数値に変換できませんでした(0):n 2"));
  Run("[{#n}x{/#n}]", "@LoopTag n 0");
  EXPECT_EQ(engine_.Text(), "[]");
  Run("[{#n}x{/#n}]", "@LoopTag n -5");
  EXPECT_EQ(engine_.Text(), "[]");
}

TEST_F(LoopExpansionTest, NestedLoopsInEitherOrder) {
  const std::string tmpl = "{#o}<{#i}{$Count:o}.{$Count:i}{/#i}>{/#o}";
  Run(tmpl, "@LoopTag i 2\n@LoopTag o 2");
  EXPECT_EQ(engine_.Text(), "<1.1\n1.2>\n<2.1\n2.2>");
  // Outer first: each copy holds its own inner block, which needs a command of its own.
  Run(tmpl, "@LoopTag o 2\n@LoopTag i 1\n@LoopTag i 1");
  EXPECT_EQ(engine_.Text(), "<1.1>\n<2.1>");
}

TEST_F(LoopExpansionTest, ReportsBadCountsAndMissingBlocks) {
  Run("{#a}x{/#a} {/#b}{#b}y{/#b} {#C}z{/#C}",
      "@LoopTag a\n@LoopTag a ten\n@LoopTag b 1\n@LoopTag c 1");
  EXPECT_EQ(engine_.Log(), (std::vector<std::string>{
                               Stamped("(エラー)ループカウンタを数値に変換できませんでした(0):"),
                               Stamped("(エラー)ループカウンタを数値に変換できませんでした(1):ten"),
                               Stamped("(エラー)ループタグが存在しません(2):b"),
                               Stamped("(エラー)ループタグが存在しません(3):c"),
                           }));
  EXPECT_EQ(engine_.state.ErrorCount, 4);
  EXPECT_EQ(engine_.Text(), "{#a}x{/#a} {/#b}{#b}y{/#b} {#C}z{/#C}");
}

TEST_F(LoopExpansionTest, OnlyTheFirstBlockOfANameExpands) {
  Run("{#a}1{/#a}|{#a}2{/#a}", "@LoopTag a 2");
  EXPECT_EQ(engine_.Text(), "1\n1|{#a}2{/#a}");
}

TEST_F(LoopExpansionTest, RefusesExpansionsBeyondTheLimit) {
  Run("{#a}0123456789{/#a}", "@LoopTag a 2000000000");
  EXPECT_EQ(engine_.Log(),
            (std::vector<std::string>{Stamped("(エラー)ループの展開結果が大きすぎます(0):a")}));
  EXPECT_EQ(engine_.Text(), "{#a}0123456789{/#a}");
}

}  // namespace
}  // namespace zorvik
