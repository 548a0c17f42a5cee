// The pattern component: holds one pattern at a time and finds or replaces its matches in
// Shift-JIS text, or in UTF-8 text once told so (then "." and classes take whole UTF-8
// characters, and a class range goes by code point).
//
//   TRegularExpression  the pattern, the preprocessor and the cache of compiled patterns
//   TMatchCORE          the line separator and the search
//   TMatchCORE2         the dictionary switches and the replacement expansion
//   TSecondAWKStr       Match and ReplaceAll
//
// Matching is leftmost, then longest; a match starts only where a character starts. A subject
// ends at its first NUL byte; in ReplaceAll, bytes after it are kept as they are.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pattern/re_dfa.h"
#include "pattern/re_syntax.h"

namespace zorvik {

// Passes patterns through unchanged: the fuzzy-character and synonym dictionaries that it
// could expand them with are switched off in this system.
class TREPreProcessor {
 public:
  std::string Process(std::string_view pattern) const { return std::string(pattern); }
};

enum TMatchLineSeparator { mcls_CRLF, mcls_LF };

class TRegularExpression {
 public:
  static constexpr std::size_t kCacheSize = 30;

  TRegularExpression();
  TRegularExpression(const TRegularExpression&) = delete;
  TRegularExpression& operator=(const TRegularExpression&) = delete;
  virtual ~TRegularExpression();

  const std::string& RegExp() const { return reg_exp_; }
  // Makes pattern current, compiling it unless it is cached. On a malformed pattern throws
  // ERegExpParser and leaves the empty pattern current.
  void SetRegExp(std::string_view pattern);

  // The cached patterns, most recently compiled after the empty one (for inspection).
  std::vector<std::string> CachedPatterns() const;

  // The encoding of the patterns and the texts from now on (Shift-JIS at first); the cached
  // patterns are compiled again for it.
  void SetEncoding(TEncoding encoding);
  TEncoding Encoding() const { return encoding_; }

 protected:
  TRE_DFA& Current() { return *cache_[current_].dfa; }
  // Rebuilds every cached automaton for another line separator.
  void SetCrLf(bool crlf);

 private:
  struct Entry {
    std::string pattern;
    std::unique_ptr<TRE_DFA> dfa;
  };
  std::unique_ptr<TRE_DFA> Compile(std::string_view pattern) const;

  TREPreProcessor preprocessor_;
  std::string reg_exp_;
  std::vector<Entry> cache_;
  std::size_t current_ = 0;
  bool crlf_ = true;
  TEncoding encoding_ = TEncoding::kCp932;
};

// Puts a component into an encoding for as long as it lives, and back into its own after: the
// component the engine shares with the windows stays Shift-JIS for the engine.
class TPatternEncodingScope {
 public:
  TPatternEncodingScope(TRegularExpression& pattern, TEncoding encoding)
      : pattern_(pattern), saved_(pattern.Encoding()) {
    pattern_.SetEncoding(encoding);
  }
  ~TPatternEncodingScope() { pattern_.SetEncoding(saved_); }
  TPatternEncodingScope(const TPatternEncodingScope&) = delete;
  TPatternEncodingScope& operator=(const TPatternEncodingScope&) = delete;

 private:
  TRegularExpression& pattern_;
  TEncoding saved_;
};

class TMatchCORE : public TRegularExpression {
 public:
  TMatchLineSeparator LineSeparator() const { return line_separator_; }
  void SetLineSeparator(TMatchLineSeparator separator);

 protected:
  TREFindResult FindFrom(std::string_view text, std::size_t from, bool line_start_at_from,
                         bool ends_at_nul = false) {
    return Current().Find(text, from, line_start_at_from, ends_at_nul);
  }

 private:
  TMatchLineSeparator line_separator_ = mcls_CRLF;
};

class TMatchCORE2 : public TMatchCORE {
 public:
  bool UseFuzzyCharDic = false;
  bool UseSynonymDic = false;
};

class TSecondAWKStr : public TMatchCORE2 {
 public:
  struct TMatchResult {
    std::int64_t position = 0;  // 1-based byte position, 0 when there is no match
    std::int64_t length = 0;    // in bytes
  };
  TMatchResult Match(std::string_view subject);
  // Every match, left to right, as ReplaceAll would replace them.
  std::vector<TMatchResult> MatchAll(std::string_view subject);

  // Replaces every match in subject (non-overlapping, replaced text not searched again) and
  // returns the number of replacements; subject is unchanged when it is 0.
  int ReplaceAll(std::string_view replacement, std::string& subject);

 private:
  // Calls on_match(start, end) for every match in subject, up to its first NUL, in turn; after
  // an empty match the scan moves one character on.
  template <typename OnMatch>
  void ForEachMatch(std::string_view subject, OnMatch&& on_match);
};

}  // namespace zorvik
