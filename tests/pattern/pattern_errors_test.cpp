#include <gtest/gtest.h>

#include "pattern/pattern_component.h"
#include "support/sjis.h"

namespace zorvik {
namespace {

struct ErrorCase {
  const char* pattern;
  const char* message;  // UTF-8
  int position;         // 1-based, just after the byte where the error was found
};

TEST(PatternErrorsTest, EachMalformedPatternGivesItsMessageAndPosition) {
  const ErrorCase cases[] = {
      {"a\x83", "不正な２バイト文字コードです。", 3},
      {"[a\x83", "不正な２バイト文字コードです。", 4},
      {"ab\\", "\"\\\"の次には文字が必要です。", 4},
      {"\\", "\"\\\"の次には文字が必要です。", 2},
      {"a\\x", "不正な１６進数コード表記です。", 4},
      {"\\xg", "不正な１６進数コード表記です。", 3},
      {"\\777777", "不正な８進数コード表記です。", 8},
      {"[", "右ブラケット\"]\"が必要です", 2},
      {"[ab", "右ブラケット\"]\"が必要です", 4},
      {"[^", "右ブラケット\"]\"が必要です", 3},
      {"[z-a]", "不正なキャラクタ範囲です", 5},
      {"[\\x8341-a]", "不正なキャラクタ範囲です", 10},
      {"[]", "不正なキャラクタクラス指定です。", 3},
      {"[^]", "不正なキャラクタクラス指定です。", 4},
      {"[]a]", "不正なキャラクタクラス指定です。", 3},
      {"(a", "右(閉じ)括弧が必要です", 3},
      {"((a)", "右(閉じ)括弧が必要です", 5},
      {"a**", "普通の文字、または左括弧\"(\"が必要です", 4},
      {"a+?", "普通の文字、または左括弧\"(\"が必要です", 4},
      {"*a", "普通の文字、または左括弧\"(\"が必要です", 2},
      {"(*)", "普通の文字、または左括弧\"(\"が必要です", 3},
      {"a|+", "普通の文字、または左括弧\"(\"が必要です", 4},
      {"a]", "普通の文字、または左括弧\"(\"が必要です", 3},
      {"a)", "正規表現に余分な文字があります", 3},
      {"\\200000", "不正な８進数コード表記です。", 8},
      {"(a))b", "正規表現に余分な文字があります", 5},
  };
  TSecondAWKStr component;
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.pattern);
    component.SetRegExp("abc");
    try {
      component.SetRegExp(c.pattern);
      ADD_FAILURE() << "accepted";
    } catch (const ERegExpParser& e) {
      EXPECT_EQ(testing::Utf8(e.what()), c.message);
      EXPECT_EQ(e.ErrorPos, c.position);
    }
    // The component falls back to the empty pattern.
    EXPECT_EQ(component.RegExp(), "");
    EXPECT_EQ(component.Match("abc").position, 1);
    EXPECT_EQ(component.Match("abc").length, 0);
  }
}

TEST(PatternErrorsTest, AcceptsEmptyGroupsAndAlternatives) {
  TSecondAWKStr component;
  for (const char* pattern : {"(|a)", "()", "|", "a|", "()*", "^*", "{}", "[-a-]", "[a-]", "\\0",
                              "\\x8341", "[^\\x01-\\xFCFC]", "\\1777777"}) {
    SCOPED_TRACE(pattern);
    EXPECT_NO_THROW(component.SetRegExp(pattern));
    EXPECT_EQ(component.RegExp(), pattern);
  }
}

TEST(PatternErrorsTest, DeepNestingDoesNotExhaustTheStack) {
  TSecondAWKStr component;
  const std::string deep = std::string(100000, '(') + "a" + std::string(100000, ')');
  component.SetRegExp(deep);
  EXPECT_EQ(component.Match("xa").position, 2);
  const std::string unclosed = std::string(100000, '(');
  EXPECT_THROW(component.SetRegExp(unclosed), ERegExpParser);
}

TEST(PatternCacheTest, KeepsThirtyEntriesWithTheEmptyPatternFirst) {
  TSecondAWKStr component;
  for (int i = 0; i < 40; ++i) component.SetRegExp("p" + std::to_string(i));
  std::vector<std::string> cached = component.CachedPatterns();
  ASSERT_EQ(cached.size(), 30u);
  EXPECT_EQ(cached[0], "");
  EXPECT_EQ(cached[1], "p39");
  EXPECT_EQ(cached[29], "p11");
  // A hit does not move its entry; a new pattern goes directly after the empty one.
  component.SetRegExp("p20");
  EXPECT_EQ(component.CachedPatterns(), cached);
  EXPECT_EQ(component.Match("xp20").position, 2);
  component.SetRegExp("new");
  cached = component.CachedPatterns();
  EXPECT_EQ(cached[1], "new");
  EXPECT_EQ(cached[29], "p12");
}

}  // namespace
}  // namespace zorvik
