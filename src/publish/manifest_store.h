// The manifest on the server, read and written in the parts a large one is kept in, with a
// copy of each part on this machine: a part is fetched only when the copy is missing, and a
// run then reads little more than the list of parts, however large the site.
#pragma once

#include <set>
#include <string>

#include "publish/destination.h"
#include "publish/manifest.h"
#include "publish/remote.h"

namespace zorvik {

class TManifestStore {
 public:
  // cache: the folder of this destination's copies ("" for none).
  TManifestStore(TRemote& remote, std::string cache) : remote_(remote), cache_(std::move(cache)) {}

  // kFound with the manifest, kMissing when the server holds none, or kFailed with *err saying
  // why (the server's manifest unreadable, or not one that Zorvik wrote).
  TFetched Read(TManifest& manifest, std::string* err);
  // Writes the parts the server lacks, then the list of them in one rename, then removes the
  // parts no longer listed: a run cut anywhere leaves a whole manifest, old or new. whole:
  // one text, however large.
  bool Write(const TManifest& manifest, bool whole, std::string* err);

 private:
  std::optional<std::string> CachedPart(const std::string& hash) const;
  void KeepPart(const std::string& hash, const std::string& text) const;
  void DropUnlistedCopies() const;

  TRemote& remote_;
  std::string cache_;
  std::set<std::string> listed_;  // the parts the server's list names
};

// The folder for destination's copies in the user's cache folder; "" when that is not known.
std::string ManifestCacheFolder(const TDestination& destination);

}  // namespace zorvik
