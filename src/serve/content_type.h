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

// The Content-Type for a file by its extension (any letter case); an HTML page gets the charset
// its bytes declare, else Shift_JIS, and so does a plain text file.
std::string ContentTypeFor(std::string_view path, std::string_view bytes);

// Whether the type is an HTML page.
bool IsHtmlType(std::string_view content_type);

}  // namespace zorvik
