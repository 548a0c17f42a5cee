// The user's known_hosts file, where libssh leaves two things to its callers: the keys marked
// "@revoked", which it does not read, and a file that does not end with a line end, onto whose
// last line it would glue the new key.
#pragma once

#include <string>

namespace zorvik {

// Whether the file at path holds a line "@revoked HOSTS TYPE KEY" whose KEY (base64) is key,
// whatever its hosts: a key revoked anywhere is not taken.
bool IsRevokedKey(const std::string& path, const std::string& key);

// Appends entry (one line, its line end added where missing) to the file at path, made 0600
// where missing, on a line of its own. A link at path is not followed. Empty on success, else
// why not, in English.
std::string AppendKnownHost(const std::string& path, const std::string& entry);

}  // namespace zorvik
