#include "engine/tag_fill.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "text/replace_text.h"

namespace zorvik {
namespace {

struct TOutcome {
  std::string text;
  std::vector<std::string> reports;  // error texts, or "refused NAME"
};

std::string Report(const TFillLine& line) {
  return line.error.empty() ? "refused " + line.name : line.error;
}

TOutcome OneByOne(std::string text, const std::vector<TFillLine>& lines, std::size_t max_size) {
  TOutcome outcome;
  for (const TFillLine& line : lines) {
    if (!line.error.empty()) {
      outcome.reports.push_back(line.error);
    } else if (ReplaceEvery(text, "{$" + line.name + "}", line.value, max_size, TEncoding::kCp932) <
               0) {
      outcome.reports.push_back(Report(line));
    }
  }
  outcome.text = std::move(text);
  return outcome;
}

bool OnePass(std::string text, const std::vector<TFillLine>& lines, std::size_t max_size,
             TOutcome& outcome) {
  outcome.reports.clear();
  if (!FillTagsInOnePass(
          text, lines, max_size,
          [&](const TFillLine& line) { outcome.reports.push_back(Report(line)); },
          TEncoding::kCp932)) {
    return false;
  }
  outcome.text = std::move(text);
  return true;
}

TEST(TagFillTest, TheOrderRulesOfFillingLineByLine) {
  const std::vector<TFillLine> lines = {
      {"a", "1{$b}", 0, {}},   // a value holding a tag that a later line fills
      {"A", "second", 1, {}},  // a tag gets the first value given for it (letter case ignored)
      {"b", "[{$b}]", 2, {}},  // not searched again by its own line...
      {"", "", 3, "syntax"},   // an error line, reported in turn
      {"b", "<{$c}>", 4, {}},  // ...but by the next line of the same name
      {"c", "C", 5, {}},
  };
  TOutcome outcome;
  ASSERT_TRUE(OnePass("x{$a}y{$B}z{$d}", lines, std::string::npos, outcome));
  EXPECT_EQ(outcome.text, "x1[<C>]y[<C>]z{$d}");
  EXPECT_EQ(outcome.reports, std::vector<std::string>{"syntax"});
  EXPECT_EQ(outcome.text, OneByOne("x{$a}y{$B}z{$d}", lines, std::string::npos).text);

  // Braces that a filled tag could join into a new tag: the caller must go line by line.
  const std::vector<TFillLine> count = {{"Count", "1", 0, {}}, {"Item1", "first", 1, {}}};
  EXPECT_FALSE(OnePass("{$Item{$Count}}", count, std::string::npos, outcome));
  EXPECT_FALSE(OnePass("{$a}", {{"a", "{", 0, {}}}, std::string::npos, outcome));
  // A value ending in a lead byte would pair it with the byte after the tag.
  EXPECT_FALSE(OnePass("{$a}b", {{"a", "\x82", 0, {}}}, std::string::npos, outcome));
}

// Random texts, names and values from pieces that exercise tags, stray braces, letter case,
// double-byte characters (whose second byte may be a brace) and lone lead bytes: wherever the
// one pass accepts the lines, its text and reports are those of filling line by line.
TEST(TagFillTest, SameResultAsLineByLineOnRandomRuns) {
  // Pieces that break the one pass are rarer, so that most cases still take it.
  const std::vector<std::string> pieces = {
      "{$a}",     "{$A}",  "{$b}",        "{$c}", "{$ab}", "{$}",  "x",  "\r\n",
      "\x82\xA0", "{x}",   "{$\x82\xA0}", "{$a}", "{$b}",  "{$c}", "x",  "yz",
      "\x82\xA0", "\x83{", "\x83}",       "\x81", "{",     "}",    "{$", "$"};
  const std::vector<std::string> names = {"a", "A", "b", "c", "ab", "", "\x82\xA0", "x}", "\x83"};
  std::mt19937 random(7);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  auto text_of = [&](std::size_t max_pieces) {
    std::string text;
    for (std::size_t n = pick(max_pieces + 1); n > 0; --n) text += pieces[pick(pieces.size())];
    return text;
  };
  int accepted = 0;
  int refused = 0;
  for (int round = 0; round < 50000; ++round) {
    const std::string text = text_of(10);
    std::vector<TFillLine> lines;
    for (std::size_t n = 1 + pick(6); n > 0; --n) {
      if (pick(10) == 0) {
        lines.push_back({{}, {}, 0, "error " + std::to_string(n)});
      } else {
        lines.push_back({names[pick(names.size())], text_of(4), static_cast<int>(n), {}});
      }
    }
    const std::size_t max_size = pick(3) == 0 ? text.size() + pick(20) : std::string::npos;
    TOutcome one_pass;
    if (!OnePass(text, lines, max_size, one_pass)) continue;
    ++accepted;
    const TOutcome expected = OneByOne(text, lines, max_size);
    ASSERT_EQ(one_pass.text, expected.text) << "text: " << text << " round " << round;
    ASSERT_EQ(one_pass.reports, expected.reports) << "text: " << text << " round " << round;
    for (const std::string& report : expected.reports) refused += report.rfind("refused", 0) == 0;
  }
  // Enough of the cases took the one pass, refusals included, for the comparison to mean much.
  EXPECT_GT(accepted, 5000);
  EXPECT_GT(refused, 100);
}

}  // namespace
}  // namespace zorvik
