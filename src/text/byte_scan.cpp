#include "text/byte_scan.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace zorvik {
namespace {

bool Matches(char c, TByteProbe probe) {
  return (static_cast<unsigned char>(c) | probe.fold) == probe.value;
}

template <bool kOrNul>
std::size_t ScalarEnds(const char* data, std::size_t i, std::size_t size, TByteProbe first,
                       TByteProbe last, std::size_t distance) {
  if (!kOrNul && first.fold == 0) {
    while (i + distance < size) {
      const void* hit = std::memchr(data + i, first.value, size - distance - i);
      if (hit == nullptr) break;
      i = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
      if (Matches(data[i + distance], last)) return i;
      ++i;
    }
    return size;
  }
  for (; i + distance < size; ++i) {
    if (kOrNul && data[i] == '\0') return i;
    if (Matches(data[i], first) && Matches(data[i + distance], last)) return i;
  }
  return size;
}

std::size_t ScalarByteOrNul(const char* data, std::size_t i, std::size_t size, unsigned char a) {
  for (; i < size; ++i) {
    const auto c = static_cast<unsigned char>(data[i]);
    if (c == a || c == 0) return i;
  }
  return size;
}

#if defined(__x86_64__)
// Zero in the bytes of the 32 at data that are a or NUL: the smaller of x ^ a and x (strchr's
// trick), one comparison for both.
__attribute__((target("avx2"))) inline __m256i ZeroWhereByteOrNul(const char* data, __m256i a) {
  const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data));
  return _mm256_min_epu8(_mm256_xor_si256(x, a), x);
}

// The bytes of v that are zero, as bits.
__attribute__((target("avx2"))) inline unsigned ZeroBits(__m256i v, __m256i zero) {
  return static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, zero)));
}

__attribute__((target("avx2"))) std::size_t Avx2ByteOrNul(const char* data, std::size_t i,
                                                          std::size_t size, unsigned char a) {
  const __m256i va = _mm256_set1_epi8(static_cast<char>(a));
  const __m256i zero = _mm256_setzero_si256();
  // One unaligned look, then aligned ones from the next 32-byte boundary: loads that straddle
  // cache lines would cost a third of the speed.
  if (i + 32 <= size) {
    const unsigned mask = ZeroBits(ZeroWhereByteOrNul(data + i, va), zero);
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
    i += 32 - (reinterpret_cast<std::uintptr_t>(data + i) & 31);
  }
  // 128 bytes a round, as memchr does: four loads, one test.
  for (; i + 128 <= size; i += 128) {
    const __m256i m0 = ZeroWhereByteOrNul(data + i, va);
    const __m256i m1 = ZeroWhereByteOrNul(data + i + 32, va);
    const __m256i m2 = ZeroWhereByteOrNul(data + i + 64, va);
    const __m256i m3 = ZeroWhereByteOrNul(data + i + 96, va);
    const __m256i all = _mm256_min_epu8(_mm256_min_epu8(m0, m1), _mm256_min_epu8(m2, m3));
    if (ZeroBits(all, zero) == 0) continue;
    // Which of the four without a branch each: a hit's place in a round is anyone's guess.
    const std::uint64_t low = ZeroBits(m0, zero) | std::uint64_t{ZeroBits(m1, zero)} << 32;
    const std::uint64_t high = ZeroBits(m2, zero) | std::uint64_t{ZeroBits(m3, zero)} << 32;
    return i +
           static_cast<std::size_t>(low != 0 ? __builtin_ctzll(low) : 64 + __builtin_ctzll(high));
  }
  for (; i + 32 <= size; i += 32) {
    const unsigned mask = ZeroBits(ZeroWhereByteOrNul(data + i, va), zero);
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
  return ScalarByteOrNul(data, i, size, a);
}

template <bool kOrNul>
__attribute__((target("avx2"))) std::size_t Avx2Ends(const char* data, std::size_t i,
                                                     std::size_t size, TByteProbe first,
                                                     TByteProbe last, std::size_t distance) {
  const __m256i a = _mm256_set1_epi8(static_cast<char>(first.value));
  const __m256i a_fold = _mm256_set1_epi8(static_cast<char>(first.fold));
  const __m256i b = _mm256_set1_epi8(static_cast<char>(last.value));
  const __m256i b_fold = _mm256_set1_epi8(static_cast<char>(last.fold));
  for (; i + distance + 32 <= size; i += 32) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
    const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i + distance));
    __m256i hits = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(x, a_fold), a),
                                    _mm256_cmpeq_epi8(_mm256_or_si256(y, b_fold), b));
    if (kOrNul) hits = _mm256_or_si256(hits, _mm256_cmpeq_epi8(x, _mm256_setzero_si256()));
    const auto mask = static_cast<unsigned>(_mm256_movemask_epi8(hits));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
  return ScalarEnds<kOrNul>(data, i, size, first, last, distance);
}

