#include "site/byte_validity.h"

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

}  // namespace zorvik
