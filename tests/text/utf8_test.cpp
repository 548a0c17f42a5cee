// UTF-8 characters, finding a file's encoding, and converting between the two page encodings.
#include "text/utf8.h"

#include <gtest/gtest.h>

#include "support/sjis.h"
#include "text/char_functions.h"
#include "text/cut_trim.h"
#include "text/encoding.h"
#include "text/replace_text.h"

namespace zorvik {
namespace {

using testing::Sjis;

TEST(Utf8Test, ACharacterIsAWholeWellFormedSequenceElseOneByte) {
  const struct {
    std::string_view bytes;
    std::size_t length;
  } cases[] = {
      {"a", 1},
      {"\xC3\xA4", 2},
      {"\xE3\x81\x82", 3},
      {"\xF0\x9F\x98\x80", 4},
      {"\xC0\x80", 1},
      {"\xE0\x80\x80", 1},
      {"\xED\xA0\x80", 1},  // overlong, surrogate
      {"\xF4\x90\x80\x80", 1},
      {"\xE3\x81", 1},
      {"\x81", 1},  // too high, cut, stray
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8CharBytesAt(c.bytes, 0), c.length) << c.bytes;
  // Inside a sequence is no start; a stray continuation byte is one.
  EXPECT_FALSE(Utf8IsCharStartFrom("\xE3\x81\x82", 0, 2));
  EXPECT_TRUE(Utf8IsCharStartFrom("a\x82", 0, 1));
}

TEST(Utf8Test, AFileIsUtf8WhenMarkedOrMostlyWellFormed) {
  const TEncoding cp932 = TEncoding::kCp932;
  const TEncoding utf8 = TEncoding::kUtf8;
  const std::string words = "はじめに、日本語の文章";  // 11 characters
  const struct {
    std::string bytes;
    const TEncoding* forced;
    TEncoding found;
    bool doubtful;
  } cases[] = {
      {"ascii only", nullptr, cp932, false},
      {"日本語", nullptr, utf8, false},
      {Sjis("日本語"), nullptr, cp932, false},
      {Sjis(words), nullptr, cp932, false},
      {"\xEF\xBB\xBF" + Sjis("日本語"), nullptr, utf8, false},  // the mark wins
      {"\xEF\xBB\xBF", &cp932, utf8, false},
      {"日本語", &cp932, cp932, false},
      {"ascii", &utf8, utf8, false},
      // UTF-8 but for one accident: a stray byte, an overlong form, a surrogate, a cut end.
      {words + "\xFF" + words, nullptr, utf8, true},
      {words + words + "\xC0\xAF", nullptr, utf8, true},
      {words + words + "\xED\xA0\x80", nullptr, utf8, true},
      {words + words + "\xE3\x81", nullptr, utf8, true},
      // Too few characters to outweigh the stray bytes: Shift-JIS, said to be a guess.
      {"日本\xFF\xFF", nullptr, cp932, true},
      {"日\xFF\xFF", nullptr, cp932, false},
  };
  for (const auto& c : cases) {
    const TEncodingChoice choice = ChooseEncoding(c.bytes, c.forced);
    EXPECT_EQ(choice.encoding, c.found) << c.bytes;
    EXPECT_EQ(choice.doubtful, c.doubtful) << c.bytes;
  }
  const std::vector<TStrayRun> runs = StrayUtf8Runs(
      "a\xFF\xFEあ\x82\xA0"
      "b\xE3\x81");
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].offset, 1u);
  EXPECT_EQ(runs[0].length, 2u);
  EXPECT_EQ(runs[1].offset, 6u);
  EXPECT_EQ(runs[1].length, 2u);
  EXPECT_EQ(runs[2].offset, 9u);
  EXPECT_EQ(runs[2].length, 2u);
}

TEST(Utf8Test, ConversionKeepsLinesAndReferencesWhatShiftJisCannotHold) {
  std::vector<TUnmappable> unmappable;
  EXPECT_EQ(ConvertText("a©\r\n😀ä\xFF", TEncoding::kUtf8, TEncoding::kCp932, &unmappable),
            "a&#xA9;\r\n&#x1F600;&#xE4;\xFF");  // an invalid byte stays as it was
  ASSERT_EQ(unmappable.size(), 3u);
  EXPECT_EQ(unmappable[1].offset, 5u);
  EXPECT_EQ(unmappable[1].code, 0x1F600u);
  const std::string japanese = "全角　スペースと～記号①";
  EXPECT_EQ(ConvertText(ConvertText(japanese, TEncoding::kUtf8, TEncoding::kCp932),
                        TEncoding::kCp932, TEncoding::kUtf8),
            japanese);
  unmappable.clear();
  EXPECT_EQ(ConvertText("a\x81", TEncoding::kCp932, TEncoding::kUtf8, &unmappable),
            "a\xEF\xBF\xBD");
  ASSERT_EQ(unmappable.size(), 1u);
  EXPECT_EQ(unmappable[0].offset, 1u);
}

// The character rules in UTF-8 beside their Shift-JIS twins: "ソ" ends with 0xBD after 0x82,
// "あ" with 0x82, a Shift-JIS lead byte that would take the byte after it.
TEST(Utf8Test, TheTextRulesTakeTheGivenEncodingsCharacters) {
  const TEncoding utf8 = TEncoding::kUtf8;
  EXPECT_EQ(TrimSpaces("　 a　ソ 　", utf8), "a　ソ");
  EXPECT_EQ(TrimSpaces(Sjis("　 a　ソ 　"), TEncoding::kCp932), Sjis("a　ソ"));
  EXPECT_EQ(TrimBlankLines("\r\nあ\r\n\r\n", utf8), "あ");
  std::string tokens = "あ ソ";
  EXPECT_EQ(CutToken(tokens, " ", utf8), "あ");
  std::string text = "あ{$x}ソ{$X}";
  EXPECT_EQ(ReplaceEvery(text, "{$x}", "1", std::string::npos, utf8), 2);
  EXPECT_EQ(text, "あ1ソ1");
  std::string sjis = Sjis("ソ{$x}");  // 0x83 0x5C: "{" stands after a whole character
  EXPECT_EQ(ReplaceEvery(sjis, "{$x}", "1", std::string::npos, TEncoding::kCp932), 1);
  EXPECT_EQ(FindIgnoringCase("あ{$Count}", "{$count", 0, utf8), 3u);

  // The text functions count characters: "あソ😀" is three in UTF-8, as "あソ" is two in
  // Shift-JIS; a byte that starts no sequence is one.
  EXPECT_EQ(CharLength("あソ😀\x82", utf8), 4);
  EXPECT_EQ(CharLength(Sjis("あソ"), TEncoding::kCp932), 2);
  EXPECT_EQ(CharCopy("あソ😀a", 2, 2, utf8), "ソ😀");
  EXPECT_EQ(CharCopy(Sjis("あソa"), 2, 1, TEncoding::kCp932), Sjis("ソ"));
  EXPECT_EQ(CharPos("😀", "あソ😀", utf8), 3);
  std::string edited = "あソ";
  CharInsert("😀", edited, 2, utf8);
  CharDelete(edited, 1, 1, utf8);
  EXPECT_EQ(edited, "😀ソ");
}

}  // namespace
}  // namespace zorvik
