// Matches of a literal, a class repeated and a closing character ("<[^>]*>"), found without the
// automaton: the start scan finds the literal, a byte scan the first character after it that
// the class does not hold, and the match is there when that one is the closing character.
#include <algorithm>

#include "pattern/re_decode.h"
#include "pattern/re_dfa.h"

namespace zorvik {

void TRE_DFA::PrepareDelimited() {
  const std::optional<TREDelimited>& shape = nfa_.Delimited();
  // The literal is found by the start scan, which has to be one for a literal.
  if (!shape || (accel_ != kAccelMemchr && accel_ != kAccelPrefix)) return;
  const TCodeRanges& set = nfa_.Sets()[shape->set];
  const auto held = [&](std::uint32_t code) { return RangesContain(set, code); };
  for (unsigned b = 0; b < 256; ++b) {
    bool stops = !held(b);
    if (nfa_.Encoding() == TEncoding::kCp932 && IsLeadByte(static_cast<unsigned char>(b))) {
      for (unsigned t = 0; t < 256 && !stops; ++t) stops = !held((b << 8) | t);
    }
    delimited_stops_[b] = stops;
  }
  if (nfa_.Encoding() == TEncoding::kUtf8) {
    // Only a class that holds every character beyond ASCII: a byte below 0x80 is then the
    // only kind that can stop the scan, and it always starts a character.
    for (std::uint32_t b = 0x80; b < 0x100; ++b) {
      if (!held(kInvalidUtf8Byte + b)) return;
    }
    std::uint32_t next = 0x80;  // the first code point beyond ASCII not yet known to be held
    for (const auto& [lo, hi] : set) {
      if (lo <= next && hi >= next) next = hi + 1;
    }
    if (next <= 0x10FFFF) return;
    for (unsigned b = 0x80; b < 256; ++b) delimited_stops_[b] = false;
  }
  delimited_ = true;
}

std::size_t TRE_DFA::SkipClassBytes(const unsigned char* bytes, std::size_t q,
                                    std::size_t n) const {
  // The first bytes one by one, for short runs such as the name of a tag; then eight bytes a
  // round with one branch: a loop of one byte and one branch a round runs at half the speed, or
  // less where its branch happens to straddle a 32-byte boundary.
  const bool* stops = delimited_stops_.data();
  for (const std::size_t first = std::min(n, q + 4); q < first; ++q) {
    if (stops[bytes[q]]) return q;
  }
  for (; q + 8 <= n; q += 8) {
    if (stops[bytes[q]] | stops[bytes[q + 1]] | stops[bytes[q + 2]] | stops[bytes[q + 3]] |
        stops[bytes[q + 4]] | stops[bytes[q + 5]] | stops[bytes[q + 6]] | stops[bytes[q + 7]]) {
      break;
    }
  }
  while (q < n && !stops[bytes[q]]) ++q;
  return q;
}

template <bool kEndsAtNul>
TREFindResult TRE_DFA::FindDelimited(std::string_view text, std::size_t from) {
  const TREDelimited& shape = *nfa_.Delimited();
  const TCodeRanges& set = nfa_.Sets()[shape.set];
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  const std::size_t k = shape.prefix.size();
  const bool utf8 = nfa_.Encoding() == TEncoding::kUtf8;
  std::size_t at = from;
  bool required_checked = false;
  for (;;) {
    // The literal at a character's start (the scan knows where characters start).
    const std::size_t s = SkipIdle<kEndsAtNul>(text, at);
    if (s >= n || (kEndsAtNul && bytes[s] == 0)) return {};
    // Without the closing character further on, there is no match to walk to.
    if (!required_checked) {
      if (LacksRequired(text, s)) return {};
      required_checked = true;
    }
    if (text.compare(s, k, shape.prefix) != 0) {
      at = s + 1;  // the literal's first byte is a character of its own
      continue;
    }
    // The first character from s + k that the class does not hold: the bytes that cannot
    // begin one are passed over, and a byte that can is taken only where a character starts.
    std::size_t q = s + k;
    std::size_t boundary = q;  // a known start of a character
    for (;;) {
      q = SkipClassBytes(bytes, q, n);
      if (q >= n) return {};  // the text ends in the class: no later start matches either
      if (kEndsAtNul && bytes[q] == 0) return {};
      if (!IsCharStartFrom(text, boundary, q, nfa_.Encoding())) {
        boundary = ++q;  // after the second byte of a Shift-JIS character (UTF-8: no stop)
        continue;
      }
      boundary = q;
      std::uint32_t code = 0;
      std::size_t len = 1;
      if (utf8) {
        DecodeAt<kEndsAtNul, true>(bytes, n, q, code, len);
      } else {
        DecodeAt<kEndsAtNul, false>(bytes, n, q, code, len);
      }
      if (code == shape.last) return {true, s, q + 1};
      if (!RangesContain(set, code)) break;
      q += len;
    }
    // Every later start whose literal ends by q meets the same character and fails the same;
    // the scan goes on from the first character that could still hold the literal's start.
    at = q + 1 - k;
    while (at < q && !IsCharStartFrom(text, s, at, nfa_.Encoding())) ++at;
  }
}

template TREFindResult TRE_DFA::FindDelimited<true>(std::string_view text, std::size_t from);
template TREFindResult TRE_DFA::FindDelimited<false>(std::string_view text, std::size_t from);

}  // namespace zorvik