// Each block's CR and LF bits: the LF bits must be the CR bits moved one on, the CR of the
// block before carried in.
__attribute__((target("avx2"))) bool Avx2LineEndsAreCrLf(const char* data, std::size_t size,
                                                         std::size_t& i, bool& carry) {
  const __m256i cr = _mm256_set1_epi8('\r');
  const __m256i lf = _mm256_set1_epi8('\n');
  for (; i + 32 <= size; i += 32) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
    const auto c = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(x, cr)));
    const auto l = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(x, lf)));
    if (l != ((c << 1) | (carry ? 1u : 0u))) return false;
    carry = (c >> 31) != 0;
  }
  return true;
}
#endif

}  // namespace

bool LineEndsAreCrLf(const char* data, std::size_t size) {
  std::size_t i = 0;
  bool carry = false;  // the byte before i is a CR
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2 && !Avx2LineEndsAreCrLf(data, size, i, carry)) return false;
#endif
  for (; i < size; ++i) {
    const bool is_lf = data[i] == '\n';
    if (is_lf != carry) return false;
    carry = data[i] == '\r';
  }
  return !carry;
}

TByteProbe MakeProbe(unsigned char b, bool ignore_case) {
  const bool letter = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
  if (ignore_case && letter) return {static_cast<unsigned char>(b | 0x20), 0x20};
  return {b, 0};
}

std::size_t FindByteEnds(const char* data, std::size_t from, std::size_t size, TByteProbe first,
                         TByteProbe last, std::size_t distance, bool or_nul) {
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) {
    return or_nul ? Avx2Ends<true>(data, from, size, first, last, distance)
                  : Avx2Ends<false>(data, from, size, first, last, distance);
  }
#endif
  return or_nul ? ScalarEnds<true>(data, from, size, first, last, distance)
                : ScalarEnds<false>(data, from, size, first, last, distance);
}

std::size_t FindCandidate(std::string_view text, std::size_t from, std::string_view needle,
                          bool ignore_case) {
  if (from + needle.size() > text.size()) return text.size();
  const std::size_t distance = needle.size() >= 3 ? needle.size() - 2 : needle.size() - 1;
  return FindByteEnds(
      text.data(), from, text.size(), MakeProbe(static_cast<unsigned char>(needle[0]), ignore_case),
      MakeProbe(static_cast<unsigned char>(needle[distance]), ignore_case), distance);
}

std::size_t FindBytes(std::string_view text, std::size_t from, std::string_view needle) {
  if (needle.empty()) return std::string_view::npos;
  for (std::size_t at = FindCandidate(text, from, needle, false); at < text.size();
       at = FindCandidate(text, at + 1, needle, false)) {
    if (text.compare(at, needle.size(), needle) == 0) return at;
  }
  return std::string_view::npos;
}

std::size_t FindByteOrNul(const char* data, std::size_t from, std::size_t size, unsigned char a) {
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return Avx2ByteOrNul(data, from, size, a);
#endif
  return ScalarByteOrNul(data, from, size, a);
}

}  // namespace zorvik
