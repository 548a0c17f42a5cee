#include "text/char_functions.h"

#include <stdexcept>

#include "text/sjis.h"

namespace zorvik {
namespace {

// Byte offset of the character with 1-based counter index, or text.size() when the text has
// fewer characters. index must be at least 1.
std::size_t OffsetOfChar(std::string_view text, int index, TEncoding encoding) {
  std::size_t i = 0;
  for (int k = 1; k < index && i < text.size(); ++k) i += CharBytesAt(text, i, encoding);
  return i;
}

// Byte offset just after count characters from offset start (or the end of text).
std::size_t SkipChars(std::string_view text, std::size_t start, int count, TEncoding encoding) {
  std::size_t i = start;
  for (int k = 0; k < count && i < text.size(); ++k) i += CharBytesAt(text, i, encoding);
  return i;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

int CharPos(std::string_view pattern, std::string_view text, TEncoding encoding) {
  if (pattern.empty() || text.size() < pattern.size()) return 0;
  const std::size_t last_start = text.size() - pattern.size();
  int k = 1;
  for (std::size_t i = 0; i <= last_start; i += CharBytesAt(text, i, encoding), ++k) {
    if (text[i] == pattern[0] && text.compare(i, pattern.size(), pattern) == 0) return k;
  }
  return 0;
}

std::size_t FindAtCharStart(std::string_view text, std::string_view pattern, TEncoding encoding) {
  // Candidates come from a byte search; each is checked against the last known character
  // start, so the text is still walked only once.
  if (pattern.empty()) return std::string_view::npos;
  std::size_t boundary = 0;
  for (std::size_t at = text.find(pattern); at != std::string_view::npos;
       at = text.find(pattern, at + 1)) {
    if (IsCharStartFrom(text, boundary, at, encoding)) return at;
    if (encoding == TEncoding::kCp932)
      boundary = at + 1;  // at is a trail byte: the next starts one
  }
  return std::string_view::npos;
}

int CharLength(std::string_view text, TEncoding encoding) {
  int k = 0;
  for (std::size_t i = 0; i < text.size(); i += CharBytesAt(text, i, encoding)) ++k;
  return k;
}

std::string CharCopy(std::string_view text, int index, int count, TEncoding encoding) {
  if (count <= 0) return {};
  // With an index below 1 the window still ends at character index + count - 1.
  const long long last = static_cast<long long>(index) + count - 1;
  if (last < 1) return {};
  const int first = index < 1 ? 1 : index;
  const std::size_t from = OffsetOfChar(text, first, encoding);
  const std::size_t to = SkipChars(text, from, static_cast<int>(last - first + 1), encoding);
  return std::string(text.substr(from, to - from));
}

void CharInsert(std::string_view piece, std::string& text, int index, TEncoding encoding) {
  text.insert(OffsetOfChar(text, index < 1 ? 1 : index, encoding), piece);
}

void CharDelete(std::string& text, int index, int count, TEncoding encoding) {
  if (count <= 0) return;
  const std::size_t from = OffsetOfChar(text, index < 1 ? 1 : index, encoding);
  text.erase(from, SkipChars(text, from, count, encoding) - from);
}

bool IsTrailByte(std::string_view text, int i) {
  if (i < 1 || static_cast<std::size_t>(i) > text.size()) throw std::out_of_range("Illegal Index");
  return !IsCharStartFrom(text, 0, static_cast<std::size_t>(i - 1));
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    const std::size_t len = CharBytesAt(a, i);
    if (len == 2) {
      if (a.compare(i, 2, b.substr(i, 2)) != 0) return false;
    } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
    i += len;
  }
  return true;
}

}  // namespace zorvik
