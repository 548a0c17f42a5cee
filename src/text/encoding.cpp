#include "text/encoding.h"

#include <iconv.h>

#include <cerrno>

namespace zorvik {

std::string ConvertEncoding(std::string_view text, const char* to, const char* from,
                            std::string_view replacement) {
  iconv_t cd = ::iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  std::string out;
  out.reserve(text.size() * 3 / 2);
  char buffer[4096];
  std::size_t i = 0;
  while (i < text.size()) {
    char* in = const_cast<char*>(text.data() + i);
    std::size_t in_left = text.size() - i;
    char* dst = buffer;
    std::size_t dst_left = sizeof buffer;
    const std::size_t rc = ::iconv(cd, &in, &in_left, &dst, &dst_left);
    const int error = errno;
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    i = text.size() - in_left;
    if (rc != static_cast<std::size_t>(-1) || error == E2BIG) continue;
    // An undefined or cut-off sequence: one replacement, then go on after its first byte, or
    // after both bytes of a two-byte CP932 character.
    out.append(replacement);
    const auto b = static_cast<unsigned char>(text[i]);
    const bool pair = std::string_view(from) == "CP932" && i + 1 < text.size() &&
                      ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC));
    i += pair ? 2 : 1;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  ::iconv_close(cd);
  return out;
}

std::string Cp932ToUtf8(std::string_view text) {
  return ConvertEncoding(text, "UTF-8", "CP932", "\xEF\xBF\xBD");
}

}  // namespace zorvik
