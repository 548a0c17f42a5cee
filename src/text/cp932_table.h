// CP932 decoded by a table of iconv's own answers, asked once a process: the same UTF-8 as
// iconv gives, byte for byte, without iconv's cost for each character.
#pragma once

#include <string>
#include <string_view>

namespace zorvik {

// text in UTF-8. Where bytes are no character, replacement stands for the character they
// start (both bytes when the first may begin a two-byte character, else one), and decoding goes
// on after them.
std::string DecodeCp932(std::string_view text, std::string_view replacement);

}  // namespace zorvik
