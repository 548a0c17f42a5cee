// The pattern dialect's lexical layer: character code sets, escapes, the scanner's tokens and
// the exception for a malformed pattern.
//
// A pattern is read one character at a time. In Shift-JIS a double-byte character is one
// character whose code is lead * 256 + trail; in UTF-8 a character's code is its code point,
// and a byte that starts no UTF-8 sequence is a character of its own, code kInvalidUtf8Byte +
// the byte (above every code point, so that no class range written in a pattern takes it).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/utf8.h"

namespace zorvik {

inline constexpr std::uint32_t kInvalidUtf8Byte = 0x110000;

// A malformed pattern: the message (CP932) and the byte position in the pattern just after the
// point where the error was found.
class ERegExpParser : public std::runtime_error {
 public:
  ERegExpParser(const std::string& message, std::uint16_t position)
      : std::runtime_error(message), ErrorPos(position) {}
  std::uint16_t ErrorPos;
};

// The messages of the pattern component, CP932.
namespace re_message {
// 不正な２バイト文字コードです。
inline constexpr const char* kBadDoubleByte =
    "\x95s\x90\xB3\x82\xC8\x82Q\x83o\x83"
    "C\x83g\x95\xB6\x8E\x9A\x83R\x81[\x83h\x82\xC5\x82\xB7\x81"
    "B";
// "\"の次には文字が必要です。
inline constexpr const char* kLoneBackslash =
    "\x22\x5C\x22\x82\xCC\x8E\x9F\x82\xC9\x82\xCD\x95\xB6\x8E\x9A\x82\xAA\x95K\x97v\x82\xC5\x82\xB7"
    "\x81"
    "B";
// 不正な１６進数コード表記です。
inline constexpr const char* kBadHex =
    "\x95s\x90\xB3\x82\xC8\x82P\x82U\x90i\x90\x94\x83R\x81[\x83h\x95\x5C\x8BL\x82\xC5\x82\xB7\x81"
    "B";
// 不正な８進数コード表記です。
inline constexpr const char* kBadOctal =
    "\x95s\x90\xB3\x82\xC8\x82W\x90i\x90\x94\x83R\x81[\x83h\x95\x5C\x8BL\x82\xC5\x82\xB7\x81"
    "B";
// 右ブラケット"]"が必要です
inline constexpr const char* kNeedRightBracket =
    "\x89"
    "E\x83u\x83\x89\x83P\x83"
    "b\x83g\x22]\x22\x82\xAA\x95K\x97v\x82\xC5\x82\xB7";
// 不正なキャラクタ範囲です
inline constexpr const char* kBadRange =
    "\x95s\x90\xB3\x82\xC8\x83L\x83\x83\x83\x89\x83N\x83^\x94\xCD\x88\xCD\x82\xC5\x82\xB7";
// 不正なキャラクタクラス指定です。
inline constexpr const char* kEmptyClass =
    "\x95s\x90\xB3\x82\xC8\x83L\x83\x83\x83\x89\x83N\x83^"
    "\x83N\x83\x89\x83X\x8Ew\x92\xE8\x82\xC5\x82"
    "\xB7\x81"
    "B";
// 右(閉じ)括弧が必要です
inline constexpr const char* kNeedRightParen =
    "\x89"
    "E(\x95\xC2\x82\xB6)\x8A\x87\x8C\xCA\x82\xAA\x95K\x97v\x82\xC5\x82\xB7";
// 普通の文字、または左括弧"("が必要です
inline constexpr const char* kNeedOperand =
    "\x95\x81\x92\xCA\x82\xCC\x95\xB6\x8E\x9A\x81"
    "A\x82\xDC\x82\xBD\x82\xCD\x8D\xB6\x8A\x87\x8C\xCA"
    "\x22(\x22\x82\xAA\x95K\x97v\x82\xC5\x82\xB7";
// 正規表現に余分な文字があります
inline constexpr const char* kExtraCharacters =
    "\x90\xB3\x8BK\x95\x5C\x8C\xBB\x82\xC9\x97]\x95\xAA\x82\xC8\x95\xB6\x8E\x9A\x82\xAA\x82\xA0\x82"
    "\xE8\x82\xDC\x82\xB7";
// TREParseTree : 致命的エラー
inline constexpr const char* kParseTreeFatal =
    "TREParseTree : \x92v\x96\xBD\x93I\x83G\x83\x89\x81[";
inline constexpr const char* kNfaFatal = "This cannot happen in TRE_NFA.GenerateStateList";
}  // namespace re_message

// A set of character codes as sorted, non-overlapping, non-adjacent closed ranges.
using TCodeRanges = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

// Sorts and merges ranges into the canonical form.
TCodeRanges NormalizeRanges(TCodeRanges ranges);
// The "." set (every code but NUL, LF and CR: up to 0xFCFC in Shift-JIS, every code point and
// byte that is no character in UTF-8) without the given codes.
TCodeRanges DotSetWithout(const TCodeRanges& excluded, TEncoding encoding);
bool RangesContain(const TCodeRanges& ranges, std::uint32_t code);

// Appends the bytes of a character code in the encoding.
void AppendCode(std::string& out, std::uint32_t code, TEncoding encoding);

// Reads the escape whose backslash has been consumed, from text at offset i (which it moves
// past the escape). Returns the code, or a message of re_message on a malformed escape.
struct TEscape {
  std::uint32_t code = 0;
  const char* error = nullptr;
};
TEscape ReadEscape(std::string_view text, std::size_t& i, TEncoding encoding);

enum class TRETokenKind {
  kChar,       // a character (code)
  kClass,      // "[...]" or "[^...]" (ranges, already negated)
  kDot,        // "."
  kLineStart,  // "^"
  kLineEnd,    // "$"
  kUnion,      // "|"
  kLParen,     // "("
  kRParen,     // ")"
  kStar,       // "*"
  kPlus,       // "+"
  kQuestion,   // "?"
  kRBracket,   // "]" outside a class
  kEnd,
};

struct TREToken {
  TRETokenKind kind = TRETokenKind::kEnd;
  std::uint32_t code = 0;
  TCodeRanges ranges;
};

// Splits a pattern into tokens. Position() is the 1-based position just after the bytes read so
// far, which is the position reported with an error.
class TREScanner {
 public:
  explicit TREScanner(std::string_view pattern, TEncoding encoding)
      : pattern_(pattern), encoding_(encoding) {}
  TREToken Next();
  std::uint16_t Position() const;
  [[noreturn]] void Fail(const char* message) const;

 private:
  std::uint32_t ReadChar();  // one character, escapes decoded
  TREToken ReadClass();

  std::string_view pattern_;
  TEncoding encoding_;
  std::size_t pos_ = 0;
};

}  // namespace zorvik
