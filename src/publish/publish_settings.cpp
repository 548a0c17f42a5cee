#include "publish/publish_settings.h"

#include <cerrno>
#include <fstream>
#include <sstream>

#include "text/atomic_file.h"

namespace zorvik {
namespace {

std::string Trimmed(const std::string& text) {
  const std::size_t start = text.find_first_not_of(" \t\r");
  if (start == std::string::npos) return "";
  return text.substr(start, text.find_last_not_of(" \t\r") - start + 1);
}

}  // namespace

std::string PublishSettingsPath(const std::string& group_file) { return group_file + ".publish"; }

std::optional<TPublishSettings> ReadPublishSettings(const std::string& path) {
  TPublishSettings settings;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (errno == ENOENT) return settings;
    return std::nullopt;
  }
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t equals = line.find('=');
    if (line.starts_with('#') || equals == std::string::npos) continue;
    const std::string name = Trimmed(line.substr(0, equals));
    const std::string value = Trimmed(line.substr(equals + 1));
    if (name == "to") settings.to = value;
    if (name == "ca-file") settings.ca_file = value;
  }
  if (in.bad()) return std::nullopt;
  return settings;
}

bool WritePublishSettings(const std::string& path, const TPublishSettings& settings) {
  std::string text =
      "# Where zorvik publish sends this group's site. No password is ever kept here.\n";
  text += "to = " + settings.to + "\n";
  if (!settings.ca_file.empty()) text += "ca-file = " + settings.ca_file + "\n";
  return WriteFileAtomically(path, text);
}

}  // namespace zorvik
