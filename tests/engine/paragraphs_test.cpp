#include "engine/paragraphs.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/paragraph_breaks.h"
#include "support/test_engine.h"

namespace zorvik {
namespace {

using testing::Page;

struct Example {
  const char* input;  // with LF for CR LF
  const char* expected;
};

// Bodies are given between the markers; results are what replaces the whole block.
TEST(ConvertBodyLinesTest, ParagraphRulesByExample) {
  const Example examples[] = {
      {"A\nB", "<p>A<br />\nB</p>"},
      {"A\n\nB", "<p>A</p>\n<p>B</p>"},
      {"A\n\n\nB", "<p>A</p>\n<p>B</p>"},
      {"A\n\n\n\nB", "<p>A</p>\n<p>B</p>"},
      {"A\n\n\n\n\nB", "<p>A</p>\n<p>B</p>"},
      {"\nA\n", "<p>A</p>"},
      {"\n\nA\n\n", "<p>A</p>"},
      {"", ""},
      {"A \n \nB", "<p>A <br />\n <br />\nB</p>"},
      {"<p>A</p>\n\nB", "<p><p>A</p></p>\n<p>B</p>"},
      {"A\n\n<!--_NoCRLF-->\n<ul>\n<li>x</li>\n</ul>\n<!--/_NoCRLF-->\n\nB",
       "<p>A</p>\n<p><ul>\n<li>x</li>\n</ul></p>\n<p>B</p>"},
      {"A\n<!--_NoCRLF-->x\ny<!--/_NoCRLF-->\nB", "<p>A<br />\nx\ny<br />\nB</p>"},
      {"A\n\n<_p><div>x</div>\n<_p>\n\nB", "<p>A</p>\n<div>x</div><br />\n\n<p>B</p>"},
      {"<_p>A\n\nB", "A</p>\n<p>B</p>"},
      {"A\n\nB<_p>", "<p>A</p>\n<p>B"},
      {"x<!--_NoCRLF-->y", "<p>xy</p>"},  // a stray start marker goes
      {"<!--/_NoCRLF-->x<!--_NoCRLF-->y<!--/_NoCRLF-->", "<p>xy</p>"},
  };
  for (const Example& e : examples) {
    SCOPED_TRACE(e.input);
    const std::string text = Page(std::string("<!--BodyLines-->") + e.input + "<!--/BodyLines-->");
    EXPECT_EQ(ConvertBodyLines(text, TEncoding::kCp932), Page(e.expected));
  }
}

TEST(ConvertBodyLinesTest, WholeTextRules) {
  const Example examples[] = {
      {"pre <!--BodyLines-->A<!--/BodyLines--> mid <!--BodyLines-->B\nC<!--/BodyLines--> post",
       "pre <p>A</p> mid <p>B<br />\nC</p> post"},
      {"<!--BodyLines-->A<!--/BodyLines--><!--/BodyLines-->", "<p>A</p>"},
      {"<!--bodylines-->A<!--/BODYLINES-->", "<!--bodylines-->A"},
      {"x<!--_NoCRLF-->y<!--/_NoCRLF-->z", "xyz"},
      {"<_p>a", "<_p>a"},
      {"<!--BodyLines-->A", "A"},  // no end marker anywhere
      {"<!--/BodyLines-->A<!--BodyLines-->B<!--/BodyLines-->", "A<p>B</p>"},
      {"<!--BodyLines-->1<!--BodyLines-->2<!--/BodyLines-->3<!--/BodyLines-->",
       "<p>1<p>2</p>3</p>"},  // a start inside a body
  };
  for (const Example& e : examples) {
    SCOPED_TRACE(e.input);
    EXPECT_EQ(ConvertBodyLines(Page(e.input), TEncoding::kCp932), Page(e.expected));
  }
}

TEST(ConvertBodyLinesTest, ManyBlocksInALargeText) {
  std::string text;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    text += "<div><!--BodyLines-->\r\nline\r\n\r\nnext\r\n<!--/BodyLines--></div>\r\n";
    expected += "<div><p>line</p>\r\n<p>next</p></div>\r\n";
  }
  EXPECT_EQ(ConvertBodyLines(text, TEncoding::kCp932), expected);
}

TEST(BreakIntoParagraphsTest, OnePassAgreesWithTheStepsOnRandomBodies) {
  // Line ends weigh most; lone CR and LF, tags in any case, their pieces, and a lone lead byte
  // that pairs with the CR after it in Shift-JIS.
  const std::string_view pieces[] = {"\r\n", "\r\n", "\r\n", "\r\n",   "a",      "\x82\xa0",
                                     "\x82", "\r",   "\n",   "<",      "p",      ">",
                                     "/",    "<p>",  "</P>", "<br />", "<BR />", "{$_NoCRLF}"};
  std::mt19937 rng(20261208);
  for (int i = 0; i < 20000; ++i) {
    std::string body;
    const int length = static_cast<int>(rng() % 12);
    // Most bodies are line ends and plain text only, which the one-pass path takes.
    const std::size_t choices = i % 4 == 0 ? std::size(pieces) : 6;
    for (int k = 0; k < length; ++k) body += pieces[rng() % choices];
    for (const TEncoding encoding : {TEncoding::kCp932, TEncoding::kUtf8}) {
      ASSERT_EQ(BreakIntoParagraphs(body, encoding), BreakIntoParagraphsStepwise(body, encoding))
          << ::testing::PrintToString(body);
    }
  }
}

TEST(CollapseBlankLinesTest, EveryRunBecomesOneLineEnd) {
  TSecondAWKStr pattern;
  EXPECT_EQ(CollapseBlankLines(Page("a\n\n\nb\n \n\nc\n"), pattern, TEncoding::kCp932),
            Page("a\nb\n \nc\n"));
  EXPECT_EQ(CollapseBlankLines("", pattern, TEncoding::kCp932), "");
}

}  // namespace
}  // namespace zorvik
