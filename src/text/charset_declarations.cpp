#include "text/charset_declarations.h"

#include <algorithm>
#include <string>

#include "text/byte_scan.h"

namespace zorvik {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.' || c == ':';
}

// Whether word (lower case) stands at offset at of text, case ignored.
bool WordAt(std::string_view text, std::size_t at, std::string_view word) {
  if (text.size() - at < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k) {
    if (Lower(text[at + k]) != word[k]) return false;
  }
  return true;
}

// The name after a keyword ending at `at`: blanks, an optional "=", blanks, an optional quote.
std::optional<TCharsetName> NameAfter(std::string_view text, std::size_t at) {
  const auto skip_blanks = [&] {
    while (at < text.size() &&
           (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n'))
      ++at;
  };
  skip_blanks();
  if (at < text.size() && text[at] == '=') {
    ++at;
    skip_blanks();
  }
  if (at < text.size() && (text[at] == '"' || text[at] == '\'')) ++at;
  const std::size_t start = at;
  while (at < text.size() && IsNameChar(text[at])) ++at;
  if (at == start) return std::nullopt;
  return TCharsetName{start, at - start};
}

}  // namespace

std::vector<TCharsetName> CharsetNames(std::string_view text) {
  std::vector<TCharsetName> names;
  for (const std::string_view keyword :
       {std::string_view("charset"), std::string_view("encoding")}) {
    for (std::size_t at = FindCandidate(text, 0, keyword, true); at < text.size();
         at = FindCandidate(text, at + 1, keyword, true)) {
      if (!WordAt(text, at, keyword)) continue;
      // "encoding" only in an XML declaration, before its "?>".
      if (keyword == "encoding") {
        const std::size_t xml = text.rfind("<?xml", at);
        if (xml == std::string_view::npos || text.find("?>", xml) < at) continue;
      }
      if (auto name = NameAfter(text, at + keyword.size())) names.push_back(*name);
      at += keyword.size() - 1;
    }
  }
  std::sort(names.begin(), names.end(),
            [](const TCharsetName& a, const TCharsetName& b) { return a.offset < b.offset; });
  return names;
}

std::optional<TEncoding> EncodingOfName(std::string_view name) {
  std::string lower;
  for (const char c : name) lower += Lower(c);
  if (lower == "utf-8" || lower == "utf8") return TEncoding::kUtf8;
  if (lower == "shift_jis" || lower == "shift-jis" || lower == "sjis" || lower == "x-sjis" ||
      lower == "windows-31j" || lower == "cp932" || lower == "ms932")
    return TEncoding::kCp932;
  return std::nullopt;
}

std::optional<TEncoding> DeclaredEncoding(std::string_view text) {
  for (const TCharsetName& name : CharsetNames(text)) {
    if (auto encoding = EncodingOfName(text.substr(name.offset, name.length))) return encoding;
  }
  return std::nullopt;
}

}  // namespace zorvik
