#include "pattern/re_replacement.h"

#include "pattern/re_syntax.h"
#include "text/sjis.h"

namespace zorvik {

TREReplacement::TREReplacement(std::string_view text, TEncoding encoding) {
  std::string literal;
  auto flush_literal = [&] {
    if (!literal.empty()) pieces_.push_back({false, std::move(literal)});
    literal.clear();
  };
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = CharBytesAt(text, i, encoding);
    if (len > 1) {
      literal.append(text.substr(i, len));
      i += len;
    } else if (text[i] == '&') {
      flush_literal();
      pieces_.push_back({true, {}});
      ++i;
    } else if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '&') {
      literal += '&';
      i += 2;
    } else if (text[i] == '\\' && i + 1 < text.size()) {
      std::size_t after = i + 1;
      const TEscape escape = ReadEscape(text, after, encoding);
      if (escape.error != nullptr) {
        // A malformed escape is kept as written rather than dropped.
        literal += '\\';
        ++i;
      } else {
        AppendCode(literal, escape.code, encoding);
        i = after;
      }
    } else {
      literal += text[i++];
    }
  }
  flush_literal();
  for (const Piece& piece : pieces_) {
    uses_match_ = uses_match_ || piece.matched;
    fixed_ += piece.literal;
  }
}

void TREReplacement::AppendTo(std::string& out, std::string_view matched) const {
  for (const Piece& piece : pieces_) {
    if (piece.matched) {
      out.append(matched);
    } else {
      out.append(piece.literal);
    }
  }
}

}  // namespace zorvik
