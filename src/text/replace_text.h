// The two disciplines of text replacement.
//
// Replace every: left to right, non-overlapping, replaced text not searched again, ASCII letters
// compared without case (the bytes of double-byte characters exactly). Replace the first: the
// first occurrence only, compared exactly. A match starts only where a character starts.
#pragma once

#include <string>
#include <string_view>

#include "text/utf8.h"

namespace zorvik {

// Byte offset of the first occurrence of pattern at or after from (a character start), ignoring
// the case of ASCII letters, or npos.
// In a UTF-8 text (encoding) a match likewise starts only where a UTF-8 character starts.
std::size_t FindIgnoringCase(std::string_view text, std::string_view pattern, std::size_t from,
                             TEncoding encoding);

// Replaces every occurrence; returns how many were replaced. One scan of the text. When the
// result would be longer than max_size, text stays as it was and the result is -1.
int ReplaceEvery(std::string& text, std::string_view pattern, std::string_view replacement,
                 std::size_t max_size, TEncoding encoding);

// Replaces the first exact occurrence that starts where a character starts; false when there is
// none.
bool ReplaceFirst(std::string& text, std::string_view pattern, std::string_view replacement,
                  TEncoding encoding);

// ASCII letters turned to lower case; every other byte, double-byte characters included, stays.
std::string AsciiLowerCase(std::string_view text);
void AsciiLowerCaseInPlace(std::string& text);

}  // namespace zorvik
