// UTF-8 character structure, the second encoding a page may have besides Shift-JIS.
//
// A character is a whole well-formed sequence (no overlong forms, no surrogates, nothing above
// U+10FFFF); every byte that does not start one is a character of its own, so that invalid
// text is walked byte by byte and never read past its end.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace zorvik {

enum class TEncoding { kCp932, kUtf8 };

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Length in bytes (1 to 4) of the character that starts at byte offset i of text.
inline std::size_t Utf8CharBytesAt(std::string_view text, std::size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  if (b < 0xC2 || b > 0xF4) return 1;
  const std::size_t length = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
  if (i + length > text.size()) return 1;
  const auto b1 = static_cast<unsigned char>(text[i + 1]);
  // The second byte's range rules out overlong forms, surrogates and codes above U+10FFFF.
  const unsigned char low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
  const unsigned char high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
  if (b1 < low || b1 > high) return 1;
  for (std::size_t k = 2; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

// The code point of the character of length len (from Utf8CharBytesAt) at i; the byte itself
// for a byte that starts no sequence.
inline char32_t Utf8CodeAt(std::string_view text, std::size_t i, std::size_t len) {
  const auto b = static_cast<unsigned char>(text[i]);
  if (len == 1) return b;
  char32_t code = b & (0x7F >> len);
  for (std::size_t k = 1; k < len; ++k) code = (code << 6) | (text[i + k] & 0x3F);
  return code;
}

// Appends the UTF-8 bytes of a code point.
template <typename String>
void AppendUtf8(String& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// True when byte offset i starts a character, knowing that `boundary` (<= i) does: unless a
// sequence that starts at most three bytes before i (and not before boundary) covers it.
inline bool Utf8IsCharStartFrom(std::string_view text, std::size_t boundary, std::size_t i) {
  if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return true;
  for (std::size_t back = 1; back <= 3 && back <= i && i - back >= boundary; ++back) {
    const std::size_t start = i - back;
    if ((static_cast<unsigned char>(text[start]) & 0xC0) != 0x80) {
      return Utf8CharBytesAt(text, start) <= back;
    }
  }
  return true;
}

// The offset of the first byte that starts no well-formed UTF-8 sequence; nothing for valid
// UTF-8 throughout.
std::optional<std::size_t> FirstInvalidUtf8(std::string_view text);

// A run of bytes above 0x7F none of which starts a well-formed UTF-8 sequence.
struct TStrayRun {
  std::size_t offset = 0;
  std::size_t length = 0;
};

// Every stray run of text, in order.
std::vector<TStrayRun> StrayUtf8Runs(std::string_view text);

// The encoding a file's bytes were taken in, and what the bytes said about it.
struct TEncodingChoice {
  TEncoding encoding = TEncoding::kCp932;
  // Counted as far as the bytes were read: to the end, or to where Shift-JIS was certain.
  std::size_t utf8_characters = 0;  // well-formed multi-byte UTF-8 sequences
  std::size_t stray_bytes = 0;      // bytes above 0x7F that start no such sequence
  // Neither a byte-order mark nor a forced encoding decided, and the bytes spoke both ways:
  // taken as UTF-8 with stray bytes, or as Shift-JIS though they hold at least as many UTF-8
  // characters as stray bytes. A Shift-JIS text hardly ever does: most of its double-byte
  // characters start with 0x81-0x9F, which never starts a UTF-8 sequence.
  bool doubtful = false;
};

// The encoding of a file's bytes: UTF-8 when they start with a byte-order mark; otherwise
// `forced` when given; otherwise UTF-8 when its well-formed multi-byte sequences are more than
// four times its stray bytes (valid UTF-8 with a high byte, or UTF-8 with a few accidents),
// else CP932. Reading stops where the stray bytes so far reach twice the UTF-8 characters and
// sixteen more: Shift-JIS, beyond doubt.
TEncodingChoice ChooseEncoding(std::string_view bytes, const TEncoding* forced = nullptr);
inline TEncoding DetectEncoding(std::string_view bytes, const TEncoding* forced = nullptr) {
  return ChooseEncoding(bytes, forced).encoding;
}

}  // namespace zorvik
