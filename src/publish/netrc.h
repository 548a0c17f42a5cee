// The password for an FTP login from the user's ~/.netrc, where FTP programs keep it.
#pragma once

#include <optional>
#include <string>

namespace zorvik {

// The password of the "machine HOST" entry (or "default") whose login is user, from the file
// at path; nothing when there is none.
std::optional<std::string> NetrcPassword(const std::string& path, const std::string& host,
                                         const std::string& user);

}  // namespace zorvik
