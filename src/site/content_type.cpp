#include "site/content_type.h"

#include <algorithm>
#include <cctype>

#include "text/replace_text.h"
#include "text/utf8.h"

namespace zorvik {
namespace {

bool IsCharsetNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_' || c == '.' ||
         c == ':';
}

// The value after "charset" "=" in a tag's text (lower case copy tag, original text original).
std::optional<std::string> CharsetIn(std::string_view tag, std::string_view original) {
  for (std::size_t at = tag.find("charset"); at != std::string_view::npos;
       at = tag.find("charset", at + 1)) {
    std::size_t i = at + 7;
    while (i < tag.size() && tag[i] == ' ') ++i;
    if (i >= tag.size() || tag[i] != '=') continue;
    ++i;
    while (i < tag.size() && (tag[i] == ' ' || tag[i] == '"' || tag[i] == '\'')) ++i;
    std::size_t end = i;
    while (end < tag.size() && IsCharsetNameChar(tag[end])) ++end;
    if (end == i) return std::nullopt;
    return std::string(original.substr(i, end - i));
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> DeclaredCharset(std::string_view html) {
  const std::string_view head = html.substr(0, 1024);
  const std::string lower = AsciiLowerCase(head);
  for (std::size_t at = lower.find("<meta"); at != std::string::npos;
       at = lower.find("<meta", at + 5)) {
    const std::size_t end = lower.find('>', at);
    const std::size_t length = (end == std::string::npos ? lower.size() : end) - at;
    if (auto charset =
            CharsetIn(std::string_view(lower).substr(at, length), head.substr(at, length))) {
      return charset;
    }
  }
  return std::nullopt;
}

std::string HtmlCharset(std::string_view html) {
  if (auto declared = DeclaredCharset(html)) return *declared;
  return DetectEncoding(html) == TEncoding::kUtf8 ? "UTF-8" : "Shift_JIS";
}

std::string ContentTypeFor(std::string_view path, std::string_view bytes) {
  static constexpr std::pair<std::string_view, std::string_view> kTypes[] = {
      {"html", "text/html"},      {"htm", "text/html"},
      {"css", "text/css"},        {"js", "text/javascript"},
      {"mjs", "text/javascript"}, {"json", "application/json"},
      {"txt", "text/plain"},      {"xml", "application/xml"},
      {"svg", "image/svg+xml"},   {"png", "image/png"},
      {"jpg", "image/jpeg"},      {"jpeg", "image/jpeg"},
      {"gif", "image/gif"},       {"webp", "image/webp"},
      {"avif", "image/avif"},     {"ico", "image/vnd.microsoft.icon"},
      {"pdf", "application/pdf"}, {"woff", "font/woff"},
      {"woff2", "font/woff2"},    {"ttf", "font/ttf"},
      {"otf", "font/otf"},        {"mp3", "audio/mpeg"},
      {"ogg", "audio/ogg"},       {"wav", "audio/wav"},
      {"mp4", "video/mp4"},       {"webm", "video/webm"},
      {"zip", "application/zip"},
  };
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  std::string extension;
  if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) {
    extension = AsciiLowerCase(path.substr(dot + 1));
  }
  const auto it = std::find_if(std::begin(kTypes), std::end(kTypes),
                               [&extension](const auto& type) { return type.first == extension; });
  if (it == std::end(kTypes)) return "application/octet-stream";
  std::string type(it->second);
  if (type == "text/html") {
    type += "; charset=" + HtmlCharset(bytes);
  } else if (type == "text/plain") {
    type += DetectEncoding(bytes) == TEncoding::kUtf8 ? "; charset=UTF-8" : "; charset=Shift_JIS";
  }
  return type;
}

bool IsHtmlType(std::string_view content_type) { return content_type.starts_with("text/html"); }

}  // namespace zorvik
