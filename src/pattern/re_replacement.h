// Replacement texts: "&" stands for the matched text, "\&" for a literal "&", and the escapes of
// patterns give their characters; anything else stands for itself.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/utf8.h"

namespace zorvik {

class TREReplacement {
 public:
  explicit TREReplacement(std::string_view text, TEncoding encoding);
  // Appends the replacement for one match to out.
  void AppendTo(std::string& out, std::string_view matched) const;
  // The replacement of every match when it does not hold the matched text, else nullptr.
  const std::string* Fixed() const { return uses_match_ ? nullptr : &fixed_; }

 private:
  struct Piece {
    bool matched = false;  // the matched text; else literal
    std::string literal;
  };
  std::vector<Piece> pieces_;
  bool uses_match_ = false;
  std::string fixed_;  // the pieces joined, when none is the matched text
};

}  // namespace zorvik
