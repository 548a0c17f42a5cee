// Cross-checks the pattern component against a deliberately simple matcher kept here: it
// evaluates the parse tree over sets of positions, trying each start in turn. Exponential in
// nothing and quadratic in everything; for tests only, never for production.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>

#include "pattern/pattern_component.h"
#include "pattern/re_dfa.h"
#include "pattern/re_parser.h"
#include "text/sjis.h"

namespace zorvik {
namespace {

class ReferenceMatcher {
 public:
  ReferenceMatcher(const TREParseTree& tree, std::string_view text, bool crlf)
      : tree_(tree), text_(text), crlf_(crlf), encoding_(tree.encoding) {}

  TREFindResult Find(std::size_t from, bool line_start_at_from) {
    from_ = from;
    line_start_at_from_ = line_start_at_from;
    for (std::size_t s = from;; s += CharBytesAt(text_, s, encoding_)) {
      const States ends = Ends(tree_.root, {{s, false}});
      if (!ends.empty()) return {true, s, ends.rbegin()->first};
      if (s >= text_.size()) return {};
    }
  }

 private:
  using States = std::set<std::pair<std::size_t, bool>>;  // position, passed "$"

  bool AfterLf(std::size_t p) const {
    if (p == from_) return line_start_at_from_;
    return text_[p - 1] == '\n' && IsCharStartFrom(text_, from_, p - 1, encoding_);
  }
  bool AtLineEnd(std::size_t p) const {
    return p == text_.size() || text_[p] == (crlf_ ? '\r' : '\n');
  }

  States Ends(int index, const States& in) {
    const TRENode& node = tree_.nodes[index];
    States out;
    switch (node.kind) {
      case TRENodeKind::kEmpty:
        return in;
      case TRENodeKind::kSet:
        for (auto [p, passed] : in) {
          if (passed || p >= text_.size()) continue;
          const std::size_t len = CharBytesAt(text_, p, encoding_);
          if (RangesContain(tree_.sets[node.set], CodeAt(p, len))) out.insert({p + len, false});
        }
        return out;
      case TRENodeKind::kLineStart:
        for (auto state : in)
          if (AfterLf(state.first)) out.insert(state);
        return out;
      case TRENodeKind::kLineEnd:
        for (auto [p, passed] : in)
          if (AtLineEnd(p)) out.insert({p, true});
        return out;
      case TRENodeKind::kConcat:
        return Ends(node.right, Ends(node.left, in));
      case TRENodeKind::kUnion: {
        out = Ends(node.left, in);
        const States right = Ends(node.right, in);
        out.insert(right.begin(), right.end());
        return out;
      }
      case TRENodeKind::kQuestion: {
        out = in;
        const States once = Ends(node.left, in);
        out.insert(once.begin(), once.end());
        return out;
      }
      case TRENodeKind::kPlus:
      case TRENodeKind::kStar: {
        States frontier = node.kind == TRENodeKind::kStar ? in : Ends(node.left, in);
        out = frontier;
        while (!frontier.empty()) {
          States next;
          for (auto state : Ends(node.left, frontier)) {
            if (out.insert(state).second) next.insert(state);
          }
          frontier.swap(next);
        }
        return out;
      }
    }
    return out;
  }

  // The character's code: Shift-JIS lead * 256 + trail; a UTF-8 code point, or a byte that
  // starts no sequence above them all.
  std::uint32_t CodeAt(std::size_t p, std::size_t len) const {
    if (encoding_ == TEncoding::kCp932) return CharCodeAt(text_, p, len);
    if (len == 1 && static_cast<unsigned char>(text_[p]) >= 0x80)
      return kInvalidUtf8Byte + static_cast<unsigned char>(text_[p]);
    return Utf8CodeAt(text_, p, len);
  }

