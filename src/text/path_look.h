// One look at what stands at a path. "Missing" is an answer; a name too long, a loop of links,
// a folder that may not be read or an I/O error are not, and come back with the system's
// reason, so that no caller takes a path it could not look at for one that is not there.
// Never throws.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zorvik {

enum class TPathKind { kMissing, kFile, kFolder, kLink, kOther };

// What stands at path: links followed when follow_links (a dangling one is missing), else a
// link is kLink. Nothing when it cannot be looked at, with the system's reason in *err
// ("File name too long").
std::optional<TPathKind> LookAtPath(const std::string& path, bool follow_links, std::string* err);

// The names in a folder (without "." and ".."), in no order; false with the system's reason
// when it cannot be opened or read to its end. Without follow_links, a link in place of the
// folder itself is refused (ELOOP), never listed.
bool ListFolder(const std::string& folder, bool follow_links, std::vector<std::string>* names,
                std::string* err);

// Whether an errno value of a look means "nothing there" rather than "could not look".
bool IsMissingError(int error);

}  // namespace zorvik
