// The start scan of the automaton: where no match can begin, the text is skipped with byte
// scans (memchr on the one byte every match starts with, or on a byte of the prefix every match
// starts with) instead of being stepped through character by character.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>

#include "pattern/re_dfa.h"
#include "pattern/re_program_facts.h"
#include "text/byte_scan.h"
#include "text/sjis.h"

namespace zorvik {

void TRE_DFA::MakeAccel() {
  ChooseAccel();
  PrepareDelimited();
  // Bytes the start scan looks for anyway need no scan of their own.
  for (const char required : RequiredBytes(nfa_)) {
    const bool scanned =
        (accel_ == kAccelMemchr || accel_ == kAccelPrefix) &&
        (static_cast<unsigned char>(required) == accel_byte_ ||
         (accel_ == kAccelPrefix && accel_prefix_.find(required) != std::string::npos));
    if (!scanned) required_bytes_ += required;
  }
}

void TRE_DFA::ChooseAccel() {
  accel_ = kAccelNone;
  if (class_count_ > 1024) return;  // not worth the analysis
  const Key idle{0};
  std::vector<std::uint8_t> loops(static_cast<std::size_t>(class_count_));
  for (int cls = 0; cls < class_count_; ++cls) {
    const StepResult step = Step(idle, cls);
    loops[cls] = step.trivial && step.next == idle;
  }
  // Whether every character that starts with byte b leaves the idle state as it is.
  const auto skippable_from = [&](unsigned b) {
    if (nfa_.Encoding() == TEncoding::kUtf8 && b >= 0x80) {
      // The code points whose sequences start with b, and b as a byte of its own.
      if (!loops[HighClass(kInvalidUtf8Byte + b)]) return false;
      if (b < 0xC2 || b > 0xF4) return true;
      const std::uint32_t lo = b < 0xE0   ? (b - 0xC0) << 6
                               : b < 0xF0 ? (b - 0xE0) << 12
                                          : (b - 0xF0) << 18;
      const std::uint32_t hi = lo + (b < 0xE0 ? 0x3F : b < 0xF0 ? 0xFFF : 0x3FFFF);
      const auto class_of = [&](std::uint32_t code) {
        return code < 0x10000 ? static_cast<int>(class_of_[code]) : HighClass(code);
      };
      for (int cls = class_of(std::max<std::uint32_t>(lo, 0x80)); cls <= class_of(hi); ++cls) {
        if (!loops[cls]) return false;
      }
      return true;
    }
    bool skippable = loops[class_of_[b]];
    for (unsigned t = 0; skippable && nfa_.Encoding() == TEncoding::kCp932 &&
                         IsLeadByte(static_cast<unsigned char>(b)) && t < 256;
         ++t) {
      skippable = loops[class_of_[(b << 8) | t]];
    }
    return skippable;
  };
  int starters = 0;
  for (unsigned b = 1; b < 256; ++b) {
    const bool skippable = skippable_from(b);
    if (!skippable) {
      ++starters;
      accel_byte_ = static_cast<unsigned char>(b);
    }
  }
  if (starters == 0) accel_ = kAccelToEnd;
  if (starters != 1) return;
  accel_ = kAccelMemchr;
  // The prefix scan jumps over line ends, so it needs a pattern without "^".
  std::string prefix = RequiredPrefix(nfa_, 16);
  if (!nfa_.HasLineStart() && prefix.size() >= 2 &&
      static_cast<unsigned char>(prefix[0]) == accel_byte_) {
    accel_ = kAccelPrefix;
    accel_prefix_ = std::move(prefix);
    // A prefix of up to eight bytes is also held as a word (and a mask of its bytes), laid
    // out as the text's bytes are, to be compared with them in one go.
    std::array<unsigned char, 8> word{};
    std::array<unsigned char, 8> mask{};
    for (std::size_t i = 0; i < std::min<std::size_t>(accel_prefix_.size(), 8); ++i) {
      word[i] = static_cast<unsigned char>(accel_prefix_[i]);
      mask[i] = 0xFF;
    }
    std::memcpy(&accel_prefix_word_, word.data(), 8);
    std::memcpy(&accel_prefix_mask_, mask.data(), 8);
    // The byte scanned for is the prefix's first, unless that one is common in pages and a
    // later one is not: "$" of "{$" never stands inside a double-byte character, while "{"
    // is the second byte of many ("本" is 0x96 0x7B).
    accel_scan_at_ = 0;
    for (std::size_t k = 0; k < accel_prefix_.size(); ++k) {
      if (IsRareInPages(static_cast<unsigned char>(accel_prefix_[k]))) {
        accel_scan_at_ = k;
        break;
      }
    }
  }
}

bool TRE_DFA::PrefixAt(std::string_view text, std::size_t q) const {
  const std::size_t size = accel_prefix_.size();
  if (text.size() - q < size) return false;
  if (size <= 8 && text.size() - q >= 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + q, 8);
    return (word & accel_prefix_mask_) == accel_prefix_word_;
  }
  return std::memcmp(text.data() + q, accel_prefix_.data(), size) == 0;
}

