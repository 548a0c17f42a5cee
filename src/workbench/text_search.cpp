#include "workbench/text_search.h"

#include "text/sjis.h"

namespace zorvik {
namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// True when query stands at byte i of text, character by character; without case, only
// single-byte characters are folded (a trail byte that looks like a letter is not one).
bool PlainAt(std::string_view text, std::size_t i, std::string_view query, bool ignore_case,
             TEncoding encoding) {
  if (text.size() - i < query.size()) return false;
  for (std::size_t j = 0; j < query.size();) {
    const std::size_t len = CharBytesAt(query, j, encoding);
    if (len == 1 && ignore_case) {
      if (AsciiLower(text[i + j]) != AsciiLower(query[j])) return false;
    } else if (text.compare(i + j, len, query, j, len) != 0) {
      return false;
    }
    j += len;
  }
  // The query's last character must end where the text's does: a lone lead byte at its end
  // would otherwise match the first half of a double-byte character.
  const std::size_t end = i + query.size();
  return end == text.size() || IsCharStartFrom(text, i, end, encoding);
}

}  // namespace

bool TTextSearch::SetQuery(std::string_view query, TSearchMode mode, TQueryError* err) {
  query_ = query;
  mode_ = mode;
  if (mode != TSearchMode::kPattern || query.empty()) return true;
  const TPatternEncodingScope scope(pattern_, encoding_);
  try {
    pattern_.SetRegExp(query);
  } catch (const ERegExpParser& error) {
    query_.clear();
    *err = {error.what(), error.ErrorPos};
    return false;
  }
  return true;
}

std::vector<TSearchHit> TTextSearch::FindAll(std::string_view text) {
  std::vector<TSearchHit> hits;
  if (query_.empty()) return hits;
  if (mode_ == TSearchMode::kPattern) {
    const TPatternEncodingScope scope(pattern_, encoding_);
    pattern_.SetRegExp(query_);
    for (const auto& match : pattern_.MatchAll(text)) {
      hits.push_back(
          {static_cast<std::size_t>(match.position - 1), static_cast<std::size_t>(match.length)});
    }
    return hits;
  }
  const bool ignore_case = mode_ == TSearchMode::kPlainIgnoreCase;
  for (std::size_t i = 0; i < text.size();) {
    if (PlainAt(text, i, query_, ignore_case, encoding_)) {
      hits.push_back({i, query_.size()});
      i += query_.size();
    } else {
      i += CharBytesAt(text, i, encoding_);
    }
  }
  return hits;
}

std::optional<std::size_t> TTextSearch::NextHit(const std::vector<TSearchHit>& hits,
                                                TSearchHit selection) {
  if (hits.empty()) return std::nullopt;
  const std::size_t end = selection.start + selection.length;
  for (std::size_t i = 0; i < hits.size(); ++i) {
    // The selected hit itself is passed over, also when it is empty.
    if (hits[i].start >= end && hits[i] != selection) return i;
  }
  return 0;
}

std::optional<std::size_t> TTextSearch::PreviousHit(const std::vector<TSearchHit>& hits,
                                                    TSearchHit selection) {
  if (hits.empty()) return std::nullopt;
  for (std::size_t i = hits.size(); i-- > 0;) {
    if (hits[i].start < selection.start) return i;
  }
  return hits.size() - 1;
}

int TTextSearch::ReplaceAll(std::string& text, std::string_view replacement) {
  if (query_.empty()) return 0;
  if (mode_ == TSearchMode::kPattern) {
    const TPatternEncodingScope scope(pattern_, encoding_);
    pattern_.SetRegExp(query_);
    return pattern_.ReplaceAll(replacement, text);
  }
  const std::vector<TSearchHit> hits = FindAll(text);
  if (hits.empty()) return 0;
  std::string output;
  output.reserve(text.size());
  std::size_t rest = 0;
  for (const TSearchHit& hit : hits) {
    output.append(text, rest, hit.start - rest).append(replacement);
    rest = hit.start + hit.length;
  }
  output.append(text, rest);
  text.swap(output);
  return static_cast<int>(hits.size());
}

}  // namespace zorvik
