#include "pattern/re_syntax.h"

#include <algorithm>

#include "text/sjis.h"

namespace zorvik {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

TCodeRanges NormalizeRanges(TCodeRanges ranges) {
  std::sort(ranges.begin(), ranges.end());
  TCodeRanges merged;
  for (const auto& r : ranges) {
    if (!merged.empty() && r.first <= merged.back().second + 1) {
      merged.back().second = std::max(merged.back().second, r.second);
    } else {
      merged.push_back(r);
    }
  }
  return merged;
}

TCodeRanges DotSetWithout(const TCodeRanges& excluded, TEncoding encoding) {
  static constexpr std::pair<std::uint32_t, std::uint32_t> kDot[] = {
      {0x01, 0x09}, {0x0B, 0x0C}, {0x0E, 0xFCFC}};
  static constexpr std::pair<std::uint32_t, std::uint32_t> kUtf8Dot[] = {
      {0x01, 0x09},
      {0x0B, 0x0C},
      {0x0E, 0x10FFFF},
      {kInvalidUtf8Byte + 0x80, kInvalidUtf8Byte + 0xFF}};
  const TCodeRanges ex = NormalizeRanges(excluded);
  TCodeRanges result;
  const auto dot =
      encoding == TEncoding::kCp932
          ? std::vector<std::pair<std::uint32_t, std::uint32_t>>(std::begin(kDot), std::end(kDot))
          : std::vector<std::pair<std::uint32_t, std::uint32_t>>(std::begin(kUtf8Dot),
                                                                 std::end(kUtf8Dot));
  for (auto [lo, hi] : dot) {
    std::uint32_t next = lo;  // first code of [lo, hi] not yet decided
    for (const auto& [elo, ehi] : ex) {
      if (ehi < next || elo > hi) continue;
      if (elo > next) result.emplace_back(next, elo - 1);
      next = ehi + 1;
      if (next > hi) break;
    }
    if (next <= hi) result.emplace_back(next, hi);
  }
  return result;
}

bool RangesContain(const TCodeRanges& ranges, std::uint32_t code) {
  auto it = std::upper_bound(ranges.begin(), ranges.end(), code,
                             [](std::uint32_t c, const auto& r) { return c < r.first; });
  return it != ranges.begin() && code <= std::prev(it)->second;
}

void AppendCode(std::string& out, std::uint32_t code, TEncoding encoding) {
  if (encoding == TEncoding::kCp932) {
    AppendCharCode(out, code);
  } else if (code >= kInvalidUtf8Byte) {
    out.push_back(static_cast<char>(code - kInvalidUtf8Byte));
  } else {
    AppendUtf8(out, code);
  }
}

TEscape ReadEscape(std::string_view text, std::size_t& i, TEncoding encoding) {
  const auto c = static_cast<unsigned char>(text[i++]);
  switch (c) {
    case 'b':
      return {0x08};
    case 'n':
      return {0x0A};
    case 'r':
      return {0x0D};
    case 't':
      return {0x09};
    case 'x': {
      std::uint32_t code = 0;
      int digits = 0;
      for (; digits < 4 && i < text.size() && HexValue(text[i]) >= 0; ++digits, ++i) {
        code = code * 16 + static_cast<std::uint32_t>(HexValue(text[i]));
      }
      if (digits == 0) return {0, re_message::kBadHex};
      return {code};
    }
    default:
      break;
  }
  if (c >= '0' && c <= '7') {
    std::uint32_t code = c - '0';
    for (int digits = 1; digits < 6 && i < text.size() && text[i] >= '0' && text[i] <= '7';
         ++digits, ++i) {
      code = code * 8 + static_cast<std::uint32_t>(text[i] - '0');
    }
    if (code > 0xFFFF) return {0, re_message::kBadOctal};
    return {code};
  }
  if (encoding == TEncoding::kUtf8 && c >= 0x80) {
    // The escaped character is the whole UTF-8 sequence the byte starts.
    const std::size_t len = Utf8CharBytesAt(text, i - 1);
    const std::uint32_t code = len == 1 ? kInvalidUtf8Byte + c : Utf8CodeAt(text, i - 1, len);
    i += len - 1;
    return {code};
  }
  if (encoding == TEncoding::kCp932 && IsLeadByte(c)) {
    if (i >= text.size()) return {0, re_message::kBadDoubleByte};
    return {(static_cast<std::uint32_t>(c) << 8) | static_cast<unsigned char>(text[i++])};
  }
  return {c};
}

std::uint16_t TREScanner::Position() const {
  // 1-based: the byte just after the last one read, where the error was found.
  return static_cast<std::uint16_t>(std::min<std::size_t>(pos_ + 1, 0xFFFF));
}

void TREScanner::Fail(const char* message) const { throw ERegExpParser(message, Position()); }

std::uint32_t TREScanner::ReadChar() {
  const auto c = static_cast<unsigned char>(pattern_[pos_++]);
  if (c == '\\') {
    if (pos_ >= pattern_.size()) Fail(re_message::kLoneBackslash);
    const TEscape escape = ReadEscape(pattern_, pos_, encoding_);
    if (escape.error != nullptr) Fail(escape.error);
    return escape.code;
  }
  if (encoding_ == TEncoding::kUtf8) {
    if (c < 0x80) return c;
    const std::size_t len = Utf8CharBytesAt(pattern_, pos_ - 1);
    if (len == 1) return kInvalidUtf8Byte + c;
    const std::uint32_t code = Utf8CodeAt(pattern_, pos_ - 1, len);
    pos_ += len - 1;
    return code;
  }
  if (IsLeadByte(c)) {
    if (pos_ >= pattern_.size()) Fail(re_message::kBadDoubleByte);
    return (static_cast<std::uint32_t>(c) << 8) | static_cast<unsigned char>(pattern_[pos_++]);
  }
  return c;
}

TREToken TREScanner::ReadClass() {
  // pos_ is just after "[".
  if (pos_ >= pattern_.size()) Fail(re_message::kNeedRightBracket);
  const bool negated = pattern_[pos_] == '^';
  if (negated) ++pos_;
  TCodeRanges items;
  for (bool first = true;; first = false) {
    if (pos_ >= pattern_.size()) Fail(re_message::kNeedRightBracket);
    if (pattern_[pos_] == ']') {
      ++pos_;
      if (first) Fail(re_message::kEmptyClass);
      break;
    }
    const std::uint32_t from = ReadChar();
    std::uint32_t to = from;
    // "-" before the closing "]" (or the end) is a literal, not a range.
    if (pos_ + 1 < pattern_.size() && pattern_[pos_] == '-' && pattern_[pos_ + 1] != ']') {
      ++pos_;
      to = ReadChar();
      if (to < from) Fail(re_message::kBadRange);
    }
    items.emplace_back(from, to);
  }
  TREToken token;
  token.kind = TRETokenKind::kClass;
  token.ranges = negated ? DotSetWithout(items, encoding_) : NormalizeRanges(std::move(items));
  return token;
}

TREToken TREScanner::Next() {
  TREToken token;
  if (pos_ >= pattern_.size()) return token;
  switch (pattern_[pos_]) {
    case '.':
      token.kind = TRETokenKind::kDot;
      break;
    case '^':
      token.kind = TRETokenKind::kLineStart;
      break;
    case '$':
      token.kind = TRETokenKind::kLineEnd;
      break;
    case '|':
      token.kind = TRETokenKind::kUnion;
      break;
    case '(':
      token.kind = TRETokenKind::kLParen;
      break;
    case ')':
      token.kind = TRETokenKind::kRParen;
      break;
    case '*':
      token.kind = TRETokenKind::kStar;
      break;
    case '+':
      token.kind = TRETokenKind::kPlus;
      break;
    case '?':
      token.kind = TRETokenKind::kQuestion;
      break;
    case ']':
      token.kind = TRETokenKind::kRBracket;
      break;
    case '[':
      ++pos_;
      return ReadClass();
    default:
      token.kind = TRETokenKind::kChar;
      token.code = ReadChar();
      return token;
  }
  ++pos_;
  return token;
}

}  // namespace zorvik
