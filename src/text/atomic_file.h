// Replacing a file so that a crash or a full disk never leaves it half-written.
#pragma once

#include <string>
#include <string_view>

#include "text/file_releaser.h"

namespace zorvik {

// Whether a write is on disk when it returns, or only once the caller syncs the file system
// (a batch writes thousands of files and syncs once at its end).
enum class TDurability { kSynced, kDeferred };

// What a write does when path is a symbolic link.
enum class TLinkPolicy {
  kFollow,   // replace the file the link names (a user may link an output file on purpose)
  kReplace,  // replace the link itself (the program's own files, which nobody may redirect)
};

// Writes bytes to a temporary file beside path, flushes it to disk and renames it over path.
// An existing file keeps its permissions and its owner (when the owner cannot be kept, the
// set-user and set-group bits are dropped); a file the caller could not write is refused, as a
// plain write would refuse it. On failure the old file is left whole and the temporary file
// removed. With a releaser, the replaced file is held open across the rename and handed to it,
// so that freeing it happens there.
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         TLinkPolicy links = TLinkPolicy::kFollow,
                         TDurability durability = TDurability::kSynced,
                         TFileReleaser* releaser = nullptr);

// Flushes the whole file system that holds path to disk; false when that failed.
bool SyncFileSystemOf(const std::string& path);

}  // namespace zorvik
