// What the find bar looks for in a pane's text, in the pane's encoding: plain text, with or
// without ASCII letter case, or a pattern of the program's own dialect. A hit always starts
// where a character starts, and hits never overlap: they are the ones a replacement of every
// hit would replace.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pattern/pattern_component.h"

namespace zorvik {

enum class TSearchMode { kPlain, kPlainIgnoreCase, kPattern };

struct TSearchHit {
  std::size_t start = 0;   // byte offset
  std::size_t length = 0;  // in bytes
  bool operator==(const TSearchHit&) const = default;
};

class TTextSearch {
 public:
  explicit TTextSearch(TSecondAWKStr& pattern) : pattern_(pattern) {}

  // The encoding of the queries and texts from now on (Shift-JIS at first).
  void SetEncoding(TEncoding encoding) { encoding_ = encoding; }

  // A malformed pattern: the parser's message (CP932) and the position it names.
  struct TQueryError {
    std::string message;
    int position = 0;
  };
  // Sets what to look for; an empty query finds nothing. False for a malformed pattern, which
  // then finds nothing, with *err saying what is wrong and where.
  bool SetQuery(std::string_view query, TSearchMode mode, TQueryError* err);

  std::vector<TSearchHit> FindAll(std::string_view text);
  // Index in hits of the first hit after the selection [start, start + length), wrapping to
  // the first; of the last hit before it, wrapping to the last. Nothing when there are none.
  static std::optional<std::size_t> NextHit(const std::vector<TSearchHit>& hits,
                                            TSearchHit selection);
  static std::optional<std::size_t> PreviousHit(const std::vector<TSearchHit>& hits,
                                                TSearchHit selection);

  // Replaces every hit: plain text as it stands, a pattern's replacement expanded as the
  // pattern component expands it. Returns how many were replaced.
  int ReplaceAll(std::string& text, std::string_view replacement);

 private:
  TSecondAWKStr& pattern_;
  TEncoding encoding_ = TEncoding::kCp932;
  std::string query_;
  TSearchMode mode_ = TSearchMode::kPlain;
};

}  // namespace zorvik
