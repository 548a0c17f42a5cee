#include "text/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "text/cp932_table.h"
#include "text/sjis.h"

namespace zorvik {
namespace {

// iconv's "no conversion" value.
const iconv_t kNoConversion = reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr)

// One open conversion, closed when replaced and at the end of its thread.
class TConversion {
 public:
  TConversion() = default;
  TConversion(const TConversion&) = delete;
  TConversion& operator=(const TConversion&) = delete;
  ~TConversion() { Close(); }
  // The descriptor for the pair, opened when the pair changes; kNoConversion when unsupported.
  iconv_t For(const char* to, const char* from) {
    if (to_ != to || from_ != from) {
      Close();
      to_ = to;
      from_ = from;
      cd_ = ::iconv_open(to, from);
    }
    return cd_;
  }

 private:
  void Close() {
    if (cd_ != kNoConversion) ::iconv_close(cd_);
    cd_ = kNoConversion;
  }
  std::string to_;
  std::string from_;
  iconv_t cd_ = kNoConversion;
};

bool IsUtf8(std::string_view name) {
  return name == "UTF-8" || name == "UTF8" || name == "utf-8" || name == "utf8";
}

// Bytes of the character at the start of text in character set `from`: both bytes of a
// two-byte CP932 character, a whole UTF-8 sequence, else one byte.
std::size_t CharacterLength(std::string_view text, std::string_view from) {
  const auto b = static_cast<unsigned char>(text[0]);
  if (from == "CP932")
    return (text.size() > 1 && ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC))) ? 2 : 1;
  if (!IsUtf8(from)) return 1;
  const std::size_t length = b >= 0xF0 && b <= 0xF7 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
  std::size_t n = 1;
  while (n < length && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
  return n;
}

// Runs cd over text. At each sequence it cannot convert, handle(offset, out) appends what
// stands for it and returns how many bytes it takes; the conversion goes on after them.
template <typename Handle>
std::string ConvertRuns(iconv_t cd, std::string_view text, Handle handle) {
  ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
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
    i += handle(i, out);
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace

std::string ConvertEncoding(std::string_view text, const char* to, const char* from,
                            std::string_view replacement) {
  if (std::string_view(to) == "UTF-8" && std::string_view(from) == "CP932")
    return DecodeCp932(text, replacement);
  // Opening a conversion costs more than converting a log line, so the last one is kept.
  thread_local TConversion cached;
  iconv_t cd = cached.For(to, from);
  if (cd == kNoConversion) return std::string(text);
  return ConvertRuns(cd, text, [&](std::size_t i, std::string& out) {
    out.append(replacement);
    return CharacterLength(text.substr(i), from);
  });
}

namespace {

// UTF-8 into CP932 a run at a time, stopping only at what CP932 cannot hold.
std::string Utf8ToCp932(std::string_view text, std::vector<TUnmappable>* unmappable) {
  thread_local TConversion cached;
  return ConvertRuns(cached.For("CP932", "UTF-8"), text, [&](std::size_t i, std::string& out) {
    const std::size_t len = Utf8CharBytesAt(text, i);
    const char32_t code = Utf8CodeAt(text, i, len);
    if (len == 1) {
      out += text[i];  // no UTF-8 character: the byte as it was
    } else {
      char reference[16];
      std::snprintf(reference, sizeof reference, "&#x%X;", static_cast<unsigned>(code));
      out += reference;
      if (unmappable != nullptr) unmappable->push_back({i, code});
    }
    return len;
  });
}

}  // namespace

std::string ConvertText(std::string_view text, TEncoding from, TEncoding to,
                        std::vector<TUnmappable>* unmappable) {
  if (from == to) return std::string(text);
  if (to == TEncoding::kCp932) return Utf8ToCp932(text, unmappable);
  std::string out = Cp932ToUtf8(text);
  if (unmappable != nullptr && out.find("\xEF\xBF\xBD") != std::string::npos) {
    // Where the bytes that were no character stood, found again in the source.
    for (std::size_t i = 0; i < text.size(); i += CharBytesAt(text, i)) {
      const std::size_t len = CharBytesAt(text, i);
      if (ConvertEncoding(text.substr(i, len), "UTF-8", "CP932", "\xEF\xBF\xBD") ==
          "\xEF\xBF\xBD") {
        unmappable->push_back({i, 0xFFFD});
      }
    }
  }
  return out;
}

std::string Cp932ToUtf8(std::string_view text) {
  return ConvertEncoding(text, "UTF-8", "CP932", "\xEF\xBF\xBD");
}

}  // namespace zorvik
