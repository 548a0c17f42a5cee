#include "text/byte_validity.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zorvik {
namespace {

// The exact walk, character by character.
std::optional<std::size_t> ScalarFirstInvalidCp932(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) continue;
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    if (!lead || i + 1 >= text.size()) return i;
    const auto t = static_cast<unsigned char>(text[i + 1]);
    if (t < 0x40 || t == 0x7F || t > 0xFC) return i;
    ++i;
  }
  return std::nullopt;
}

#if defined(__SSE2__)
// Whether every byte of text belongs to a CP932 character, 64 bytes at a time. Inside a run of
// bytes that can lead (0x81-0x9F, 0xE0-0xFC) leads and trails alternate, and every such byte
// is a good trail; so only a byte that cannot lead needs a look: after a run of odd length it
// is a trail, else a character of its own. The runs' parity comes from carries, as a JSON
// parser finds the quotes that odd runs of backslashes escape.
struct TBlockMasks {
  std::uint64_t can_lead = 0;
  std::uint64_t bad_single = 0;
  std::uint64_t bad_trail = 0;
};

__m128i InRange(__m128i x, unsigned char low, unsigned char high) {
  const __m128i shifted = _mm_sub_epi8(x, _mm_set1_epi8(static_cast<char>(low)));
  const __m128i over = _mm_subs_epu8(shifted, _mm_set1_epi8(static_cast<char>(high - low)));
  return _mm_cmpeq_epi8(over, _mm_setzero_si128());
}

std::uint64_t Bits(__m128i mask) { return static_cast<std::uint16_t>(_mm_movemask_epi8(mask)); }

TBlockMasks MasksOf(const unsigned char* block) {
  TBlockMasks masks;
  for (std::size_t part = 0; part < 4; ++part) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
    const __m128i lead = _mm_or_si128(InRange(x, 0x81, 0x9F), InRange(x, 0xE0, 0xFC));
    const __m128i single = _mm_or_si128(InRange(x, 0x00, 0x7F), InRange(x, 0xA1, 0xDF));
    const __m128i trail = _mm_or_si128(InRange(x, 0x40, 0x7E), InRange(x, 0x80, 0xFC));
    const std::size_t shift = 16 * part;
    masks.can_lead |= Bits(lead) << shift;
    masks.bad_single |= (Bits(single) ^ 0xFFFF) << shift;
    masks.bad_trail |= (Bits(trail) ^ 0xFFFF) << shift;
  }
  return masks;
}

bool AllCp932(std::string_view text) {
  constexpr std::uint64_t kEven = 0x5555555555555555ULL;
  std::uint64_t odd_carry = 0;  // 1 when a run of odd length so far crosses into this block
  std::uint64_t bad = 0;
  // The last block is padded with NUL: a lead at the very end then meets a NUL as its trail.
  const auto* data = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t at = 0; at <= text.size(); at += 64) {
    unsigned char last[64] = {};
    const bool whole = text.size() - at >= 64;
    if (!whole) std::memcpy(last, data + at, text.size() - at);
    const TBlockMasks m = MasksOf(whole ? data + at : last);
    const std::uint64_t runs = m.can_lead;
    const std::uint64_t starts = runs & ~(runs << 1);
    const std::uint64_t even_start_mask = kEven ^ odd_carry;
    const std::uint64_t even_starts = starts & even_start_mask;
    const std::uint64_t odd_starts = starts & ~even_start_mask;
    const std::uint64_t even_carries = runs + even_starts;
    std::uint64_t odd_carries = runs + odd_starts;
    const std::uint64_t carry_out = odd_carries < runs ? 1 : 0;
    odd_carries |= odd_carry;
    odd_carry = carry_out;
    const std::uint64_t after_odd_run =
        ((even_carries & ~runs) & ~kEven) | ((odd_carries & ~runs) & kEven);
    bad |= (after_odd_run & m.bad_trail) | (~runs & ~after_odd_run & m.bad_single);
  }
  return bad == 0;
}
#endif

}  // namespace

std::optional<std::size_t> FirstInvalidCp932(std::string_view text) {
#if defined(__SSE2__)
  if (AllCp932(text)) return std::nullopt;
#endif
  return ScalarFirstInvalidCp932(text);
}

std::optional<std::size_t> FirstInvalidByte(std::string_view text, TEncoding encoding) {
  return encoding == TEncoding::kUtf8 ? FirstInvalidUtf8(text) : FirstInvalidCp932(text);
}

}  // namespace zorvik
