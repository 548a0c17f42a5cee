#include "text/replace_text.h"

#include <cstring>
#include <vector>

#include "text/byte_scan.h"
#include "text/char_functions.h"
#include "text/sjis.h"

namespace zorvik {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

// True when text at offset at holds pattern, single-byte letters compared without case.
bool EqualsIgnoringCase(std::string_view text, std::size_t at, std::string_view pattern,
                        TEncoding encoding) {
  if (text.size() - at < pattern.size()) return false;
  for (std::size_t i = 0; i < pattern.size();) {
    const std::size_t len = CharBytesAt(pattern, i, encoding);
    if (len > 1) {
      if (text.compare(at + i, len, pattern, i, len) != 0) return false;
    } else if (Lower(text[at + i]) != Lower(pattern[i])) {
      return false;
    }
    i += len;
  }
  return true;
}

// Walks candidates of pattern in text from `from` on; `boundary` is an offset known to start a
// character (<= from), kept up to date so that the text is walked once. Returns the first real
// occurrence or npos.
std::size_t NextOccurrence(std::string_view text, std::string_view pattern, std::size_t from,
                           std::size_t& boundary, TEncoding encoding) {
  for (;;) {
    const std::size_t at = FindCandidate(text, from, pattern, true);
    if (at >= text.size()) break;
    const bool starts_char = at >= boundary && IsCharStartFrom(text, boundary, at, encoding);
    // After a Shift-JIS trail byte a character starts; a UTF-8 sequence may run on.
    if (at >= boundary && (starts_char || encoding == TEncoding::kCp932))
      boundary = starts_char ? at : at + 1;
    if (starts_char && EqualsIgnoringCase(text, at, pattern, encoding)) return at;
    from = at + 1;
  }
  return std::string_view::npos;
}

// Offset where the character after a match at `at` starts: the match may end with a lead byte
// that the text pairs with the byte after it.
std::size_t BoundaryAfter(std::string_view text, std::string_view pattern, std::size_t at,
                          TEncoding encoding) {
  std::size_t i = 0;
  while (i < pattern.size()) i += CharBytesAt(text.substr(at), i, encoding);
  return at + i;
}

}  // namespace

std::size_t FindIgnoringCase(std::string_view text, std::string_view pattern, std::size_t from,
                             TEncoding encoding) {
  if (pattern.empty()) return std::string_view::npos;
  std::size_t boundary = from;
  return NextOccurrence(text, pattern, from, boundary, encoding);
}

int ReplaceEvery(std::string& text, std::string_view pattern, std::string_view replacement,
                 std::size_t max_size, TEncoding encoding) {
  if (pattern.empty() || text.size() < pattern.size()) return 0;
  std::vector<std::size_t> found;
  std::size_t boundary = 0;
  for (std::size_t at = NextOccurrence(text, pattern, 0, boundary, encoding);
       at != std::string_view::npos;) {
    found.push_back(at);
    boundary = BoundaryAfter(text, pattern, at, encoding);
    at = NextOccurrence(text, pattern, boundary, boundary, encoding);
  }
  if (found.empty()) return 0;
  const std::size_t old_size = text.size();
  const std::size_t new_size =
      old_size - found.size() * pattern.size() + found.size() * replacement.size();
  // (A growing replacement that yields a smaller size has overflowed.)
  if (new_size > max_size || (replacement.size() > pattern.size() && new_size < old_size))
    return -1;
  // Edited in place, so that only the bytes after the first occurrence move: forwards when the
  // text shrinks, backwards from the end when it grows.
  // (An empty replacement may have no storage at all, so it is never handed to memcpy.)
  const bool copy_replacement = !replacement.empty();
  char* data;
  if (new_size <= old_size) {
    data = text.data();
    std::size_t write = found[0];
    for (std::size_t k = 0; k < found.size(); ++k) {
      if (copy_replacement) std::memcpy(data + write, replacement.data(), replacement.size());
      write += replacement.size();
      const std::size_t from = found[k] + pattern.size();
      const std::size_t to = k + 1 < found.size() ? found[k + 1] : old_size;
      std::memmove(data + write, data + from, to - from);
      write += to - from;
    }
    text.resize(new_size);
  } else {
    text.resize(new_size);
    data = text.data();
    std::size_t write = new_size;
    for (std::size_t k = found.size(); k-- > 0;) {
      const std::size_t from = found[k] + pattern.size();
      const std::size_t to = k + 1 < found.size() ? found[k + 1] : old_size;
      write -= to - from;
      std::memmove(data + write, data + from, to - from);
      write -= replacement.size();
      if (copy_replacement) std::memcpy(data + write, replacement.data(), replacement.size());
    }
  }
  return static_cast<int>(found.size());
}

bool ReplaceFirst(std::string& text, std::string_view pattern, std::string_view replacement,
                  TEncoding encoding) {
  const std::size_t at = FindAtCharStart(text, pattern, encoding);
  if (at == std::string_view::npos) return false;
  text.replace(at, pattern.size(), replacement);
  return true;
}

void AsciiLowerCaseInPlace(std::string& text) {
  for (std::size_t i = 0; i < text.size(); i += CharBytesAt(text, i)) text[i] = Lower(text[i]);
}

std::string AsciiLowerCase(std::string_view text) {
  std::string result(text);
  AsciiLowerCaseInPlace(result);
  return result;
}

}  // namespace zorvik
