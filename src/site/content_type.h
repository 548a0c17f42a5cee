// What a served file is said to be: its Content-Type, so that a browser never guesses.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zorvik {

// The charset that an HTML text declares in its first 1024 bytes, with <meta charset> or
// <meta http-equiv="Content-Type" content="...; charset=...">, as written; nothing when it
// declares none (or a name with characters no charset name has).
std::optional<std::string> DeclaredCharset(std::string_view html);

// The charset of an HTML page: the one it declares, else UTF-8 for bytes that are (valid UTF-8
// with a byte above 0x7F, or marked), else Shift_JIS.
std::string HtmlCharset(std::string_view html);

// The Content-Type for a file by its extension (any letter case); an HTML page gets its
// HtmlCharset, and a plain text file UTF-8 or Shift_JIS as its bytes are.
std::string ContentTypeFor(std::string_view path, std::string_view bytes);

// Whether the type is an HTML page.
bool IsHtmlType(std::string_view content_type);

}  // namespace zorvik
