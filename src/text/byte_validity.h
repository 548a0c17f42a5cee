// Whether a text's bytes are what its encoding says they are.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "text/utf8.h"

namespace zorvik {

// The offset of the first byte that no CP932 character starts or continues with; nothing when
// every byte belongs to a character.
std::optional<std::size_t> FirstInvalidCp932(std::string_view text);

// The offset of the first byte that is no character of encoding; nothing when every byte is
// part of one. (FirstInvalidUtf8 itself is in text/utf8.h.)
std::optional<std::size_t> FirstInvalidByte(std::string_view text, TEncoding encoding);

}  // namespace zorvik
