#include "cli/terminal_text.h"

#include <iconv.h>

#include <cerrno>

#include "text/sjis.h"

namespace zorvik::cli {

std::string Cp932ToUtf8(std::string_view text) {
  constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  iconv_t cd = ::iconv_open("UTF-8", "CP932");
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
    // An undefined or cut-off character: one replacement character for the whole character.
    out.append(kReplacement);
    i += CharBytesAt(text, i);
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  ::iconv_close(cd);
  return out;
}

}  // namespace zorvik::cli
