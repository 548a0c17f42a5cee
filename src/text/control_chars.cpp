#include "text/control_chars.h"

namespace zorvik {

std::string ControlsEscaped(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string escaped;
  escaped.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) {
      escaped.append("\\x").push_back(kHex[byte >> 4]);
      escaped.push_back(kHex[byte & 0xF]);
    } else if (byte == '\\' && i + 1 < text.size() && text[i + 1] == 'x') {
      escaped.append("\\\\");  // so that a written-out form never passes for a real one
    } else {
      escaped.push_back(static_cast<char>(byte));
    }
  }
  return escaped;
}

}  // namespace zorvik
