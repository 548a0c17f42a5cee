#include "cli/log_lines.h"

#include "text/encoding.h"
#include "text/sjis.h"

namespace zorvik::cli {

const std::string& TLogLineConverter::Converted(std::string_view run) {
  for (const TConverted& kept : kept_) {
    if (kept.cp932 == run) return kept.utf8;
  }
  TConverted& slot = kept_[next_kept_++ % kept_.size()];
  slot.cp932.assign(run);
  slot.utf8 = Cp932ToUtf8(run);
  return slot.utf8;
}

std::string TLogLineConverter::Utf8Lines(std::string_view cp932) {
  std::string text;
  text.reserve(cp932.size() * 3 / 2);
  for (std::size_t i = 0; i < cp932.size();) {
    std::size_t end = i;
    const bool ascii = static_cast<unsigned char>(cp932[i]) < 0x80;
    while (end < cp932.size() && (static_cast<unsigned char>(cp932[end]) < 0x80) == ascii) {
      end += CharBytesAt(cp932, end);
    }
    const std::string_view run = cp932.substr(i, end - i);
    if (ascii) {
      text.append(run);
    } else {
      text.append(Converted(run));
    }
    i = end;
  }
  std::string out;
  out.reserve(text.size() + 1);
  std::size_t from = 0;
  for (std::size_t cr = text.find("\r\n"); cr != std::string::npos; cr = text.find("\r\n", from)) {
    out.append(text, from, cr - from);
    from = cr + 1;  // the LF stays
  }
  out.append(text, from);
  return out;
}

}  // namespace zorvik::cli
