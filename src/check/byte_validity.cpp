#include "check/byte_validity.h"

namespace zorvik {

std::optional<std::size_t> FirstInvalidCp932(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) continue;
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    if (!lead || i + 1 >= text.size()) return i;
    const auto t = static_cast<unsigned char>(text[i + 1]);
    if (t < 0x40 || t == 0x7F || t > 0xFC) return i;
    ++i;
  }
  return std::nullopt;
}

std::optional<std::size_t> FirstInvalidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    unsigned int code = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
      code = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      code = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      code = b & 0x07;
    } else {
      return i;
    }
    if (i + length > text.size()) return i;
    for (std::size_t k = 1; k < length; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) return i;
      code = (code << 6) | (c & 0x3F);
    }
    if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
        (length == 4 && (code < 0x10000 || code > 0x10FFFF))) {
      return i;
    }
    i += length;
  }
  return std::nullopt;
}

}  // namespace zorvik