bool TRE_DFA::IsRareInPages(unsigned char b) {
  // Below 0x40 a byte is always a character of its own; these seldom are one in a page.
  return (b > 0 && b < 0x20 && b != '\t' && b != '\n' && b != '\r') || b == '$' || b == '%' ||
         b == '*' || b == '+' || b == '?';
}

template <bool kEndsAtNul>
std::size_t TRE_DFA::SkipIdle(std::string_view text, std::size_t p) const {
  const auto nul_before = [&](std::size_t from, std::size_t to) {
    const void* nul = from < to ? std::memchr(text.data() + from, '\0', to - from) : nullptr;
    return nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - text.data())
                          : to;
  };
  if (accel_ == kAccelToEnd) return kEndsAtNul ? nul_before(p, text.size()) : text.size();
  // Candidates come from a byte scan; boundary is the last offset known to start a character,
  // and moves up with every candidate, so the text is still walked only once.
  std::size_t boundary = p;
  // With a prefix, memchr on one of its bytes goes first (at offset k in it): in most texts
  // that byte is rare and memchr is the fastest scan there is. When its hits come thick, the
  // scan for both ends of the prefix at once takes over.
  const std::size_t k = accel_ == kAccelPrefix ? accel_scan_at_ : 0;
  const auto scan_byte = static_cast<unsigned char>(k > 0 ? accel_prefix_[k] : accel_byte_);
  if (kEndsAtNul && k > 0) {
    // The scans below start k bytes on; a NUL before that ends the text there.
    const std::size_t until = std::min(p + k, text.size());
    const std::size_t nul = nul_before(p, until);
    if (nul < until) return nul;
  }
  int dense_hits = 0;
  for (std::size_t from = p;;) {
    std::size_t q;
    if (from + k >= text.size()) {
      return kEndsAtNul ? nul_before(from, text.size()) : text.size();
    } else if (accel_ == kAccelPrefix && dense_hits > 8) {
      q = FindByteEnds(text.data(), from, text.size(), MakeProbe(accel_byte_, false),
                       MakeProbe(static_cast<unsigned char>(accel_prefix_.back()), false),
                       accel_prefix_.size() - 1, kEndsAtNul);
      // (A NUL among the last bytes, where no candidate fits, changes nothing: no match starts.)
      if (q >= text.size() || (kEndsAtNul && text[q] == '\0')) return q;
    } else if (kEndsAtNul) {
      const std::size_t hit = FindByteOrNul(text.data(), from + k, text.size(), scan_byte);
      if (hit >= text.size() || text[hit] == '\0') return hit;
      q = hit - k;
      if (q - from < kDenseHitDistance) ++dense_hits;
    } else {
      const void* hit = std::memchr(text.data() + from + k, scan_byte, text.size() - from - k);
      if (hit == nullptr) return text.size();
      q = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) - k;
      if (q - from < kDenseHitDistance) ++dense_hits;
    }
    const bool starts_char = IsCharStartFrom(text, boundary, q, nfa_.Encoding());
    // After a Shift-JIS trail byte a character starts; a UTF-8 sequence may run on.
    if (starts_char || nfa_.Encoding() == TEncoding::kCp932) boundary = starts_char ? q : q + 1;
    // A start without the whole prefix cannot match, so the state after it is idle again.
    if (starts_char && (accel_ == kAccelMemchr || PrefixAt(text, q))) {
      return q;
    }
    from = q + 1;
  }
}

template std::size_t TRE_DFA::SkipIdle<true>(std::string_view text, std::size_t p) const;
template std::size_t TRE_DFA::SkipIdle<false>(std::string_view text, std::size_t p) const;

}  // namespace zorvik
