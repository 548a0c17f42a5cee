// Whether a text's bytes are what its declared charset says they are.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "text/utf8.h"

namespace zorvik {

// The offset of the first byte that no CP932 character starts or continues with; nothing when
// every byte belongs to a character.
std::optional<std::size_t> FirstInvalidCp932(std::string_view text);

// (FirstInvalidUtf8, its UTF-8 twin, is in text/utf8.h: overlong forms, surrogates and code
// points above U+10FFFF are malformed there too.)

}  // namespace zorvik
