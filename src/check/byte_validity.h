// Whether a text's bytes are what its declared charset says they are.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace zorvik {

// The offset of the first byte that no CP932 character starts or continues with; nothing when
// every byte belongs to a character.
std::optional<std::size_t> FirstInvalidCp932(std::string_view text);

// The offset of the first byte of the first malformed UTF-8 sequence (overlong forms,
// surrogates and code points above U+10FFFF included); nothing for valid UTF-8.
std::optional<std::size_t> FirstInvalidUtf8(std::string_view text);

}  // namespace zorvik
