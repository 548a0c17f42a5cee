// Character set conversion at the edges of the core: the terminal (UTF-8) and the platform's
// locale texts (day and month names). The core's own texts are CP932 and never converted.
#pragma once

#include <string>
#include <string_view>

namespace zorvik {

// Converts text from one character set to another (iconv names); a sequence that does not
// convert becomes `replacement` (in the target character set).
std::string ConvertEncoding(std::string_view text, const char* to, const char* from,
                            std::string_view replacement);

// CP932 to UTF-8; what does not convert becomes U+FFFD.
std::string Cp932ToUtf8(std::string_view text);

}  // namespace zorvik
