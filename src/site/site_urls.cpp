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

std::string SchemeOf(std::string_view url) {
  std::size_t i = 0;
  while (i < url.size() && (std::isalnum(static_cast<unsigned char>(url[i])) != 0 ||
                            url[i] == '+' || url[i] == '-' || url[i] == '.')) {
    ++i;
  }
  if (i == 0 || i >= url.size() || url[i] != ':' ||
      std::isalpha(static_cast<unsigned char>(url[0])) == 0) {
    return "";
  }
  std::string scheme(url.substr(0, i));
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return scheme;
}

std::string PercentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() &&
        std::isxdigit(static_cast<unsigned char>(text[i + 1])) != 0 &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2])) != 0) {
      out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace zorvik
