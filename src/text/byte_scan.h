// Fast scans for the pattern engine's skip loop.
#pragma once

#include <cstddef>

namespace zorvik {

// Offset of the first i >= from with data[i] == first and data[i + distance] == last
// (i + distance < size), or size when there is none. Uses AVX2 where the processor has it.
std::size_t FindByteEnds(const char* data, std::size_t from, std::size_t size, unsigned char first,
                         unsigned char last, std::size_t distance);

}  // namespace zorvik
