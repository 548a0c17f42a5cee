#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include "pattern/pattern_component.h"
#include "support/sjis.h"

namespace zorvik {
namespace {

using testing::Sjis;

struct MatchCase {
  std::string pattern;
  std::string subject;
  int position;
  int length;
};

void ExpectMatches(TSecondAWKStr& component, const std::vector<MatchCase>& cases) {
  for (const MatchCase& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "pattern «" << c.pattern << "» subject «" << c.subject << "»");
    component.SetRegExp(c.pattern);
    const TSecondAWKStr::TMatchResult result = component.Match(c.subject);
    EXPECT_EQ(result.position, c.position);
    EXPECT_EQ(result.length, c.length);
  }
}

TEST(PatternMatchTest, TheProgramsOwnPatterns) {
  TSecondAWKStr component;
  ExpectMatches(component, {
                               {"{\\$[^}]*}", "a{$Title}b", 2, 8},
                               {"{\\$[^}]*}", "{$Ti\r\ntle}", 0, 0},
                               {"{\\$[^}]*}", "{$}", 1, 3},
                               {"{\\$[^}]*}", "{$a{$b}", 1, 7},
                               {"{\\$[^}]*}", Sjis("{$表題}"), 1, 7},
                               {"\r\n\r\n", "a\r\n\r\nb", 2, 4},
                               {"<[^>]*>", "x <b>y", 3, 3},
                               {"<[^>]*>", "<a\r\nb>", 0, 0},
                           });
}

TEST(PatternMatchTest, LeftmostThenLongest) {
  TSecondAWKStr component;
  ExpectMatches(component, {
                               {"abcd|c", "abcd", 1, 4},
                               {"c|abcd", "xabcd", 2, 4},
                               {"a|ab|abc", "abcd", 1, 3},
                               {"(a|ab)(c|bcd)", "abcd", 1, 4},
                               {"a*", "baaa", 1, 0},
                               {"a+", "baaa", 2, 3},
                               {"x*", "", 1, 0},
                               {"b?", "ab", 1, 0},
                               {"(a*)*b", "aaab", 1, 4},
                               {"(a|b)*a(a|b)(a|b)", "bbbabb", 1, 6},
                               {"z", "abc", 0, 0},
                               {"", "abc", 1, 0},
                               // The first candidate dies and a later one matches.
                               {"aab", "aaab", 2, 3},
                               // A later start matches first; one at a line start runs on.
                               {"^abcd|bc", "abcd", 1, 4},
                               {"^abcd|bc", "abce", 2, 2},
                           });
}

TEST(PatternMatchTest, DoubleByteCharactersAreWholeCharacters) {
  TSecondAWKStr component;
  ExpectMatches(component,
                {
                    {Sjis("ア"), Sjis("ャA"), 0, 0},  // 0x83 0x41 there starts on a trail byte
                    {Sjis("ア"), Sjis("ャア"), 3, 2},
                    {".", Sjis("あ"), 1, 2},
                    {"..", Sjis("あい"), 1, 4},
                    {"A", Sjis("アA"), 3, 1},
                    {"[" + Sjis("あ-お") + "]+", Sjis("xいうz"), 2, 4},
                    {"[^a]", Sjis("aア"), 2, 2},
                    {"\\x8341", Sjis("xア"), 2, 2},
                    {"\\x41", Sjis("アA"), 3, 1},
                    {"\\101", "zA", 2, 1},
                    {"\\x81", "a\x81", 2, 1},  // a lead byte at the end is a character
                    {"\\x81",
                     "\x81"
                     "a",
                     0, 0},
                    {".$", "a\x81", 2, 1},
                    {Sjis("表"), Sjis("x表\\"), 2, 2},  // 表 ends in the byte of "\"
                    {"\\\\", Sjis("表\\"), 3, 1},
                    // After a failed "a\r…", the next start may not be the "a" of "ヂ" (0x83 0x61).
                    {"a\\r[^}]*}", "a\rx" + Sjis("ヂ") + "\r}", 0, 0},
                });
}

TEST(PatternMatchTest, ClassesAndEscapes) {
  TSecondAWKStr component;
  ExpectMatches(component, {
                               {"[a-c]+", "xxbca", 3, 3},
                               {"[-a]+", "x-a-", 2, 3},
                               {"[a-]+", "x-a-", 2, 3},
                               {"[\\]]", "a]", 2, 1},
                               {"[\\r\\n]+", "a\r\nb", 2, 2},
                               {"[^a]", "a\r\nb", 4, 1},  // a negated class never takes CR or LF
                               {".", "\r\n\tx", 3, 1},
                               {"\\$", "a$b", 2, 1},
                               {"\\.", "a.b", 2, 1},
                               {"\\t", "a\tb", 2, 1},
                               {"\\b", "a\bb", 2, 1},
                               {"a\\&", "a&", 1, 2},
                               {"{a}", "x{a}", 2, 3},
                               {"\\xfF", "\xff", 1, 1},
                               {"\\0", "a", 0, 0},
                           });
}

TEST(PatternMatchTest, LineAnchorsUnderCrLf) {
  TSecondAWKStr component;
  ExpectMatches(component, {
                               {"$", "abc", 4, 0},
                               {"^", "abc", 1, 0},
                               {"^b", "a\r\nb", 4, 1},
                               {"^b", "a\rb", 0, 0},
                               {"a$", "ba\r\nc", 2, 1},
                               {"a$", "ba\nc", 0, 0},
                               {"a$\r\n", "a\r\n", 0, 0},  // nothing matches beyond "$"
                               {"a$b*", "a\r\n", 1, 1},
                               {"$^", "a\r\nb", 0, 0},
                               {"$^", "a\r\n", 4, 0},
                               {"$^", "", 1, 0},
                               {"\n^x", "a\nx", 2, 2},  // "^" inside a pattern
                               {"(^a|b)+", "ba", 1, 1},
                               {"^" + Sjis("あ"), "\x81\nx" + Sjis("あ"), 0,
                                0},  // 0x81 0x0A is one character, not LF
                           });
}

TEST(PatternMatchTest, LineAnchorsUnderLf) {
  TSecondAWKStr component;
  component.SetLineSeparator(mcls_LF);
  ExpectMatches(component, {
                               {"a$", "ba\nc", 2, 1},
                               {"a$", "ba\r\nc", 0, 0},
                               {"^c", "ba\nc", 4, 1},
                           });
  component.SetLineSeparator(mcls_CRLF);
  ExpectMatches(component, {{"a$", "ba\r\nc", 2, 1}});
}

TEST(PatternMatchTest, SubjectEndsAtNul) {
  TSecondAWKStr component;
  ExpectMatches(component, {
                               {"b", std::string("a\0b", 3), 0, 0},
                               {"a$", std::string("a\0b", 3), 1, 1},
                           });
  // Past the NUL through each way of skipping ahead: a rare first byte, then (many "{" in a
  // row) the scan for both ends of the prefix; a lead byte before the NUL stands alone.
  std::string dense;
  for (int i = 0; i < 200; ++i) dense += "{x";
  ExpectMatches(component,
                {
                    {"{\\$[^}]*}", std::string("ab\0{$t}", 8), 0, 0},
                    {"{\\$[^}]*}", dense + std::string("\0{$t}", 6), 0, 0},
                    {"{\\$[^}]*}", dense + "{$t}", static_cast<int>(dense.size()) + 1, 4},
                    {"\\x83$", std::string("a\x83\0\x41", 4), 2, 1},
                });
}

TEST(PatternMatchTest, HugeInputsAndExplodingAutomata) {
  TSecondAWKStr component;
  // Many starts that never complete: must be read once, not once per start.
  std::string text;
  for (int i = 0; i < (1 << 19); ++i) text += "{$";
  ExpectMatches(component, {{"{\\$[^}]*}", text, 0, 0},
                            {"{\\$[^}]*}", text + "}", 1, static_cast<int>(text.size()) + 1}});

  // Twenty positions after the last "a": a full subset construction would need 2^20 states.
  std::string pattern = "(a|b)*a";
  for (int i = 0; i < 20; ++i) pattern += "(a|b)";
  std::string subject;
  std::uint32_t seed = 1;
  for (int i = 0; i < 200000; ++i) {
    seed = seed * 1103515245 + 12345;
    subject += (seed >> 16) & 1 ? 'a' : 'b';
  }
  component.SetRegExp(pattern);
  const auto result = component.Match(subject);
  // "(a|b)*" takes the subject from its first character; the longest match runs to the last
  // "a" that has twenty characters after it.
  EXPECT_EQ(result.position, 1);
  const std::size_t last_a = subject.rfind('a', subject.size() - 21);
  EXPECT_EQ(result.length, static_cast<int>(last_a + 21));
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

TEST(PatternMatchTest, PositionsBeyondTwoGibibytes) {
  // 2.25 GiB of text from one 2 MiB buffer mapped again and again, with "b" only at the end.
  constexpr std::size_t kChunk = 2u << 20;
  constexpr std::size_t kChunks = 1152;
  const int plain = ::memfd_create("plain", 0);
  const int last = ::memfd_create("last", 0);
  ASSERT_GE(plain, 0);
  ASSERT_GE(last, 0);
  std::string bytes(kChunk, 'x');
  ASSERT_EQ(::write(plain, bytes.data(), kChunk), static_cast<ssize_t>(kChunk));
  bytes.back() = 'b';
  ASSERT_EQ(::write(last, bytes.data(), kChunk), static_cast<ssize_t>(kChunk));
  char* base = static_cast<char*>(
      ::mmap(nullptr, kChunk * kChunks, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(base, MAP_FAILED);
  for (std::size_t i = 0; i < kChunks; ++i) {
    ASSERT_NE(::mmap(base + i * kChunk, kChunk, PROT_READ, MAP_SHARED | MAP_FIXED,
                     i + 1 == kChunks ? last : plain, 0),
              MAP_FAILED);
  }
  TSecondAWKStr component;
  component.SetRegExp("b");
  const TSecondAWKStr::TMatchResult result =
      component.Match(std::string_view(base, kChunk * kChunks));
  EXPECT_EQ(result.position, static_cast<std::int64_t>(kChunk * kChunks));
  EXPECT_EQ(result.length, 1);
  ::munmap(base, kChunk * kChunks);
  ::close(plain);
  ::close(last);
}

}  // namespace
}  // namespace zorvik

namespace zorvik {
namespace {

// Bytes that every match needs are looked for first; a text without one has no match, and
// patterns that need no byte in particular still match as before.
TEST(PatternMatchTest, RequiredBytesDecideOnlyWhatCannotMatch) {
  TSecondAWKStr component;
  ExpectMatches(component, {
                               {"{\\$[^}]*}", "{${${$", 0, 0},
                               {"{\\$[^}]*}", "{${$}", 1, 5},
                               {"a|b", "xxb", 3, 1},
                               {"x(a|b)y", "xay xby", 1, 3},
                               {"x(a|b)y", "xa xb", 0, 0},
                               {"a*", "bbb", 1, 0},
                               {"(ab)?c", "xxc", 3, 1},
                           });
  // In a replacement the bytes are looked for after the last match only.
  component.SetRegExp("<[^>]*>");
  std::string text = "<a>b<c";
  EXPECT_EQ(component.ReplaceAll("", text), 1);
  EXPECT_EQ(text, "b<c");
}

}  // namespace
}  // namespace zorvik
