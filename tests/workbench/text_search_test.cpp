#include "workbench/text_search.h"

#include <gtest/gtest.h>

#include "support/sjis.h"

namespace zorvik {
namespace {

using testing::Sjis;

std::vector<std::size_t> Starts(const std::vector<TSearchHit>& hits) {
  std::vector<std::size_t> starts;
  for (const TSearchHit& hit : hits) starts.push_back(hit.start);
  return starts;
}

// "ア" is 0x83 0x41: its trail byte is the letter "A", which no search may find.
TEST(TextSearchTest, HitsStartOnCharactersInEveryMode) {
  TSecondAWKStr pattern;
  TTextSearch search(pattern);
  TTextSearch::TQueryError error;
  const std::string text = Sjis("アa Aア") + "\x83";  // ends in a lone lead byte
  EXPECT_TRUE(search.SetQuery("A", TSearchMode::kPlain, &error));
  EXPECT_EQ(Starts(search.FindAll(text)), (std::vector<std::size_t>{4}));
  search.SetQuery("a", TSearchMode::kPlainIgnoreCase, &error);
  EXPECT_EQ(Starts(search.FindAll(text)), (std::vector<std::size_t>{2, 4}));
  search.SetQuery("A", TSearchMode::kPattern, &error);
  EXPECT_EQ(Starts(search.FindAll(text)), (std::vector<std::size_t>{4}));
  // A query ending in a lead byte does not match the first half of a character.
  search.SetQuery("\x83", TSearchMode::kPlain, &error);
  EXPECT_EQ(Starts(search.FindAll(text)), (std::vector<std::size_t>{7}));
  search.SetQuery("", TSearchMode::kPlain, &error);
  EXPECT_TRUE(search.FindAll(text).empty());
}

TEST(TextSearchTest, NextAndPreviousPassTheSelectionAndWrap) {
  const std::vector<TSearchHit> hits{{2, 1}, {5, 1}, {9, 0}};
  EXPECT_EQ(TTextSearch::NextHit(hits, {0, 0}), 0u);
  EXPECT_EQ(TTextSearch::NextHit(hits, {2, 1}), 1u);
  EXPECT_EQ(TTextSearch::NextHit(hits, {5, 1}), 2u);
  EXPECT_EQ(TTextSearch::NextHit(hits, {9, 0}), 0u);  // an empty hit selected is passed over
  EXPECT_EQ(TTextSearch::PreviousHit(hits, {5, 1}), 0u);
  EXPECT_EQ(TTextSearch::PreviousHit(hits, {2, 1}), 2u);
  EXPECT_FALSE(TTextSearch::NextHit({}, {0, 0}));
}

TEST(TextSearchTest, ReplaceAllCountsAndMalformedPatternsReplaceNothing) {
  TSecondAWKStr pattern;
  TTextSearch search(pattern);
  TTextSearch::TQueryError error;
  std::string text = Sjis("アA-aア-A");
  search.SetQuery("a", TSearchMode::kPlainIgnoreCase, &error);
  EXPECT_EQ(search.ReplaceAll(text, "\\1"), 3);  // plain: the replacement as it stands
  EXPECT_EQ(text, Sjis("ア\\1-\\1ア-\\1"));
  search.SetQuery("-(.)", TSearchMode::kPattern, &error);
  EXPECT_EQ(search.ReplaceAll(text, "+"), 2);
  EXPECT_EQ(text, Sjis("ア\\1+1ア+1"));

  EXPECT_FALSE(search.SetQuery("[a", TSearchMode::kPattern, &error));
  EXPECT_FALSE(error.message.empty());
  EXPECT_EQ(search.ReplaceAll(text, "x"), 0);
  EXPECT_TRUE(search.FindAll(text).empty());
}

}  // namespace
}  // namespace zorvik
