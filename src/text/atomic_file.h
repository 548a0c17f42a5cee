// Replacing a file so that a crash or a full disk never leaves it half-written.
#pragma once

#include <fcntl.h>
#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "text/file_releaser.h"

namespace zorvik {

// What a write does when path is a symbolic link.
enum class TLinkPolicy {
  kFollow,   // replace the file the link names (a user may link an output file on purpose)
  kReplace,  // replace the link itself (the program's own files, which nobody may redirect)
};

// A new file written beside the file it is to replace, not yet in its place.
struct TStagedFile {
  std::string temp;       // the new content, under a temporary name in the target's folder
  std::string target;     // what it replaces: path, or the file a followed link names
  bool replaces = false;  // a file stands at target now
  dev_t old_device = 0;   // and its identity
  ino_t old_inode = 0;
  // The target's folder, open (the caller's, kept open until the file is committed), and where
  // the names in that folder start in temp and target; AT_FDCWD and 0 for whole paths.
  int folder = AT_FDCWD;
  std::size_t name_at = 0;
};

// Writes bytes to a new temporary file beside path (beside the file it names, when path is a
// link followed), with the owner and permissions of the file it will replace (when the owner
// cannot be kept, the set-user and set-group bits are dropped); with sync, the file is on disk
// when this returns. A file the caller could not write is refused, as a plain write would
// refuse it. Nothing on failure, and nothing left behind.
// What a writer of many files in one folder keeps from file to file.
struct TStagingFolder {
  // The folder, open: a file is then looked up, written and renamed by its name in it, where a
  // whole path would be walked through again for each step.
  int fd = AT_FDCWD;
  uid_t euid = 0;  // the process's effective user and group
  gid_t egid = 0;
  mode_t new_file_mode = 0;  // the permissions the folder gives a new file, once seen; else 0
};

// folder, when given, describes path's folder.
std::optional<TStagedFile> StageFile(const std::string& path, std::string_view bytes,
                                     TLinkPolicy links = TLinkPolicy::kFollow, bool sync = true,
                                     TStagingFolder* folder = nullptr);

// Renames a staged file over its target. With a releaser, the replaced file is held open
// across the rename and handed to it, so that freeing it happens there. On failure the old
// file is left whole and the staged one removed.
bool CommitStagedFile(const TStagedFile& staged, TFileReleaser* releaser = nullptr);

// Removes a staged file that will not be committed.
void DiscardStagedFile(const TStagedFile& staged);

// Removes from folder the staged files of processes of this machine that are gone (a run
// killed while it wrote): each staged file's name holds the process that made it.
void RemoveLeftoverStagedFiles(const std::string& folder);

// Replaces the file at path with bytes, on disk when it returns: staged with a sync, then
// committed. A crash or a full disk never leaves a half-written file in its place. On failure
// errno tells why.
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         TLinkPolicy links = TLinkPolicy::kFollow);

// Flushes the whole file system that holds path to disk; false when that failed.
bool SyncFileSystemOf(const std::string& path);

}  // namespace zorvik
