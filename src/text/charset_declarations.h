// The charset a text declares of itself: HTML's <meta charset="..."> and the charset= of
// http-equiv's content, XML's <?xml ... encoding="..."?> and CSS's @charset "...".
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "text/utf8.h"

namespace zorvik {

// Where a declaration names its charset: the byte offset and length of the name.
struct TCharsetName {
  std::size_t offset = 0;
  std::size_t length = 0;
};

// Every declared charset name in text, in order (ASCII letters compared without case).
std::vector<TCharsetName> CharsetNames(std::string_view text);

// The page encoding a charset name stands for: UTF-8 ("utf-8", "utf8") or Shift-JIS
// ("shift_jis", "sjis", "x-sjis", "windows-31j", "cp932", "ms932"); nothing for another.
std::optional<TEncoding> EncodingOfName(std::string_view name);

// The encoding of the first declaration that names one.
std::optional<TEncoding> DeclaredEncoding(std::string_view text);

}  // namespace zorvik
