#include "text/cut_trim.h"

#include "text/sjis.h"

namespace zorvik {
namespace {

constexpr std::string_view kFullWidthSpace = "\x81\x40";
constexpr std::string_view kCrLf = "\r\n";

}  // namespace

std::string CutToken(std::string& text, std::string_view separators) {
  if (text.empty()) return {};
  // One forward walk: a trail byte is stepped over with its lead and never taken as a separator.
  for (std::size_t i = 0; i < text.size(); i += CharBytesAt(text, i)) {
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

std::string CutLine(std::string& text) {
  std::string line = CutToken(text, "\r");
  // Only the LF of this CR LF goes: cutting up to the next LF anywhere would swallow the text
  // that follows a lone CR.
  if (!text.empty() && text[0] == '\n') text.erase(0, 1);
  return line;
}

void TrimLeadingSpaces(std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      i += 1;
    } else if (std::string_view(text).substr(i, 2) == kFullWidthSpace) {
      i += 2;
    } else {
      break;
    }
  }
  text.erase(0, i);
}

void TrimTrailingSpaces(std::string& text) {
  // Walk forward once and remember where the last character that is not a space ends.
  std::size_t keep = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = CharBytesAt(text, i);
    const bool space = len == 1 ? text[i] == ' ' : text.compare(i, 2, kFullWidthSpace) == 0;
    i += len;
    if (!space) keep = i;
  }
  text.resize(keep);
}

std::string TrimSpaces(std::string_view text) {
  std::string result(text);
  TrimLeadingSpaces(result);
  TrimTrailingSpaces(result);
  return result;
}

std::string TrimLeadingBlankLines(std::string_view text) {
  while (text.substr(0, 2) == kCrLf) text.remove_prefix(2);
  return std::string(text);
}

std::string TrimTrailingBlankLines(std::string_view text) {
  // The CR must start a character: after a lead byte it is that character's second byte.
  while (text.size() >= 2 && text.substr(text.size() - 2) == kCrLf &&
         IsCharStartFrom(text, 0, text.size() - 2)) {
    text.remove_suffix(2);
  }
  return std::string(text);
}

std::string TrimBlankLines(std::string_view text) {
  return TrimTrailingBlankLines(TrimLeadingBlankLines(text));
}

}  // namespace zorvik
