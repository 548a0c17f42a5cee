#include "text/byte_scan.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace zorvik {
namespace {

bool Matches(char c, TByteProbe probe) {
  return (static_cast<unsigned char>(c) | probe.fold) == probe.value;
}

std::size_t ScalarEnds(const char* data, std::size_t i, std::size_t size, TByteProbe first,
                       TByteProbe last, std::size_t distance) {
  if (first.fold == 0) {
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
    if (Matches(data[i], first) && Matches(data[i + distance], last)) return i;
  }
  return size;
}

#if defined(__x86_64__)
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
    const __m256i hits = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(x, a_fold), a),
                                          _mm256_cmpeq_epi8(_mm256_or_si256(y, b_fold), b));
    const auto mask = static_cast<unsigned>(_mm256_movemask_epi8(hits));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
  return ScalarEnds(data, i, size, first, last, distance);
}
#endif

}  // namespace

TByteProbe MakeProbe(unsigned char b, bool ignore_case) {
  const bool letter = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
  if (ignore_case && letter) return {static_cast<unsigned char>(b | 0x20), 0x20};
  return {b, 0};
}

std::size_t FindByteEnds(const char* data, std::size_t from, std::size_t size, TByteProbe first,
                         TByteProbe last, std::size_t distance) {
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return Avx2Ends(data, from, size, first, last, distance);
#endif
  return ScalarEnds(data, from, size, first, last, distance);
}

}  // namespace zorvik
