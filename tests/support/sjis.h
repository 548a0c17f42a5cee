// Test helper: CP932 bytes from readable UTF-8 literals, and back.
#pragma once

#include <iconv.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace zorvik::testing {

inline std::string Convert(std::string_view text, const char* to, const char* from) {
  iconv_t cd = ::iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open");
  std::string out(text.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(text.data());
  std::size_t in_left = text.size();
  char* dst = out.data();
  std::size_t dst_left = out.size();
  const std::size_t rc = ::iconv(cd, &in, &in_left, &dst, &dst_left);
  ::iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) throw std::runtime_error("not convertible");
  out.resize(out.size() - dst_left);
  return out;
}

// CP932 bytes of a UTF-8 text.
inline std::string Sjis(std::string_view utf8) { return Convert(utf8, "CP932", "UTF-8"); }
// UTF-8 text of CP932 bytes.
inline std::string Utf8(std::string_view cp932) { return Convert(cp932, "UTF-8", "CP932"); }

}  // namespace zorvik::testing
