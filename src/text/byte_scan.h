// Fast byte scans: the pattern engine's skip loop and the searches for fixed markers.
#pragma once

#include <cstddef>
#include <string_view>

namespace zorvik {

// A byte to look for: data[i] | fold == value. A fold of 0x20 with a lower-case letter as the
// value finds the letter in either case.
struct TByteProbe {
  unsigned char value = 0;
  unsigned char fold = 0;
};

// A probe for byte b, ignoring the case of ASCII letters when ignore_case is set.
TByteProbe MakeProbe(unsigned char b, bool ignore_case);

// Offset of the first i >= from where first matches data[i] and last matches data[i + distance]
// (i + distance < size), or size when there is none; with or_nul also the first i where data[i]
// is NUL, whichever comes first. Uses AVX2 where the processor has it.
std::size_t FindByteEnds(const char* data, std::size_t from, std::size_t size, TByteProbe first,
                         TByteProbe last, std::size_t distance, bool or_nul = false);

// Offset of the first i >= from where text may hold needle (not empty): its first byte and its
// second to last stand there (the last for a needle of two), letters in any case with
// ignore_case; text.size() when there is none. The second to last: in a tag "{$name}" it is part
// of the name, and the last byte of a marker "<!--x-->", ">", is as common in HTML as the first.
std::size_t FindCandidate(std::string_view text, std::size_t from, std::string_view needle,
                          bool ignore_case);

// Offset of the first occurrence of needle in text at or after from, or npos: memmem by
// candidates.
std::size_t FindBytes(std::string_view text, std::size_t from, std::string_view needle);

// Whether every CR of data[0, size) is followed by an LF and every LF follows a CR. Uses AVX2
// where the processor has it.
bool LineEndsAreCrLf(const char* data, std::size_t size);

// Offset of the first i >= from where data[i] is a or NUL, or size when there is none: one pass
// where two memchr calls would take two. Uses AVX2 where the processor has it.
std::size_t FindByteOrNul(const char* data, std::size_t from, std::size_t size, unsigned char a);

}  // namespace zorvik
