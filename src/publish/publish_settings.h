// Where a group's site is published, kept beside the group file in GROUP.publish, a short text
// file of "name = value" lines that the workbench writes. It never holds a password.
#pragma once

#include <optional>
#include <string>

namespace zorvik {

struct TPublishSettings {
  std::string to;       // the destination address
  std::string ca_file;  // for FTPS: certificates to trust besides the system's
};

// "site.gro" -> "site.gro.publish".
std::string PublishSettingsPath(const std::string& group_file);

// The settings at path; empty ones when the file is missing, nothing when it cannot be read.
std::optional<TPublishSettings> ReadPublishSettings(const std::string& path);

// Replaces the file at path atomically; false (errno set) on failure.
bool WritePublishSettings(const std::string& path, const TPublishSettings& settings);

}  // namespace zorvik
