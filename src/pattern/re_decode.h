// Reading one character of a text as the automaton reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pattern/re_syntax.h"
#include "text/sjis.h"
#include "text/utf8.h"

namespace zorvik {

// The character at p: its code and length in bytes; false when a NUL ends the text there.
// (No byte of a UTF-8 sequence after its first is ever NUL.)
template <bool kEndsAtNul, bool kUtf8>
inline bool DecodeAt(const unsigned char* bytes, std::size_t n, std::size_t p, std::uint32_t& code,
                     std::size_t& len) {
  code = bytes[p];
  if (kEndsAtNul && code == 0) return false;
  len = 1;
  if constexpr (kUtf8) {
    if (code >= 0x80) {
      const std::string_view text(reinterpret_cast<const char*>(bytes), n);
      len = Utf8CharBytesAt(text, p);
      code = len == 1 ? kInvalidUtf8Byte + code : Utf8CodeAt(text, p, len);
    }
  } else if (IsLeadByte(static_cast<unsigned char>(code)) && p + 1 < n &&
             (!kEndsAtNul || bytes[p + 1] != 0)) {
    code = (code << 8) | bytes[p + 1];
    len = 2;
  }
  return true;
}

}  // namespace zorvik
