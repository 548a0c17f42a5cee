#include "site/site_urls.h"

#include <cctype>

namespace zorvik {

std::optional<std::string> FileForUrlPath(std::string_view root, std::string_view url_path) {
  if (url_path.empty() || url_path.front() != '/') return std::nullopt;
  if (url_path.find('\0') != std::string_view::npos) return std::nullopt;
  std::string_view rest = url_path.substr(1);
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    if (part.empty() || part.front() == '.') return std::nullopt;  // also "." and ".."
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  std::string file(root);
  file.append(url_path.substr(1));
  if (url_path.back() == '/') file += "index.html";
  return file;
}

std::optional<std::string> UrlPathForFile(std::string_view root, std::string_view file) {
  if (!file.starts_with(root)) return std::nullopt;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "/";
  for (const char c : file.substr(root.size())) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) != 0 || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      url += c;
    } else {
      url += '%';
      url += kHex[byte >> 4];
      url += kHex[byte & 15];
    }
  }
  return url;
}

}  // namespace zorvik
