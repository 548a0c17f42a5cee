#include "publish/destination.h"

#include <algorithm>
#include <charconv>

namespace zorvik {
namespace {

bool IsHostChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_';
}

bool IsUserChar(char c) { return IsHostChar(c) || c == '+'; }

}  // namespace

std::string AddressWithoutPassword(std::string_view url) {
  const std::size_t scheme_end = url.find("://");
  const std::size_t start = scheme_end == std::string_view::npos ? 0 : scheme_end + 3;
  const std::size_t end = std::min(url.find('/', start), url.size());
  const std::size_t at = url.substr(0, end).rfind('@');
  if (at == std::string_view::npos || at < start) return std::string(url);
  const std::size_t colon = url.substr(0, at).find(':', start);
  if (colon == std::string_view::npos) return std::string(url);
  return std::string(url.substr(0, colon)).append(url.substr(at));
}

std::optional<TDestination> ParseDestination(std::string_view url, std::string* err) {
  TDestination result;
  const std::size_t scheme_end = url.find("://");
  const std::string_view scheme =
      scheme_end == std::string_view::npos ? "" : url.substr(0, scheme_end);
  if (scheme == "sftp") {
    result.protocol = TProtocol::kSftp;
  } else if (scheme == "ftps") {
    result.protocol = TProtocol::kFtps;
  } else if (scheme == "ftp") {
    result.protocol = TProtocol::kFtp;
  } else {
    *err = "the address must start with sftp://, ftps:// or ftp://";
    return std::nullopt;
  }
  std::string_view rest = url.substr(scheme_end + 3);
  const std::size_t slash = rest.find('/');
  std::string_view authority = rest.substr(0, slash);
  const std::string_view path = slash == std::string_view::npos ? "/" : rest.substr(slash);
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view user = authority.substr(0, at);
    if (user.find(':') != std::string_view::npos) {
      *err = "a password does not belong in the address; it is never stored";
      return std::nullopt;
    }
    for (const char c : user) {
      if (!IsUserChar(c)) {
        *err = "the user name holds a character that is not allowed";
        return std::nullopt;
      }
    }
    result.user = user;
    authority.remove_prefix(at + 1);
  }
  const std::size_t colon = authority.find(':');
  const std::string_view host = authority.substr(0, colon);
  if (host.empty()) {
    *err = "the address has no host";
    return std::nullopt;
  }
  for (const char c : host) {
    if (!IsHostChar(c)) {
      *err = "the host name holds a character that is not allowed";
      return std::nullopt;
    }
  }
  result.host = host;
  if (colon != std::string_view::npos) {
    const std::string_view port = authority.substr(colon + 1);
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), result.port);
    if (port.empty() || error != std::errc() || end != port.data() + port.size() ||
        result.port < 1 || result.port > 65535) {
      *err = "the port must be a number from 1 to 65535";
      return std::nullopt;
    }
  }
  std::string folder(path);
  for (const char c : folder) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '\\') {
      *err = "the folder holds a control character or a backslash";
      return std::nullopt;
    }
  }
  if (folder == "/~" || folder.starts_with("/~/")) folder.erase(0, folder == "/~" ? 2 : 3);
  if (!folder.empty() && !folder.ends_with('/')) folder += '/';
  for (std::size_t start = 0; start < folder.size();) {
    const std::size_t end = folder.find('/', start);
    const std::string_view part = std::string_view(folder).substr(start, end - start);
    if (part == "." || part == "..") {
      *err = "the folder may not hold \".\" or \"..\"";
      return std::nullopt;
    }
    start = end + 1;
  }
  result.folder = std::move(folder);
  return result;
}

std::string DestinationUrl(const TDestination& destination) {
  std::string url = destination.protocol == TProtocol::kSftp   ? "sftp://"
                    : destination.protocol == TProtocol::kFtps ? "ftps://"
                                                               : "ftp://";
  if (!destination.user.empty()) url += destination.user + "@";
  url += destination.host;
  if (destination.port != 0) url += ":" + std::to_string(destination.port);
  url += destination.folder.starts_with('/') ? destination.folder : "/~/" + destination.folder;
  return url;
}

std::string ServerAddress(const TDestination& destination) {
  const int port = destination.port != 0                      ? destination.port
                   : destination.protocol == TProtocol::kSftp ? 22
                                                              : 21;
  const bool ipv6 = destination.host.find(':') != std::string::npos;
  return (ipv6 ? "[" + destination.host + "]" : destination.host) + ":" + std::to_string(port);
}

}  // namespace zorvik