  const TREParseTree& tree_;
  std::string_view text_;
  bool crlf_;
  TEncoding encoding_;
  std::size_t from_ = 0;
  bool line_start_at_from_ = true;
};

// ReplaceAll's steps over the reference search, with "<" & ">" as the replacement.
int ReferenceReplaceAll(const TREParseTree& tree, std::string& subject, bool crlf) {
  ReferenceMatcher matcher(tree, subject, crlf);
  const TEncoding encoding = tree.encoding;
  TREFindResult found = matcher.Find(0, true);
  if (!found.found) return 0;
  if (subject.empty()) {
    subject = "<>";
    return 1;
  }
  std::string out;
  std::size_t rest = 0;
  int count = 0;
  for (;;) {
    out += subject.substr(rest, found.start - rest) + "<" +
           subject.substr(found.start, found.end - found.start) + ">";
    rest = found.end;
    bool after_lf = found.end > found.start && subject[found.end - 1] == '\n' &&
                    IsCharStartFrom(subject, found.start, found.end - 1, encoding);
    if (found.start == found.end && rest < subject.size()) {
      std::size_t len = CharBytesAt(subject, rest, encoding);
      if (crlf && subject.compare(rest, 2, "\r\n") == 0) len = 2;
      out += subject.substr(rest, len);
      after_lf = subject[rest + len - 1] == '\n' && (len == 1 || subject[rest] == '\r');
      rest += len;
    }
    ++count;
    if (rest >= subject.size()) break;
    found = matcher.Find(rest, after_lf);
    if (!found.found) break;
  }
  subject = out + subject.substr(rest);
  return count;
}

std::string RandomPattern(std::mt19937& rng, int depth) {
  static const char* const kAtoms[] = {"a",   "b",    "A",    "\x83\x41",      "\x83\x83",
                                       ".",   "[ab]", "[^a]", "[a-\\x83\x41]", "\\r",
                                       "\\n", "^",    "$",    "\\x83",         "()"};
  std::string pattern;
  const int factors = static_cast<int>(rng() % 4);
  for (int i = 0; i < factors; ++i) {
    if (depth < 3 && rng() % 5 == 0) {
      pattern += "(" + RandomPattern(rng, depth + 1) + ")";
    } else {
      pattern += kAtoms[rng() % std::size(kAtoms)];
    }
    static const char* const kPostfix[] = {"", "", "*", "+", "?"};
    pattern += kPostfix[rng() % std::size(kPostfix)];
  }
  if (rng() % 4 == 0) pattern += "|" + RandomPattern(rng, depth + 1);
  return pattern;
}

std::string RandomSubject(std::mt19937& rng) {
  static const char* const kPieces[] = {"a",    "b",  "A",  "\x83\x41", "\x83\x83",
                                        "\r\n", "\n", "\r", "\x83",     "x"};
  std::string subject;
  const int pieces = static_cast<int>(rng() % 9);
  for (int i = 0; i < pieces; ++i) subject += kPieces[rng() % std::size(kPieces)];
  return subject;
}

// Match and ReplaceAll ("<&>") on subject give what the reference matcher gives on its part
// before the first NUL; the bytes from the NUL on are kept as they are.
void ExpectAgreesWithReference(TSecondAWKStr& component, const TREParseTree& tree,
                               const std::string& subject, bool crlf) {
  const std::string searched = subject.substr(0, subject.find('\0'));
  const TREFindResult expected = ReferenceMatcher(tree, searched, crlf).Find(0, true);
  const TSecondAWKStr::TMatchResult got = component.Match(subject);
  ASSERT_EQ(got.position, expected.found ? static_cast<int>(expected.start) + 1 : 0);
  ASSERT_EQ(got.length, expected.found ? static_cast<int>(expected.end - expected.start) : 0);
  std::string replaced = subject;
  std::string reference = searched;
  ASSERT_EQ(component.ReplaceAll("<&>", replaced), ReferenceReplaceAll(tree, reference, crlf));
  ASSERT_EQ(replaced, reference + subject.substr(searched.size()));
}

// In four shards of their own seeds, so that the slowest builds (the sanitizers') run them on
// every core.
class RandomPatternsTest : public ::testing::TestWithParam<int> {};

TEST_P(RandomPatternsTest, AgreeWithTheSimpleMatcher) {
  std::mt19937 rng(20261207 + static_cast<unsigned>(GetParam()));
  TSecondAWKStr component;
  for (int round = 0; round < 1000; ++round) {
    const std::string pattern = RandomPattern(rng, 0);
    const bool crlf = round % 3 != 0;
    component.SetLineSeparator(crlf ? mcls_CRLF : mcls_LF);
    component.SetRegExp(pattern);
    const TREParseTree tree = TREParser::Parse(pattern, TEncoding::kCp932);
    for (int s = 0; s < 6; ++s) {
      const std::string subject = RandomSubject(rng);
      SCOPED_TRACE(::testing::Message()
                   << "pattern «" << pattern << "» subject «" << subject << "» crlf " << crlf);
      ExpectAgreesWithReference(component, tree, subject, crlf);
      if (::testing::Test::HasFatalFailure()) return;

      // The subject ends at a NUL byte: what follows it is never looked at.
      ExpectAgreesWithReference(component, tree, subject + '\0' + RandomSubject(rng), crlf);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(PatternReferenceTest, RandomPatternsTest, ::testing::Range(0, 4));

// The same in UTF-8: "." and classes take whole characters (a range by code point), a byte that
// starts no sequence is a character of its own, and no match starts inside a sequence.
TEST(PatternReferenceTest, AgreesWithTheSimpleMatcherInUtf8) {
  static const char* const kAtoms[] = {"a",     "あ",    "ソ",      "😀",       "é",    ".",
                                       "[aあ]", "[^あ]", "[ぁ-ん]", "[a-😀]",   "\\r",  "\\n",
                                       "^",     "$",     "\x82",    "\\x3042", "\\あ", "()"};
  static const char* const kPieces[] = {"a",    "あ", "ソ",   "😀",        "é",
                                        "\r\n", "\n", "\x82", "\xE3\x81", "{"};
  std::mt19937 rng(20261208);
  TSecondAWKStr component;
  component.SetEncoding(TEncoding::kUtf8);
  for (int round = 0; round < 1000; ++round) {
    std::string pattern;
    const int factors = 1 + static_cast<int>(rng() % 3);
    for (int i = 0; i < factors; ++i) {
      pattern += kAtoms[rng() % std::size(kAtoms)];
      static const char* const kPostfix[] = {"", "", "*", "+", "?"};
      pattern += kPostfix[rng() % std::size(kPostfix)];
    }
    if (rng() % 4 == 0) pattern += std::string("|") + kAtoms[rng() % std::size(kAtoms)];
    const bool crlf = round % 3 != 0;
    component.SetLineSeparator(crlf ? mcls_CRLF : mcls_LF);
    component.SetRegExp(pattern);
    const TREParseTree tree = TREParser::Parse(pattern, TEncoding::kUtf8);
    for (int s = 0; s < 6; ++s) {
      std::string subject;
      const int pieces = static_cast<int>(rng() % 9);
      for (int i = 0; i < pieces; ++i) subject += kPieces[rng() % std::size(kPieces)];
      SCOPED_TRACE(::testing::Message()
                   << "pattern «" << pattern << "» subject «" << subject << "» crlf " << crlf);
      ExpectAgreesWithReference(component, tree, subject, crlf);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

// Patterns that begin with a literal are found by a byte scan, which may look for a later
// byte of the literal ("$" of "{$", never the second byte of a character, where "{" often is);
// it must still find every start, never one inside a character, and stop at a NUL. A literal, a
// class repeated and a closing character ("<[^>]*>") are found by byte scans alone: the closing
// character or a line end may stand as the second byte of a character, and a character may lie
// outside the class.
TEST(PatternReferenceTest, LiteralStartsAreFoundByTheScanAsByTheMatcher) {
  struct Case {
    const char* pattern;
    TEncoding encoding;
  };
  static const Case kCases[] = {
      {"{\\$[^}]*}", TEncoding::kCp932},        {"a\\$", TEncoding::kCp932},
      {"\\$\\$b", TEncoding::kCp932},           {"x\\?y*", TEncoding::kCp932},
      {"x\\?y\\?x\\?y\\?x", TEncoding::kCp932}, {"<[^>]*>", TEncoding::kCp932},
      {"\"[^\"]*\"", TEncoding::kCp932},        {"a}[^}]*}", TEncoding::kCp932},
      {"<[^>\\x8341]*>", TEncoding::kCp932},    {"<[^>]*>", TEncoding::kUtf8},
      {"{\\$[^}]*}", TEncoding::kUtf8},         {"<[^>あ]*>", TEncoding::kUtf8}};
  static const std::string_view kPieces[] = {"{",         "$",        "}",
                                             "\x96{",     "\x96$",    "a",
                                             "b",         "x",        "?",
                                             "y",         "\r\n",     "{$T}",
                                             "x?y?x?y?x", "<",        ">",
                                             "\"",        "\x81>",    "\x96}",
                                             "\xFC\xFD",  "\x83\x41", "\xE3\x81\x82",
                                             "\xE3\x81",  "\x82",     std::string_view("\0", 1)};
  std::mt19937 rng(97);
  for (const Case& c : kCases) {
    TSecondAWKStr component;
    component.SetEncoding(c.encoding);
    component.SetRegExp(c.pattern);
    const TREParseTree tree = TREParser::Parse(c.pattern, c.encoding);
    for (int round = 0; round < 3000; ++round) {
      std::string subject;
      const int pieces = static_cast<int>(rng() % 12);
      for (int i = 0; i < pieces; ++i) subject += kPieces[rng() % std::size(kPieces)];
      SCOPED_TRACE(::testing::Message()
                   << "pattern «" << c.pattern << "» subject «" << subject << "»");
      ExpectAgreesWithReference(component, tree, subject, true);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

// A cache small enough to be emptied every few states, and so to be stepped around: the
// answers are those of the automaton that keeps its states.
TEST(PatternReferenceTest, ASmallCacheGivesTheSameMatches) {
  std::mt19937 rng(7);
  for (int round = 0; round < 1500; ++round) {
    const std::string pattern = RandomPattern(rng, 0);
    const bool crlf = round % 2 == 0;
    const TREParseTree tree = TREParser::Parse(pattern, TEncoding::kCp932);
    TRE_DFA kept(TRE_NFA(TREParser::Parse(pattern, TEncoding::kCp932)), crlf);
    TRE_DFA emptied(TRE_NFA(TREParser::Parse(pattern, TEncoding::kCp932)), crlf, 512);
    for (int s = 0; s < 3; ++s) {
      std::string subject;
      while (subject.size() < 300) subject += RandomSubject(rng);
      SCOPED_TRACE(::testing::Message()
                   << "pattern «" << pattern << "» subject «" << subject << "»");
      for (const std::size_t from : {std::size_t{0}, subject.size() / 2}) {
        if (!IsCharStartFrom(subject, 0, from)) continue;
        const TREFindResult expected = kept.Find(subject, from, true);
        const TREFindResult got = emptied.Find(subject, from, true);
        ASSERT_EQ(got.found, expected.found);
        ASSERT_EQ(got.start, expected.start);
        ASSERT_EQ(got.end, expected.end);
      }
    }
  }
}

}  // namespace
}  // namespace zorvik
