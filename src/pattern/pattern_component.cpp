#include "pattern/pattern_component.h"

#include <cstring>
#include <optional>

#include "pattern/re_parser.h"
#include "pattern/re_replacement.h"
#include "text/sjis.h"

namespace zorvik {

TRegularExpression::TRegularExpression() { cache_.push_back({std::string(), Compile({})}); }

TRegularExpression::~TRegularExpression() = default;

std::unique_ptr<TRE_DFA> TRegularExpression::Compile(std::string_view pattern) const {
  return std::make_unique<TRE_DFA>(
      TRE_NFA(TREParser::Parse(preprocessor_.Process(pattern), encoding_)), crlf_);
}

void TRegularExpression::SetRegExp(std::string_view pattern) {
  for (std::size_t i = 0; i < cache_.size(); ++i) {
    if (cache_[i].pattern == pattern) {
      current_ = i;
      reg_exp_ = pattern;
      return;
    }
  }
  if (cache_.size() >= kCacheSize) cache_.pop_back();
  try {
    cache_.insert(cache_.begin() + 1, {std::string(pattern), Compile(pattern)});
  } catch (const ERegExpParser&) {
    current_ = 0;
    reg_exp_.clear();
    throw;
  }
  current_ = 1;
  reg_exp_ = pattern;
}

std::vector<std::string> TRegularExpression::CachedPatterns() const {
  std::vector<std::string> patterns;
  for (const Entry& entry : cache_) patterns.push_back(entry.pattern);
  return patterns;
}

void TRegularExpression::SetCrLf(bool crlf) {
  if (crlf == crlf_) return;
  crlf_ = crlf;
  for (Entry& entry : cache_) entry.dfa = Compile(entry.pattern);
}

void TRegularExpression::SetEncoding(TEncoding encoding) {
  if (encoding == encoding_) return;
  encoding_ = encoding;
  // A pattern that does not compile in the new encoding leaves the cache.
  std::vector<Entry> kept;
  for (Entry& entry : cache_) {
    try {
      kept.push_back({entry.pattern, Compile(entry.pattern)});
    } catch (const ERegExpParser&) {
    }
  }
  cache_ = std::move(kept);
  current_ = 0;
  for (std::size_t i = 0; i < cache_.size(); ++i) {
    if (cache_[i].pattern == reg_exp_) current_ = i;
  }
  if (current_ == 0) reg_exp_.clear();
}

void TMatchCORE::SetLineSeparator(TMatchLineSeparator separator) {
  line_separator_ = separator;
  SetCrLf(separator == mcls_CRLF);
}

TSecondAWKStr::TMatchResult TSecondAWKStr::Match(std::string_view subject) {
  // The subject ends at its first NUL, which the search meets on its way.
  const TREFindResult found = FindFrom(subject, 0, true, true);
  if (!found.found) return {};
  return {static_cast<std::int64_t>(found.start + 1),
          static_cast<std::int64_t>(found.end - found.start)};
}

template <typename OnMatch>
void TSecondAWKStr::ForEachMatch(std::string_view subject, OnMatch&& on_match) {
  // The text ends at the subject's first NUL, which the searches meet on their way: a scan of
  // its own would read a large subject once more.
  const auto at_end = [&](std::size_t at) { return at >= subject.size() || subject[at] == '\0'; };
  TREFindResult found = FindFrom(subject, 0, true, true);
  if (!found.found) return;
  for (;;) {
    // "^" holds at the start of the rest only when the last character consumed was LF. (Worked
    // out before on_match, which may overwrite the text before found.end.)
    bool after_lf = found.end > found.start && subject[found.end - 1] == '\n' &&
                    IsCharStartFrom(subject, found.start, found.end - 1, Encoding());
    on_match(found.start, found.end);
    std::size_t rest = found.end;
    if (found.start == found.end && !at_end(rest)) {
      // An empty match moves one character on, so that the scan advances; under CR LF lines
      // a CR goes together with its LF. A lead byte before the NUL stands alone.
      const bool last = at_end(rest + 1);
      std::size_t len = last ? 1 : CharBytesAt(subject, rest, Encoding());
      if (LineSeparator() == mcls_CRLF && !last && subject[rest] == '\r' &&
          subject[rest + 1] == '\n') {
        len = 2;
      }
      after_lf = subject[rest + len - 1] == '\n' && (len == 1 || subject[rest] == '\r');
      rest += len;
    }
    if (at_end(rest)) break;
    found = FindFrom(subject, rest, after_lf, true);
    if (!found.found) break;
  }
}

std::vector<TSecondAWKStr::TMatchResult> TSecondAWKStr::MatchAll(std::string_view subject) {
  std::vector<TMatchResult> matches;
  ForEachMatch(subject, [&](std::size_t start, std::size_t end) {
    matches.push_back(
        {static_cast<std::int64_t>(start + 1), static_cast<std::int64_t>(end - start)});
  });
  return matches;
}

int TSecondAWKStr::ReplaceAll(std::string_view replacement, std::string& subject) {
  const std::string_view text = subject;
  std::optional<TREReplacement> expansion;
  // The result is built over the subject itself as long as every replacement is fixed and no
  // longer than what it replaces, so that it never reaches bytes not yet searched (removing
  // tags, collapsing blank lines); from the first that is not, in a new string.
  char* const base = subject.data();
  std::size_t written = 0;  // result bytes at the start of subject, while building in place
  std::string output;
  bool in_place = true;
  int count = 0;
  std::size_t rest = 0;
  ForEachMatch(text, [&](std::size_t start, std::size_t end) {
    if (!expansion) expansion.emplace(replacement, Encoding());
    const std::string* fixed = expansion->Fixed();
    if (in_place && fixed != nullptr && fixed->size() <= end - start) {
      std::memmove(base + written, base + rest, start - rest);
      written += start - rest;
      // Bytes within the text, not a C string.
      // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
      std::memcpy(base + written, fixed->data(), fixed->size());
      written += fixed->size();
    } else {
      if (in_place) {
        output.reserve(subject.size() + subject.size() / 8);
        output.assign(base, written);
        in_place = false;
      }
      output.append(text.substr(rest, start - rest));
      expansion->AppendTo(output, text.substr(start, end - start));
    }
    rest = end;
    ++count;
  });
  if (count == 0) return 0;
  if (in_place) {
    std::memmove(base + written, base + rest, subject.size() - rest);
    subject.resize(written + subject.size() - rest);
  } else {
    output.append(std::string_view(subject).substr(rest));
    subject.swap(output);
  }
  return count;
}

}  // namespace zorvik
