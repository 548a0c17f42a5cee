#include <gtest/gtest.h>

#include "pattern/pattern_component.h"
#include "support/sjis.h"

namespace zorvik {
namespace {

using testing::Sjis;

struct ReplaceCase {
  std::string pattern;
  std::string replacement;
  std::string subject;
  std::string expected;
  int count;
};

TEST(PatternReplaceTest, ReplacesEveryMatchOnce) {
  const ReplaceCase cases[] = {
      {"<[^>]*>", "", "<b>x</b> y", "x y", 2},
      {"<[^>]*>", "", "<b\r\n>x", "<b\r\n>x", 0},
      {"\r\n\r\n", "\r\n", "\r\n\r\n\r\n", "\r\n\r\n", 1},
      {"a", "[&]", "banana", "b[a]n[a]n[a]", 3},
      {"a", "\\&", "ab", "&b", 1},
      {"a", "\\\\\\t\\x41\\101\\x8341", "a", "\\\tAA" + Sjis("ア"), 1},
      {"a", "\\q\\x", "a", "q\\x", 1},               // a malformed escape stays as written
      {"a", Sjis("表&"), "a", Sjis("表") + "a", 1},  // 0x5C of 表 is no escape
      {"x", "y", "abc", "abc", 0},
      {"x*", "-", "", "-", 1},
      {"x*", "-", "ab", "-a-b", 2},
      {"a*", "-", "aab", "--b", 2},
      {"$", "!", "ab", "ab!", 1},
      {"$", "!", "a\r\nb", "a!\r\nb!", 2},
      {"x*", "-", "\r\n" + Sjis("あ"), "-\r\n-" + Sjis("あ"), 2},
      {"^", ">", "a\r\nb\r\nc", ">a\r\n>b\r\n>c", 3},
      {"^a", "-", "aaa", "-aa", 1},  // "^" at the rest only after an LF
      {"\n^", "|", "a\n\nb", "a||b", 2},
      // Replacements no longer than their matches are made over the subject itself, until one
      // is longer.
      {"a+", "XY", "aaabab", "XYbXYb", 2},
      {"a+", "XY", "abaaab", "XYbXYb", 2},
      {"<[^>]*>", Sjis("表"), "<b>x<i>yz", Sjis("表") + "x" + Sjis("表") + "yz", 2},
  };
  TSecondAWKStr component;
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "pattern «" << c.pattern << "» subject «" << c.subject << "»");
    component.SetRegExp(c.pattern);
    std::string subject = c.subject;
    EXPECT_EQ(component.ReplaceAll(c.replacement, subject), c.count);
    EXPECT_EQ(subject, c.expected);
  }
}

TEST(PatternReplaceTest, RepeatingCollapsesBlankLines) {
  TSecondAWKStr component;
  component.SetRegExp("\r\n\r\n");
  std::string text = "a\r\n\r\n\r\n\r\nb";
  int rounds = 0;
  while (component.ReplaceAll("\r\n", text) > 0) ++rounds;
  EXPECT_EQ(text, "a\r\nb");
  EXPECT_EQ(rounds, 2);
}

TEST(PatternReplaceTest, KeepsBytesAfterNul) {
  TSecondAWKStr component;
  component.SetRegExp("b");
  std::string subject("ab\0b", 4);
  EXPECT_EQ(component.ReplaceAll("c", subject), 1);
  EXPECT_EQ(subject, std::string("ac\0b", 4));
  subject.assign("\0b", 2);
  component.SetRegExp("x*");
  EXPECT_EQ(component.ReplaceAll("-", subject), 1);
  EXPECT_EQ(subject, std::string("-\0b", 3));
}

TEST(PatternReplaceTest, LargeTextsStayExact) {
  TSecondAWKStr component;
  component.SetRegExp("<[^>]*>");
  std::string html;
  std::string expected;
  for (int i = 0; i < 100000; ++i) {
    html += "<p class=\"x\">" + Sjis("本文") + "</p>\r\n";
    expected += Sjis("本文") + "\r\n";
  }
  EXPECT_EQ(component.ReplaceAll("", html), 200000);
  EXPECT_EQ(html, expected);
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

// Faults the pattern engine once had or nearly shipped, each with the case that shows it; a
// regression found later gets its row here.
TEST(PatternFormerFaultsTest, StayMended) {
  struct Fault {
    const char* what;
    std::string pattern;
    std::string replacement;
    std::string subject;
    std::string expected;
  };
  const Fault faults[] = {
      {"the scan looks for the \"$\" of \"{$\": a \"{\" that ends 本 starts no tag", "{\\$[^}]*}",
       "<>", Sjis("本") + "$T}{$U}", Sjis("本") + "$T}<>"},
      {"a candidate the scan finds a few bytes into the prefix lies before the place it started",
       "\\$\\$b", "-", "$$$$b$$b", "$$--"},
      {"a replacement written over the text hid the line start that the next match needed", "^a",
       "", "a\r\na\r\nba", "\r\n\r\nba"},
      {"required bytes were looked for from the start of the text, not after the last match",
       "<[^>]*>", "", "x<a>b<c", "xb<c"},
      {"a match ran on past the subject's NUL byte", "{\\$[^}]*}", "-",
       std::string("{$a\0}{$b}", 9), std::string("{$a\0}{$b}", 9)},
  };
  TSecondAWKStr component;
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.what);
    component.SetRegExp(fault.pattern);
    std::string text = fault.subject;
    component.ReplaceAll(fault.replacement, text);
    EXPECT_EQ(text, fault.expected);
  }
}

}  // namespace
}  // namespace zorvik
