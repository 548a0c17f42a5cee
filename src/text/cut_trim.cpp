#include "text/cut_trim.h"

#include "text/sjis.h"

namespace zorvik {
namespace {

std::string_view FullWidthSpace(TEncoding encoding) {
  return encoding == TEncoding::kCp932 ? "\x81\x40" : "\xE3\x80\x80";
}
constexpr std::string_view kCrLf = "\r\n";

}  // namespace

std::string CutToken(std::string& text, std::string_view separators, TEncoding encoding) {
  if (text.empty()) return {};
  // One forward walk: a trail byte is stepped over with its lead and never taken as a separator.
  for (std::size_t i = 0; i < text.size(); i += CharBytesAt(text, i, encoding)) {
    if (separators.find(text[i]) != std::string_view::npos) {
      std::string head = text.substr(0, i);
      text.erase(0, i + 1);
      return head;
    }
  }
  std::string head;
  head.swap(text);
  return head;
}

std::string CutLine(std::string& text, TEncoding encoding) {
  std::string line = CutToken(text, "\r", encoding);
  // Only the LF of this CR LF goes: cutting up to the next LF anywhere would swallow the text
  // that follows a lone CR.
  if (!text.empty() && text[0] == '\n') text.erase(0, 1);
  return line;
}

namespace {

// How many bytes of spaces text begins with.
std::size_t LeadingSpaces(std::string_view text, TEncoding encoding) {
  const std::string_view full_width = FullWidthSpace(encoding);
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      i += 1;
    } else if (text.substr(i, full_width.size()) == full_width) {
      i += full_width.size();
    } else {
      break;
    }
  }
  return i;
}

// How many bytes of text are left without the spaces it ends with.
std::size_t WithoutTrailingSpaces(std::string_view text, TEncoding encoding) {
  const std::string_view full_width = FullWidthSpace(encoding);
  // A text that ends in neither space has no space at its end, whatever its last character:
  // the walk below is needed only to tell a space from the last byte of another character.
  if (!text.ends_with(' ') && !text.ends_with(full_width)) return text.size();
  // Walk forward once and remember where the last character that is not a space ends.
  std::size_t keep = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = CharBytesAt(text, i, encoding);
    const bool space = len == 1 ? text[i] == ' '
                                : len == full_width.size() && text.compare(i, len, full_width) == 0;
    i += len;
    if (!space) keep = i;
  }
  return keep;
}

}  // namespace

void TrimLeadingSpaces(std::string& text, TEncoding encoding) {
  text.erase(0, LeadingSpaces(text, encoding));
}

void TrimTrailingSpaces(std::string& text, TEncoding encoding) {
  text.resize(WithoutTrailingSpaces(text, encoding));
}

std::string_view TrimSpacesView(std::string_view text, TEncoding encoding) {
  text.remove_prefix(LeadingSpaces(text, encoding));
  return text.substr(0, WithoutTrailingSpaces(text, encoding));
}

std::string TrimSpaces(std::string_view text, TEncoding encoding) {
  return std::string(TrimSpacesView(text, encoding));
}

namespace {

std::string_view WithoutLeadingBlankLines(std::string_view text) {
  while (text.substr(0, 2) == kCrLf) text.remove_prefix(2);
  return text;
}

std::string_view WithoutTrailingBlankLines(std::string_view text, TEncoding encoding) {
  // The CR must start a character: after a lead byte it is that character's second byte.
  while (text.size() >= 2 && text.substr(text.size() - 2) == kCrLf &&
         IsCharStartFrom(text, 0, text.size() - 2, encoding)) {
    text.remove_suffix(2);
  }
  return text;
}

}  // namespace

std::string TrimLeadingBlankLines(std::string_view text) {
  return std::string(WithoutLeadingBlankLines(text));
}

std::string TrimTrailingBlankLines(std::string_view text, TEncoding encoding) {
  return std::string(WithoutTrailingBlankLines(text, encoding));
}

std::string TrimBlankLines(std::string_view text, TEncoding encoding) {
  return std::string(WithoutTrailingBlankLines(WithoutLeadingBlankLines(text), encoding));
}

}  // namespace zorvik
