// Character set conversion at the edges of the core: the terminal (UTF-8) and the platform's
// locale texts (day and month names). The core's own texts are CP932 and never converted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/utf8.h"

namespace zorvik {

// Converts text from one character set to another (iconv names); a sequence that does not
// convert becomes `replacement` (in the target character set).
std::string ConvertEncoding(std::string_view text, const char* to, const char* from,
                            std::string_view replacement);

// CP932 to UTF-8; what does not convert becomes U+FFFD.
std::string Cp932ToUtf8(std::string_view text);

// A character of a text that the target encoding cannot hold: where it stood (a byte offset
// of the text converted) and its code point (U+FFFD for bytes that were no character).
struct TUnmappable {
  std::size_t offset = 0;
  char32_t code = 0;
};

// text from one page encoding to the other. Into CP932, a character it cannot hold becomes a
// numeric character reference ("&#xA9;"), and a byte that starts no UTF-8 sequence stays as
// it is; into UTF-8, bytes that are no CP932 character become U+FFFD. Each such place is
// added to unmappable when given. Line ends and ASCII never change.
std::string ConvertText(std::string_view text, TEncoding from, TEncoding to,
                        std::vector<TUnmappable>* unmappable = nullptr);

}  // namespace zorvik
