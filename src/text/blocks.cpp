#include "text/blocks.h"

#include "text/char_functions.h"
#include "text/cut_trim.h"
#include "text/sjis.h"

namespace zorvik {

std::string ExtractBlock(std::string& text, std::string_view start_marker,
                         std::string_view end_marker, std::string_view placeholder,
                         TEncoding encoding) {
  if (start_marker.empty() || end_marker.empty()) return {};
  // Found by bytes: when both markers end with a byte that cannot pair with the next one and
  // the end marker stands after the whole start marker, character and byte offsets agree.
  // In UTF-8 no character joins the byte after it, so byte offsets always serve.
  const std::size_t at = FindAtCharStart(text, start_marker, encoding);
  const std::size_t end_at = FindAtCharStart(text, end_marker, encoding);
  if (at == std::string::npos || end_at == std::string::npos || end_at < at) return {};
  const bool by_bytes = encoding == TEncoding::kUtf8 ||
                        (!IsLeadByte(static_cast<unsigned char>(start_marker.back())) &&
                         !IsLeadByte(static_cast<unsigned char>(end_marker.back())));
  if (by_bytes && end_at >= at + start_marker.size()) {
    const std::size_t inner_at = at + start_marker.size();
    std::string inner =
        TrimBlankLines(std::string_view(text).substr(inner_at, end_at - inner_at), encoding);
    text.replace(at, end_at + end_marker.size() - at, placeholder);
    return inner;
  }
  if (encoding == TEncoding::kUtf8) return {};  // the markers overlap
  const int a = CharPos(start_marker, text, encoding);
  const int b = CharPos(end_marker, text, encoding);
  if (a == 0 || b == 0 || b < a) return {};
  const int start_length = CharLength(start_marker, encoding);
  std::string inner =
      TrimBlankLines(CharCopy(text, a + start_length, b - a - start_length, encoding), encoding);
  CharDelete(text, a, b - a + CharLength(end_marker, encoding), encoding);
  if (!placeholder.empty()) CharInsert(placeholder, text, a, encoding);
  return inner;
}

std::string WrapCommentBlock(std::string_view name, std::string_view inner) {
  std::string block;
  block.reserve(inner.size() + 2 * name.size() + 15);
  block.append("<!--").append(name).append("-->").append(inner);
  block.append("<!--/").append(name).append("-->");
  return block;
}

std::string ExtractCommentBlock(std::string& text, std::string_view name, bool cut,
                                TEncoding encoding) {
  std::string start_marker = "<!--";
  start_marker.append(name).append("-->");
  std::string end_marker = "<!--/";
  end_marker.append(name).append("-->");
  std::string copy = text;
  std::string inner = ExtractBlock(copy, start_marker, end_marker, {}, encoding);
  if (cut) text.swap(copy);
  return inner;
}

}  // namespace zorvik
