// Text for the terminal: the core's CP932 texts converted to UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace zorvik::cli {

// Converts CP932 bytes to UTF-8; a byte sequence that does not convert becomes U+FFFD.
std::string Cp932ToUtf8(std::string_view text);

}  // namespace zorvik::cli
