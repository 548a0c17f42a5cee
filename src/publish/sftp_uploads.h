// Files put over SFTP many at a time. Each file still takes its steps one after the other
// (its folders and target checked and the temporary name created new, where it was made
// confirmed, its bytes written, closed, its folders checked again, renamed over the target,
// where it went confirmed), but the steps of up to a few hundred files share each round trip,
// so a slow link costs a few round trips for all of them instead of a few for each. A folder
// swapped for a link on the server meanwhile stops the run, naming it.
#pragma once

#include <functional>
#include <string>

#include "publish/remote.h"
#include "publish/sftp_wire.h"

namespace zorvik {

struct TSftpTarget {
  std::string folder;  // the destination's folder on the server, ending in "/"
  // The same, as the server resolves it (absolute, no links), ending in "/"; known once
  // make_folders has been called.
  const std::string* resolved = nullptr;
  bool posix_rename = false;    // the server replaces a file in one rename
  std::size_t most_files = 64;  // files under way at once, each holding a handle for a while
  // Whether every folder of a path is known to be a real folder; the files of a folder that is
  // not wait until nothing is under way, then make_folders makes and checks them.
  std::function<bool(const std::string& path)> folders_ready;
  std::function<bool(const std::string& path, std::string* err)> make_folders;
};

// As TRemote::PutAll, nothing else under way on the session meanwhile. On a failure, *failed is
// the path of the file that failed (nothing when the connection did) and *err says why.
bool PutOverSftp(TSftpWire& wire, const TSftpTarget& target, TUploads& uploads, std::string* failed,
                 std::string* err);

}  // namespace zorvik
