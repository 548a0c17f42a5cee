// The site's addresses: which file below the served folder a URL path names, and back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zorvik {

// The file below root (a folder with its trailing "/") that a decoded URL path names, or
// nothing: the path must start with "/", and no part of it may be empty (but a trailing "/"),
// "." or "..", start with "." (dot-files are never served) or hold a NUL byte. A path that ends
// with "/" names the folder's index.html.
std::optional<std::string> FileForUrlPath(std::string_view root, std::string_view url_path);

// The URL path of a file below root, percent-encoded (RFC 3986 unreserved characters and "/"
// stay); nothing for a file outside root.
std::optional<std::string> UrlPathForFile(std::string_view root, std::string_view file);

// The scheme of an address ("http", "mailto", ...), lower case; "" for none.
std::string SchemeOf(std::string_view url);

// "%XX" sequences as their bytes; nothing else changes.
std::string PercentDecoded(std::string_view text);

}  // namespace zorvik
