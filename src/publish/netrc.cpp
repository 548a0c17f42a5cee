#include "publish/netrc.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace zorvik {

std::optional<std::string> NetrcPassword(const std::string& path, const std::string& host,
                                         const std::string& user) {
  std::ifstream in(path);
  std::vector<std::string> tokens;
  std::string token;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    bool macro = false;
    while (words >> token) {
      macro = macro || token == "macdef";
      tokens.push_back(token);
    }
    // A macro's lines run to the next empty line: their words are not entries.
    if (macro) {
      while (std::getline(in, line) && !line.empty() && line != "\r") {
      }
    }
  }
  // Each entry: "machine NAME" or "default", then "login", "password" and other pairs.
  for (std::size_t i = 0; i < tokens.size();) {
    const bool machine = tokens[i] == "machine" && i + 1 < tokens.size();
    if (!machine && tokens[i] != "default") {
      ++i;
      continue;
    }
    const bool matches = !machine || tokens[i + 1] == host;
    i += machine ? 2 : 1;
    std::optional<std::string> login;
    std::optional<std::string> password;
    while (i + 1 < tokens.size() && tokens[i] != "machine" && tokens[i] != "default") {
      if (tokens[i] == "login") login = tokens[i + 1];
      if (tokens[i] == "password") password = tokens[i + 1];
      i += 2;
    }
    if (matches && password && (!login || *login == user)) return password;
  }
  return std::nullopt;
}

}  // namespace zorvik
