#include "text/utf8.h"

namespace zorvik {

std::optional<std::size_t> FirstInvalidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t len = Utf8CharBytesAt(text, i);
    if (len == 1) return i;
    i += len;
  }
  return std::nullopt;
}

TEncoding DetectEncoding(std::string_view bytes, const TEncoding* forced) {
  if (bytes.starts_with(kUtf8Bom)) return TEncoding::kUtf8;
  if (forced != nullptr) return *forced;
  bool high = false;
  for (std::size_t i = 0; i < bytes.size();) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t len = Utf8CharBytesAt(bytes, i);
    if (len == 1) return TEncoding::kCp932;
    high = true;
    i += len;
  }
  return high ? TEncoding::kUtf8 : TEncoding::kCp932;
}

}  // namespace zorvik
