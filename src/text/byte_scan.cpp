#include "text/byte_scan.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace zorvik {
namespace {

std::size_t ScalarEnds(const char* data, std::size_t i, std::size_t size, char first, char last,
                       std::size_t distance) {
  while (i + distance < size) {
    const void* hit = std::memchr(data + i, first, size - distance - i);
    if (hit == nullptr) break;
    i = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
    if (data[i + distance] == last) return i;
    ++i;
  }
  return size;
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) std::size_t Avx2Ends(const char* data, std::size_t i,
                                                     std::size_t size, char first, char last,
                                                     std::size_t distance) {
  const __m256i a = _mm256_set1_epi8(first);
  const __m256i b = _mm256_set1_epi8(last);
  for (; i + distance + 32 <= size; i += 32) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
    const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i + distance));
    const auto mask = static_cast<unsigned>(
        _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(x, a), _mm256_cmpeq_epi8(y, b))));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
  return ScalarEnds(data, i, size, first, last, distance);
}
#endif

}  // namespace

std::size_t FindByteEnds(const char* data, std::size_t from, std::size_t size, unsigned char first,
                         unsigned char last, std::size_t distance) {
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) {
    return Avx2Ends(data, from, size, static_cast<char>(first), static_cast<char>(last), distance);
  }
#endif
  return ScalarEnds(data, from, size, static_cast<char>(first), static_cast<char>(last), distance);
}

}  // namespace zorvik
