// Shift-JIS (code page 932) character structure, shared by every walk over a text.
//
// A character is one byte, or two bytes when the first is a lead byte (0x81-0x9F, 0xE0-0xFC).
// The byte after a lead byte belongs to it whatever its value; a lead byte that is the last
// byte of a text is a character of its own.
#pragma once

#include <cstddef>
#include <string_view>

#include "text/utf8.h"

namespace zorvik {

constexpr bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Length in bytes (1 or 2) of the character that starts at byte offset i of text.
inline std::size_t CharBytesAt(std::string_view text, std::size_t i) {
  return (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
}

// Character code: the byte for a single-byte character, lead * 256 + trail for a double one.
inline unsigned CharCodeAt(std::string_view text, std::size_t i, std::size_t len) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  return len == 2 ? (b0 << 8) | static_cast<unsigned char>(text[i + 1]) : b0;
}

// Appends the bytes of a character code (two bytes for codes above 0xFF).
template <typename String>
void AppendCharCode(String& out, unsigned code) {
  if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
  out.push_back(static_cast<char>(code & 0xFF));
}

// True when byte offset i (i <= text.size()) is where a character starts, knowing that
// `boundary` (<= i) is one. Looks back only over the run of lead-byte values before i:
// the byte after any other byte always starts a character.
inline bool IsCharStartFrom(std::string_view text, std::size_t boundary, std::size_t i) {
  std::size_t run = 0;
  while (i - run > boundary && IsLeadByte(static_cast<unsigned char>(text[i - run - 1]))) ++run;
  return run % 2 == 0;
}

// The same, in the page's encoding.
inline std::size_t CharBytesAt(std::string_view text, std::size_t i, TEncoding encoding) {
  return encoding == TEncoding::kCp932 ? CharBytesAt(text, i) : Utf8CharBytesAt(text, i);
}
inline bool IsCharStartFrom(std::string_view text, std::size_t boundary, std::size_t i,
                            TEncoding encoding) {
  return encoding == TEncoding::kCp932 ? IsCharStartFrom(text, boundary, i)
                                       : Utf8IsCharStartFrom(text, boundary, i);
}

}  // namespace zorvik
